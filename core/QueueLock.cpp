#include "QueueLock.h"

#include <map>
#include <QLockFile>

#include <memory>

namespace {
int waitMilliseconds = 12000;
int staleMilliseconds = 10000;

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

bool QueueLock::acquire(Failure &failure)
{
    if (m_held)
        return true;
    HeldLock &held = heldLocks()[m_lockPath];
    if (held.depth == 0) {
        auto file = std::make_unique<QLockFile>(m_lockPath);
        file->setStaleLockTime(staleMilliseconds);
        if (!file->tryLock(waitMilliseconds)) {
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
