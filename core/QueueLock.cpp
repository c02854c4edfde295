#include "QueueLock.h"

#include <QDeadlineTimer>
#include <QLockFile>
#include <QRandomGenerator>
#include <QThread>

#include <map>
#include <memory>

namespace {
// A live holder keeps the lock for milliseconds, or up to a database's busy timeout during a
// sign-out; only a lock well older than that is taken for one left by a crash elsewhere.
constexpr int DefaultWaitMilliseconds = 15000;
constexpr int DefaultStaleMilliseconds = 30000;
int waitMilliseconds = DefaultWaitMilliseconds;
int staleMilliseconds = DefaultStaleMilliseconds;

struct HeldLock
{
    std::unique_ptr<QLockFile> file;
    int depth = 0;
};

std::map<QString, HeldLock> &heldLocks()
{
    static std::map<QString, HeldLock> locks;
    return locks;
}

/// QLockFile's own wait doubles its pause up to seconds, so an instance that has waited long
/// loses every turn to newcomers on a busy queue; short polls give it the same chances as them.
bool tryLockFairly(QLockFile &file, int waitMilliseconds)
{
    const QDeadlineTimer deadline(waitMilliseconds);
    while (!file.tryLock(0)) {
        if (file.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(5 + QRandomGenerator::global()->bounded(20));
    }
    return true;
}
} // namespace

QueueLock::QueueLock(const QString &queuePath) : m_lockPath(lockPathFor(queuePath)) {}

QueueLock::~QueueLock()
{
    release();
}

QString QueueLock::lockPathFor(const QString &queuePath)
{
    return queuePath + QStringLiteral(".lock");
}

void QueueLock::setTimeouts(int wait, int stale)
{
    waitMilliseconds = wait;
    staleMilliseconds = stale;
}

void QueueLock::resetTimeouts()
{
    setTimeouts(DefaultWaitMilliseconds, DefaultStaleMilliseconds);
}

bool QueueLock::acquire(Failure &failure)
{
    if (m_held)
        return true;
    HeldLock &held = heldLocks()[m_lockPath];
    if (held.depth == 0) {
        auto file = std::make_unique<QLockFile>(m_lockPath);
        file->setStaleLockTime(staleMilliseconds);
        if (!tryLockFairly(*file, waitMilliseconds)) {
            heldLocks().erase(m_lockPath);
            failure = {FailureNumber::FileLocked,
                       file->error() == QLockFile::LockFailedError
                           ? QStringLiteral("The queue file is in use by another workstation. "
                                            "Please try again.")
                           : QStringLiteral("The queue lock file could not be created.")};
            return false;
        }
        held.file = std::move(file);
    }
    ++held.depth;
    m_held = true;
    return true;
}

void QueueLock::release()
{
    if (!m_held)
        return;
    m_held = false;
    auto it = heldLocks().find(m_lockPath);
    if (it != heldLocks().end() && --it->second.depth == 0)
        heldLocks().erase(it); // unlocks
}
