#include "QueueLock.h"

#include "LockRecord.h"
#include "LockWake.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
// A live holder keeps the lock for milliseconds; a waiter must be able to watch a lock left by
// a crash on another workstation for the stale time before the wait runs out.
constexpr int DefaultWaitMilliseconds = 45000;
constexpr int DefaultStaleMilliseconds = 30000;
int waitMilliseconds = DefaultWaitMilliseconds;
int staleMilliseconds = DefaultStaleMilliseconds;
QueueLock::WaitHook waitHook;

using Clock = std::chrono::steady_clock;

qint64 millisecondsSince(Clock::time_point moment)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - moment).count();
}

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString systemError(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// What the path names now, read afresh; empty when there is no such file.
QByteArray readNow(const QByteArray &path, int *error = nullptr)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errno;
        return {};
    }
    char buffer[1024];
    const ssize_t size = ::pread(fd, buffer, sizeof buffer, 0);
    ::close(fd);
    return QByteArray(buffer, size > 0 ? size : 0);
}

QByteArray tokenIn(const QByteArray &lockBytes)
{
    const std::optional<LockRecord> record = LockRecord::parse(lockBytes);
    return record ? record->token : QByteArray();
}

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
    return true;
}

/// Counts up the beat in every lock this process holds, from a thread of its own, so that the
/// lock of a holder that waits (for a database, for a slow share) never looks abandoned.
class Refresher
{
public:
    static Refresher &instance()
    {
        static auto *refresher = new Refresher; // never destroyed: its thread outlives main()
        return *refresher;
    }

    void add(const QByteArray &lockPath, int fd, const LockRecord &record)
    {
        std::lock_guard guard(m_mutex);
        if (m_threadOf != ::getpid()) { // a forked child has no thread yet
            m_threadOf = ::getpid();
            m_entries.clear();
            std::thread([this] { run(); }).detach();
        }
        m_entries[lockPath] = {fd, record, Clock::now()};
    }

    void remove(const QByteArray &lockPath)
    {
        std::lock_guard guard(m_mutex);
        m_entries.erase(lockPath);
    }

    /// Writes the next beat now unless one was written within a third of the stale time, so a
    /// proof that follows leaves every watcher most of the stale time.
    void keepFresh(const QByteArray &lockPath)
    {
        std::lock_guard guard(m_mutex);
        const auto it = m_entries.find(lockPath);
        if (it != m_entries.end() && millisecondsSince(it->second.written) > staleMilliseconds / 3)
            beat(it->second);
    }

private:
    struct Entry
    {
        int fd;
        LockRecord record;
        Clock::time_point written;
    };

    static qint64 interval() { return std::max(staleMilliseconds / 6, 20); }

    // Written through the holder's own descriptor: a lock broken and made anew by another is a
    // different file, which a late beat cannot touch. Synced, so that a share's other clients
    // see it.
    static void beat(Entry &entry)
    {
        ++entry.record.beat;
        writeAll(entry.fd, entry.record.bytes());
        ::fdatasync(entry.fd);
        entry.written = Clock::now();
    }

    void run()
    {
        std::unique_lock guard(m_mutex);
        for (;;) {
            m_wake.wait_for(guard, std::chrono::milliseconds(interval()));
            for (auto &[path, entry] : m_entries)
                if (millisecondsSince(entry.written) >= interval())
                    beat(entry);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<QByteArray, Entry> m_entries;
    pid_t m_threadOf = 0;
};

/// One spelling of a queue file's path, so that every hold of it in this process meets: a
/// database beside it names the folder in its own way.
QString samePath(const QString &queuePath)
{
    return QDir::cleanPath(QFileInfo(queuePath).absoluteFilePath());
}

struct Hold
{
    int fd = -1; // the lock file this process made
    int depth = 0;
    quint64 number = 0;
    QByteArray token;
};

std::map<QString, Hold> &holds()
{
    static std::map<QString, Hold> held;
    return held;
}

/// The files of one change, named by its holder's token so no one else uses the name: the new
/// queue, a lock being made, a lock set aside to be broken.
QString ownFile(const QString &queuePath, const char *kind, const QByteArray &token)
{
    return queuePath + QLatin1Char('.') + QLatin1String(kind) + QLatin1Char('-') +
           QString::fromLatin1(token);
}

/// Removes the files of changes whose holders lost or left the lock: only the lock holder calls
/// it, so none of them belongs to a live change, and one that does fails its rename and writes
/// nothing.
void sweepLeftovers(const QString &queuePath, const QByteArray &ownToken)
{
    const QFileInfo queue(queuePath);
    const QRegularExpression leftover(QLatin1Char('^') +
                                      QRegularExpression::escape(queue.fileName()) +
                                      QStringLiteral("\\.(new|lock|broken|peek)-[0-9a-f]{32}$"));
    DIR *dir = ::opendir(nativePath(queue.absolutePath()).constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        const bool own = !ownToken.isEmpty() && name.endsWith(QString::fromLatin1(ownToken));
        if (leftover.match(name).hasMatch() && !own)
            ::unlink(nativePath(queue.absolutePath() + QLatin1Char('/') + name).constData());
    }
    ::closedir(dir);
}

enum class Created
{
    Yes,
    Busy,
    Again, // nothing learnt: try at once
    Failed
};

bool busyWhere(const QByteArray &lockPath)
{
    return ::access(lockPath.constData(), F_OK) == 0;
}

/// How a lock file comes into being whole in this folder: an unnamed file given its name in one
/// step where the file system can, else a file of this holder's own linked to the lock's name,
/// else an exclusive create (which a crash may leave empty).
enum class Making
{
    Unnamed,
    Linked,
    Exclusive
};

std::map<QString, Making> &makingByFolder()
{
    static std::map<QString, Making> making;
    return making;
}

Created failedWith(int error, const QByteArray &lockPath, int &errorOut)
{
    // A share may refuse a create or link over an existing file with EPERM or EACCES.
    if ((error == EPERM || error == EACCES) && busyWhere(lockPath))
        return Created::Busy;
    errorOut = error;
    return Created::Failed;
}

/// One try at making the lock file with `bytes` in it; `fd` is its descriptor then.
Created makeLock(const QString &queuePath, const QByteArray &bytes, const QByteArray &token,
                 int &fd, int &error)
{
    const QString folder = QFileInfo(queuePath).absolutePath();
    const QByteArray lockPath = nativePath(QueueLock::lockPathFor(queuePath));
    Making &making = makingByFolder().try_emplace(folder, Making::Unnamed).first->second;
    if (making == Making::Unnamed) {
        fd = ::open(nativePath(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
            if (writeAll(fd, bytes) && ::linkat(AT_FDCWD, self.constData(), AT_FDCWD,
                                                lockPath.constData(), AT_SYMLINK_FOLLOW) == 0)
                return Created::Yes;
            const int linkError = errno;
            ::close(fd);
            fd = -1;
            if (linkError == EEXIST)
                return Created::Busy;
            if (linkError != ENOENT && linkError != EPERM && linkError != EOPNOTSUPP &&
                linkError != EXDEV)
                return failedWith(linkError, lockPath, error);
        } else if (errno == EACCES || errno == EROFS) {
            return failedWith(errno, lockPath, error);
        }
        making = Making::Linked;
    }
    if (making == Making::Linked) {
        const QByteArray own = nativePath(ownFile(queuePath, "lock", token));
        fd = ::open(own.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
        if (fd < 0)
            return failedWith(errno, lockPath, error);
        if (!writeAll(fd, bytes) || ::fdatasync(fd) != 0) {
            error = errno;
            ::close(fd);
            ::unlink(own.constData());
            fd = -1;
            return Created::Failed;
        }
        const bool linked = ::link(own.constData(), lockPath.constData()) == 0;
        const int linkError = errno;
        ::unlink(own.constData());
        if (linked)
            return Created::Yes;
        ::close(fd);
        fd = -1;
        if (linkError == EEXIST || busyWhere(lockPath))
            return Created::Busy;
        if (linkError == ENOENT) // swept away by the holder meanwhile
            return Created::Again;
        if (linkError != EPERM && linkError != EOPNOTSUPP && linkError != ENOSYS)
            return failedWith(linkError, lockPath, error);
        making = Making::Exclusive;
    }
    fd = ::open(lockPath.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? Created::Busy : failedWith(errno, lockPath, error);
    writeAll(fd, bytes);
    ::fdatasync(fd);
    return Created::Yes;
}

/// The lock's bytes as the file server has them now. Where the folder is a share, reading a
/// path another workstation has just given to a new file can still show the old one's bytes
/// for a while: the lock is then read through a name of this reader's own, linked to it just
/// now.
QByteArray readFresh(const QString &queuePath)
{
    const QByteArray lockPath = nativePath(QueueLock::lockPathFor(queuePath));
    if (makingByFolder()[QFileInfo(queuePath).absolutePath()] == Making::Unnamed)
        return readNow(lockPath);
    const QByteArray peek = nativePath(ownFile(queuePath, "peek", newLockToken()));
    if (::link(lockPath.constData(), peek.constData()) != 0)
        return errno == ENOENT ? QByteArray() : readNow(lockPath);
    const QByteArray bytes = readNow(peek);
    ::unlink(peek.constData());
    return bytes;
}

/// A lock as one waiter has watched it: the bytes it last read and since when they have not
/// changed, on this waiter's own monotonic clock.
struct Watch
{
    QByteArray bytes;
    Clock::time_point since;
    bool started = false;
};

/// Why the lock with `bytes`, watched as `watch`, is left by a holder that is gone; empty when
/// it is not (or not yet) known to be.
QString staleReason(const QByteArray &bytes, const Watch &watch)
{
    const std::optional<LockRecord> record = LockRecord::parse(bytes);
    if (record && record->holderEnded())
        return QStringLiteral("its holder, %1, has ended").arg(record->holderText());
    const qint64 unchanged = millisecondsSince(watch.since);
    if (!watch.started || unchanged < staleMilliseconds)
        return {};
    return QStringLiteral("it has not changed for %1 s (%2)")
        .arg(unchanged / 1000.0)
        .arg(record ? QStringLiteral("its holder was ") + record->holderText()
                    : QStringLiteral("its holder never named itself"));
}

/// Breaks the lock beside `queuePath` when its holder is gone. True when the lock is gone now
/// (broken here or released meanwhile), so making it may be tried again at once.
bool breakIfStale(const QString &queuePath, Watch &watch, const QueueLock::Logger &log)
{
    const QByteArray lockPath = nativePath(QueueLock::lockPathFor(queuePath));
    int error = 0;
    const QByteArray bytes = readNow(lockPath, &error);
    if (bytes.isEmpty() && error == ENOENT)
        return true;
    if (!watch.started || bytes != watch.bytes)
        watch = {bytes, Clock::now(), true};
    if (staleReason(bytes, watch).isEmpty())
        return false;
    // Judged on what the server holds, never on a share's old copy.
    const QByteArray fresh = readFresh(queuePath);
    if (fresh.isEmpty() && ::access(lockPath.constData(), F_OK) != 0)
        return true;
    if (fresh != bytes)
        watch = {fresh, Clock::now(), true};
    const QString reason = staleReason(fresh, watch);
    if (reason.isEmpty())
        return false;
    // The holder was judged after its lock was read: it may have let the lock go and ended in
    // between, and another may hold a new one by now. Only a lock still there after the judgment
    // is the one judged.
    const QByteArray still = readFresh(queuePath);
    if (still != fresh) {
        watch = {still, Clock::now(), true};
        return still.isEmpty() && ::access(lockPath.constData(), F_OK) != 0;
    }
    // Set aside first, then looked at: only the lock judged may go. One made anew meanwhile (by
    // another waiter that broke the same lock first) is put back where the file system allows
    // it; else its holder's proof fails and it writes nothing.
    const QByteArray aside = nativePath(ownFile(queuePath, "broken", newLockToken()));
    if (::rename(lockPath.constData(), aside.constData()) != 0)
        return errno == ENOENT;
    const bool judged = readNow(aside) == fresh;
    if (!judged)
        ::link(aside.constData(), lockPath.constData());
    ::unlink(aside.constData());
    if (!judged)
        return false;
    sweepLeftovers(queuePath, {});
    if (log)
        log(QStringLiteral("[QueueLock] Broke the stale lock %1: %2")
                .arg(QFile::decodeName(lockPath), reason));
    return true;
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

/// Sleeps `milliseconds`, or less once a holder on this machine gives the lock up after the
/// `releases` counted: only one waiter wakes for each release, and one that finds the lock
/// taken again at once (by a desk that did not wait) sleeps on without a try.
void pauseForLock(LockWake *wake, std::uint32_t releases, int milliseconds,
                  const QByteArray &lockPath)
{
    if (!wake) {
        QThread::msleep(milliseconds);
        return;
    }
    const QDeadlineTimer end(milliseconds);
    while (!end.hasExpired()) {
        wake->waitPast(releases, int(end.remainingTime()));
        releases = wake->mark();
        if (!busyWhere(lockPath))
            return;
    }
}

/// Makes the lock file, waiting while another holds it; its descriptor, or -1.
int createLock(const QString &queuePath, const QByteArray &bytes, const QByteArray &token,
               const QueueLock::Logger &log, Failure &failure)
{
    const QDeadlineTimer deadline(waitMilliseconds);
    WaitIndication indication;
    Watch watch;
    int refusals = 0;
    LockWake *wake = nullptr;
    for (;;) {
        // Read before the try, so that a release after it ends the pause below at once.
        const std::uint32_t releases = wake ? wake->mark() : 0;
        int fd = -1, error = 0;
        switch (makeLock(queuePath, bytes, token, fd, error)) {
        case Created::Yes:
            return fd;
        case Created::Again:
            continue;
        case Created::Failed:
            // A share's refusal may name a lock released in between, or a folder it briefly
            // lost sight of.
            if ((error == EPERM || error == EACCES || error == ENOENT) && ++refusals < 5) {
                QThread::msleep(2);
                continue;
            }
            failure = {FailureNumber::PathAccess,
                       QStringLiteral("The queue lock file could not be created: ") +
                           systemError(error)};
            return -1;
        case Created::Busy:
            break;
        }
        refusals = 0;
        if (breakIfStale(queuePath, watch, log))
            continue;
        if (deadline.hasExpired()) {
            failure = {FailureNumber::FileLocked,
                       QStringLiteral("The queue file is in use by another workstation. "
                                      "Please try again.")};
            return -1;
        }
        // Short polls give a long waiter the same chances as newcomers.
        indication.pause();
        if (!wake && (wake = LockWake::of(queuePath, true)))
            continue; // its count is read before the next try
        pauseForLock(wake, releases, 5 + QRandomGenerator::global()->bounded(20),
                     nativePath(QueueLock::lockPathFor(queuePath)));
    }
}

/// Whether the lock beside `queuePath` still holds this hold's token.
bool stillOurs(const QString &queuePath, const Hold &hold)
{
    return tokenIn(readFresh(queuePath)) == hold.token;
}

Failure lockLost()
{
    return {FailureNumber::FileLocked,
            QStringLiteral("The queue lock was taken over by another workstation while this one "
                           "was stopped; the change did not happen.")};
}

/// Gives the new file the queue file's permissions, as an editor's save would.
void keepPermissions(int fd, const QByteArray &queuePath)
{
    struct stat queue = {};
    if (::stat(queuePath.constData(), &queue) == 0)
        ::fchmod(fd, queue.st_mode & 07777);
}
} // namespace

QueueLock::QueueLock(const QString &queuePath, Logger log)
    : m_queuePath(samePath(queuePath)), m_lockPath(lockPathFor(m_queuePath)), m_log(std::move(log))
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
    const std::optional<LockRecord> record =
        LockRecord::parse(readNow(nativePath(lockPathFor(queuePath))));
    const bool ended = record && record->holderEnded();
    if (reason && record)
        *reason = ended ? QStringLiteral("its holder, %1, has ended").arg(record->holderText())
                        : QStringLiteral("held by ") + record->holderText();
    return ended;
}

bool QueueLock::acquire(Failure &failure)
{
    if (m_held)
        return true;
    const auto it = holds().find(m_lockPath);
    if (it != holds().end()) {
        if (!stillOurs(m_queuePath, it->second)) {
            failure = lockLost();
            return false;
        }
        ++it->second.depth;
        m_held = true;
        return true;
    }
    LockRecord record = LockRecord::mine();
    const int fd = createLock(m_queuePath, record.bytes(), record.token, m_log, failure);
    if (fd < 0)
        return false;
    static quint64 holdNumbers = 0;
    holds()[m_lockPath] = {fd, 1, ++holdNumbers, record.token};
    Refresher::instance().add(nativePath(m_lockPath), fd, record);
    if (makingByFolder()[QFileInfo(m_queuePath).absolutePath()] != Making::Unnamed)
        sweepLeftovers(m_queuePath, record.token);
    m_held = true;
    return true;
}

void QueueLock::release()
{
    if (!m_held)
        return;
    m_held = false;
    const auto it = holds().find(m_lockPath);
    if (it == holds().end() || --it->second.depth > 0)
        return;
    const QByteArray path = nativePath(m_lockPath);
    Refresher::instance().remove(path);
    // A lock taken over by another workstation meanwhile is no longer ours to remove.
    if (stillOurs(m_queuePath, it->second)) {
        ::unlink(path.constData());
        if (LockWake *wake = LockWake::of(m_queuePath, false))
            wake->wakeOne();
    }
    ::close(it->second.fd);
    holds().erase(it);
}

quint64 QueueLock::holdHere(const QString &queuePath)
{
    const auto it = holds().find(lockPathFor(samePath(queuePath)));
    return it == holds().end() ? 0 : it->second.number;
}

bool QueueLock::commit(const QString &givenPath, const QByteArray &bytes, Failure &failure)
{
    const QString queuePath = samePath(givenPath);
    const QString lockPath = lockPathFor(queuePath);
    const auto it = holds().find(lockPath);
    if (it == holds().end()) {
        QueueLock lock(queuePath);
        return lock.acquire(failure) && commit(queuePath, bytes, failure);
    }
    const Hold &hold = it->second;
    const QByteArray queue = nativePath(queuePath);
    const QByteArray next = nativePath(ownFile(queuePath, "new", hold.token));
    const int fd = ::open(next.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    bool written = fd >= 0;
    if (written) {
        keepPermissions(fd, queue);
        written = writeAll(fd, bytes) && ::fdatasync(fd) == 0;
        ::close(fd);
    }
    if (!written) {
        failure = {FailureNumber::PathAccess,
                   QStringLiteral("The queue file could not be written: ") + systemError()};
        ::unlink(next.constData());
        return false;
    }
    Refresher::instance().keepFresh(nativePath(lockPath));
    if (!stillOurs(queuePath, hold)) {
        ::unlink(next.constData());
        failure = lockLost();
        return false;
    }
    if (::rename(next.constData(), queue.constData()) != 0) {
        failure = {FailureNumber::PathAccess,
                   QStringLiteral("The queue file could not be written: ") + systemError()};
        ::unlink(next.constData());
        return false;
    }
    return true;
}
