#include "QueueLock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {
// A live holder keeps the lock for milliseconds, or up to a database's busy timeout during a
// sign-out; only a lock well older than that is taken for one left by a crash elsewhere.
constexpr int DefaultWaitMilliseconds = 15000;
constexpr int DefaultStaleMilliseconds = 30000;
// A live holder names itself within a moment of creating the lock, and writes the new queue
// within a moment of starting to: a lock that says nothing for this long was left by a crash.
constexpr int SilentLockMilliseconds = 2000;
int waitMilliseconds = DefaultWaitMilliseconds;
int staleMilliseconds = DefaultStaleMilliseconds;
QueueLock::WaitHook waitHook;

struct HeldLock
{
    int fd = -1;
    int depth = 0;
    quint64 hold = 0;            // names this hold, for what is kept for its length
    bool renamed = false;        // committed: the lock file is now the queue file
    bool renameOnCommit = false; // the next commit ends every hold
};

std::map<QString, HeldLock> &heldLocks()
{
    static std::map<QString, HeldLock> locks;
    return locks;
}

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString systemError(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// This machine, as a holder names it: its unique id, or its name where it has none.
const QByteArray &machineIdentity()
{
    static const QByteArray identity = [] {
        const QByteArray id = QSysInfo::machineUniqueId();
        return id.isEmpty() ? QSysInfo::machineHostName().toUtf8() : id;
    }();
    return identity;
}

/// The holder's own record at the start of a fresh lock file (the layout of `QLockFile`'s).
const QByteArray &holderRecord()
{
    static const QByteArray record = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                                     QCoreApplication::applicationName().toUtf8() + '\n' +
                                     QSysInfo::machineHostName().toUtf8() + '\n' +
                                     machineIdentity() + '\n';
    return record;
}

struct Holder
{
    bool named = false; // false: the lock is empty or half-written
    qint64 pid = 0;
    QByteArray host;
    bool thisMachine = false;
};

// The holder's record also goes into an extended attribute, where the file system keeps them:
// it survives the new content, so a holder killed while writing it is known at once too.
constexpr const char *HolderAttribute = "user.quorvel.holder";

Holder parseHolder(const QByteArray &record)
{
    const QList<QByteArray> lines = record.split('\n');
    Holder holder;
    if (lines.size() < 5 || !lines[4].isEmpty())
        return holder;
    bool numeric = false;
    holder.pid = lines[0].toLongLong(&numeric);
    holder.named = numeric && holder.pid > 0 && !lines[3].isEmpty();
    holder.host = lines[2];
    holder.thisMachine = holder.named && lines[3] == machineIdentity();
    return holder;
}

Holder readHolder(int fd)
{
    char buffer[512];
    ssize_t size = ::pread(fd, buffer, sizeof buffer, 0);
    const Holder holder = parseHolder(QByteArray(buffer, size > 0 ? size : 0));
    if (holder.named)
        return holder;
    size = ::fgetxattr(fd, HolderAttribute, buffer, sizeof buffer);
    return parseHolder(QByteArray(buffer, size > 0 ? size : 0));
}

bool processAlive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

/// The file system's own lock, held by a live holder and dropped by the kernel when it dies.
bool lockDescriptor(int fd)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

enum class FileLock
{
    Held,
    Free,
    Unknown // the file system keeps no such locks here
};

FileLock fileLockOf(int fd)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &lock) != 0)
        return FileLock::Unknown;
    return lock.l_type == F_UNLCK ? FileLock::Free : FileLock::Held;
}

qint64 milliseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

/// A file touched for a moment beside the lock, to read the folder's clock.
QString clockPathFor(const QString &lockPath)
{
    return lockPath + QStringLiteral(".clock");
}

/// The age of the lock on the clock of the folder it lies in: its modification time against
/// that of a file touched there just now. A share stamps both with its own clock.
bool ageOnFolderClock(int fd, const QString &lockPath, qint64 &age)
{
    struct stat lockStat = {};
    if (::fstat(fd, &lockStat) != 0)
        return false;
    const QByteArray probePath = nativePath(clockPathFor(lockPath));
    const int probe = ::open(probePath.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (probe < 0)
        return false;
    struct stat probeStat = {};
    const bool stamped = ::futimens(probe, nullptr) == 0 && ::fstat(probe, &probeStat) == 0;
    ::close(probe);
    ::unlink(probePath.constData());
    age = milliseconds(probeStat.st_mtim) - milliseconds(lockStat.st_mtim);
    return stamped;
}

/// Whether the lock open at `fd` was left by a holder that is gone; `reason` says why.
bool holderIsGone(int fd, const QString &lockPath, QString &reason)
{
    const FileLock fileLock = fileLockOf(fd);
    if (fileLock == FileLock::Held)
        return false;
    const Holder holder = readHolder(fd);
    if (holder.thisMachine && !processAlive(holder.pid)) {
        reason =
            QStringLiteral("its holder, process %1 on this machine, has ended").arg(holder.pid);
        return true;
    }
    qint64 age = 0;
    if (!ageOnFolderClock(fd, lockPath, age))
        return false;
    if (!holder.named) {
        if (age < std::min(SilentLockMilliseconds, staleMilliseconds))
            return false;
        reason = QStringLiteral("it is empty or half-written and %1 s old").arg(age / 1000.0);
        return true;
    }
    // Where the file system's locks may not reach across machines, age is all there is; a lock
    // dated far in the share's future was not stamped by its clock and counts the same.
    if (std::abs(age) < staleMilliseconds)
        return false;
    reason = QStringLiteral("its holder, process %1 on %2, left it %3 s ago on the share's clock")
                 .arg(holder.pid)
                 .arg(QString::fromUtf8(holder.host))
                 .arg(age / 1000.0);
    return true;
}

bool sameFile(int fd, const QByteArray &path)
{
    struct stat open = {}, named = {};
    return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

QString nextPathFor(const QString &queuePath)
{
    return queuePath + QStringLiteral(".new");
}

/// Breaks the lock beside `queuePath` when its holder is gone, with what a crashed change left.
/// True when the lock is gone now (broken here or released meanwhile), so creating it may be
/// tried again at once.
bool breakIfStale(const QString &queuePath, const QueueLock::Logger &log)
{
    const QString lockPath = QueueLock::lockPathFor(queuePath);
    const QByteArray path = nativePath(lockPath);
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    QString reason;
    bool broken = false;
    // Only one breaker may take the dead holder's file lock, and it breaks only the file the
    // path still names: another breaker may have replaced it with a live lock meanwhile.
    if (holderIsGone(fd, lockPath, reason) &&
        (lockDescriptor(fd) || fileLockOf(fd) == FileLock::Unknown) && sameFile(fd, path)) {
        ::unlink(nativePath(nextPathFor(queuePath)).constData());
        ::unlink(nativePath(clockPathFor(lockPath)).constData());
        broken = ::unlink(path.constData()) == 0;
        if (broken && log)
            log(QStringLiteral("[QueueLock] Broke the stale lock %1: %2").arg(lockPath, reason));
    }
    ::close(fd);
    return broken;
}

class WaitIndication
{
public:
    void pause()
    {
        m_waited = true;
        if (waitHook)
            waitHook(true);
    }
    ~WaitIndication()
    {
        if (m_waited && waitHook)
            waitHook(false);
    }

private:
    bool m_waited = false;
};

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (written < 0 && errno != EINTR)
            return false;
        done += written > 0 ? written : 0;
    }
    return ::ftruncate(fd, off_t(bytes.size())) == 0;
}

/// Gives the new file the queue file's permissions, as an editor's save would.
void keepPermissions(int fd, const QByteArray &queuePath)
{
    struct stat queue = {};
    if (::stat(queuePath.constData(), &queue) == 0)
        ::fchmod(fd, queue.st_mode & 07777);
}

/// Writes, syncs and renames the file at `fd` over the queue file; false with `failure` set.
bool replaceQueue(int fd, const QByteArray &from, const QByteArray &queuePath,
                  const QByteArray &bytes, Failure &failure)
{
    keepPermissions(fd, queuePath);
    if (writeAll(fd, bytes) && ::fdatasync(fd) == 0) {
        ::fremovexattr(fd, HolderAttribute); // the queue file has no holder
        if (::rename(from.constData(), queuePath.constData()) == 0)
            return true;
    }
    failure = {FailureNumber::PathAccess,
               QStringLiteral("The queue file could not be written: ") + systemError()};
    return false;
}
} // namespace

QueueLock::QueueLock(const QString &queuePath, Logger log)
    : m_queuePath(queuePath), m_lockPath(lockPathFor(queuePath)), m_log(std::move(log))
{
}

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

void QueueLock::setWaitHook(WaitHook hook)
{
    waitHook = std::move(hook);
}

bool QueueLock::isStale(const QString &queuePath, QString *reason)
{
    const QString lockPath = lockPathFor(queuePath);
    const int fd = ::open(nativePath(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QString why;
    const bool stale = holderIsGone(fd, lockPath, why);
    ::close(fd);
    if (reason)
        *reason = why;
    return stale;
}

bool QueueLock::acquire(Failure &failure)
{
    if (m_held)
        return true;
    if (heldLocks()[m_lockPath].depth == 0) {
        const int fd = createLock(failure);
        if (fd < 0) {
            heldLocks().erase(m_lockPath);
            return false;
        }
        static quint64 holds = 0;
        heldLocks()[m_lockPath] = {fd, 0, ++holds};
    }
    ++heldLocks()[m_lockPath].depth;
    m_held = true;
    return true;
}

int QueueLock::createLock(Failure &failure) const
{
    const QByteArray path = nativePath(m_lockPath);
    const QDeadlineTimer deadline(waitMilliseconds);
    WaitIndication indication;
    for (;;) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            lockDescriptor(fd);
            const QByteArray &holder = holderRecord();
            ::fsetxattr(fd, HolderAttribute, holder.constData(), size_t(holder.size()), 0);
            if (::pwrite(fd, holder.constData(), size_t(holder.size()), 0) < 0 && m_log)
                m_log(QStringLiteral("[QueueLock] Could not name this holder in the lock: ") +
                      systemError());
            return fd;
        }
        if (errno != EEXIST) {
            failure = {FailureNumber::PathAccess,
                       QStringLiteral("The queue lock file could not be created: ") +
                           systemError()};
            return -1;
        }
        if (breakIfStale(m_queuePath, m_log))
            continue;
        if (deadline.hasExpired()) {
            failure = {FailureNumber::FileLocked,
                       QStringLiteral("The queue file is in use by another workstation. "
                                      "Please try again.")};
            return -1;
        }
        // Short polls give a long waiter the same chances as newcomers.
        indication.pause();
        QThread::msleep(5 + QRandomGenerator::global()->bounded(20));
    }
}

void QueueLock::release()
{
    if (!m_held)
        return;
    m_held = false;
    auto it = heldLocks().find(m_lockPath);
    if (it == heldLocks().end() || --it->second.depth > 0)
        return;
    const HeldLock &held = it->second;
    const QByteArray path = nativePath(m_lockPath);
    // Unlinked while still locked, so nobody takes it for a dead holder's in between; a lock
    // broken by another workstation meanwhile is no longer ours to remove.
    if (!held.renamed && sameFile(held.fd, path))
        ::unlink(path.constData());
    if (held.fd >= 0)
        ::close(held.fd);
    heldLocks().erase(it);
}

quint64 QueueLock::holdHere(const QString &queuePath)
{
    const auto it = heldLocks().find(lockPathFor(queuePath));
    return it == heldLocks().end() || it->second.renamed ? 0 : it->second.hold;
}

void QueueLock::releaseWithNextCommit()
{
    auto it = heldLocks().find(m_lockPath);
    if (m_held && it != heldLocks().end())
        it->second.renameOnCommit = true;
}

bool QueueLock::commit(const QString &queuePath, const QByteArray &bytes, Failure &failure)
{
    const QString lockPath = lockPathFor(queuePath);
    auto it = heldLocks().find(lockPath);
    if (it == heldLocks().end()) {
        QueueLock lock(queuePath);
        return lock.acquire(failure) && commit(queuePath, bytes, failure);
    }
    HeldLock &held = it->second;
    if (held.renamed) {
        failure = {FailureNumber::FileLocked,
                   QStringLiteral("The queue lock was given up by an earlier save of this hold; "
                                  "nothing was written.")};
        return false;
    }
    const QByteArray queue = nativePath(queuePath);
    const QByteArray path = nativePath(lockPath);
    if (!sameFile(held.fd, path)) {
        failure = {FailureNumber::FileLocked,
                   QStringLiteral("The queue lock was broken by another workstation; nothing "
                                  "was written.")};
        return false;
    }
    if (held.depth == 1 || held.renameOnCommit) {
        if (!replaceQueue(held.fd, path, queue, bytes, failure))
            return false;
        held.renamed = true;
        ::close(held.fd);
        held.fd = -1;
        return true;
    }
    // A longer sequence still holds the lock: the new content goes through a file of its own.
    const QByteArray next = nativePath(nextPathFor(queuePath));
    const int fd = ::open(next.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        failure = {FailureNumber::PathAccess,
                   QStringLiteral("The queue file could not be written: ") + systemError()};
        return false;
    }
    const bool replaced = replaceQueue(fd, next, queue, bytes, failure);
    ::close(fd);
    if (!replaced)
        ::unlink(next.constData());
    return replaced;
}
