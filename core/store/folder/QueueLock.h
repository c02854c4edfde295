#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>

#include <functional>

/// The exclusive lock beside the queue file that serialises every load-change-save, and every
/// database write, across all instances on all workstations. Safety rests only on what every
/// share keeps: exclusive create, atomic rename and the bytes written. The lock file names its
/// holder and a random token; a change writes the new queue into a file whose name only its
/// holder uses, proves by reading the token back that the lock is still its own, and only then
/// renames that file over the queue file. A holder that lost its lock writes nothing. Readers
/// take no lock and always see a whole file. Re-entrant within one process, so a sequence that
/// holds it (a take, a sign-out) can run the single operations inside.
///
/// A live holder's lock is never broken, whatever the clocks: while it holds the lock, a holder
/// counts up a beat in it. A waiter breaks a lock at once when its holder, on this machine, has
/// ended (a zombie too); any other lock only once the waiter itself has watched it unchanged for
/// the stale time on its own monotonic clock. A holder paused for longer than that (a
/// workstation suspended mid-change) finds its lock gone when it goes on and writes nothing; the
/// only moment a pause cannot be caught is the few instructions between the proof and the
/// rename.
class QueueLock
{
public:
    using Logger = std::function<void(const QString &)>;

    /// `log` receives a line when this lock breaks one left by a crash.
    explicit QueueLock(const QString &queuePath, Logger log = {});
    ~QueueLock();
    QueueLock(const QueueLock &) = delete;
    QueueLock &operator=(const QueueLock &) = delete;

    /// Takes the lock, waiting while another holds it. Within a hold this process has already,
    /// proves that the hold is still its own.
    bool acquire(Failure &failure);
    /// Gives the lock up; the outermost release removes the lock file if it is still ours.
    void release();

    /// Writes `bytes` as the new queue file through the lock this process holds (taking it for
    /// the moment when it does not).
    static bool commit(const QString &queuePath, const QByteArray &bytes, Failure &failure);

    /// How long to wait for a busy lock, and how long a waiter must watch a lock unchanged
    /// before it counts as left by a crash (tests shorten both).
    static void setTimeouts(int waitMilliseconds, int staleMilliseconds);
    static void resetTimeouts();

    static QString lockPathFor(const QString &queuePath);

    /// A number that names this process's current hold of the lock beside `queuePath`, the
    /// same for as long as the hold lasts; 0 when it holds none.
    static quint64 holdHere(const QString &queuePath);

    /// True when the lock beside `queuePath` exists and its holder, on this machine, has ended,
    /// so the next change will break it; `reason` says why, or who holds it.
    static bool isStale(const QString &queuePath, QString *reason = nullptr);

    /// Called at every pause while a change waits for a busy lock (`true`), and once when the
    /// wait ends (`false`), so a program can keep its windows painting and show the wait.
    using WaitHook = std::function<void(bool waiting)>;
    static void setWaitHook(WaitHook hook);

private:
    QString m_queuePath;
    QString m_lockPath;
    Logger m_log;
    bool m_held = false;
};
