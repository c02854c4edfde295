#pragma once

#include "Failure.h"

#include <QString>

/// The exclusive lock file beside the queue file that serialises every load-change-save across
/// all instances on all workstations. Re-entrant within one process, so a sequence that holds it
/// (a take, a sign-out) can run the single operations inside. Locks of crashed instances are
/// broken; a lock held too long by a live one makes `acquire` fail instead of hanging.
class QueueLock
{
public:
    explicit QueueLock(const QString &queuePath);
    ~QueueLock();
    QueueLock(const QueueLock &) = delete;
    QueueLock &operator=(const QueueLock &) = delete;

    bool acquire(Failure &failure);
    void release();

    /// How long to wait for a busy lock, and when a lock counts as left by a crash (tests).
    static void setTimeouts(int waitMilliseconds, int staleMilliseconds);
    static void resetTimeouts();

    static QString lockPathFor(const QString &queuePath);

private:
    QString m_lockPath;
    bool m_held = false;
};
