#pragma once

#include <QString>

#include <atomic>
#include <cstdint>

/// Wakes one waiter for the queue lock on this machine when a holder gives the lock up, so that
/// waiters need not sleep out their pauses while the lock stands free, nor all wake at once.
/// Only a shortcut: the lock file stays the one truth, every waiter still tries it at the end of
/// each pause, and a holder on another workstation, or one that ended without waking anyone,
/// costs a waiter no more than the pause it would have slept anyway. Nothing of it lies in the
/// data folder: the count of releases sits in this machine's shared memory, named by the folder.
class LockWake
{
public:
    /// The wake of the folder holding `queuePath`; `create` makes it where no waiter has yet.
    static LockWake *of(const QString &queuePath, bool create);

    /// The releases counted so far; read before trying the lock.
    std::uint32_t mark() const { return m_releases->load(); }
    /// Sleeps up to `milliseconds`, ending early at the first release after `mark`.
    void waitPast(std::uint32_t mark, int milliseconds);
    /// Counts a release and wakes one waiter.
    void wakeOne();

private:
    explicit LockWake(std::atomic<std::uint32_t> *releases) : m_releases(releases) {}

    std::atomic<std::uint32_t> *m_releases;
};
