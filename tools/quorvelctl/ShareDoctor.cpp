#include "ShareDoctor.h"

#include "LockRecord.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Long enough for a probe held elsewhere to count up its beat at least twice.
constexpr int BeatMilliseconds = 1000;
constexpr int WatchMilliseconds = 2500;

QString probePath(const SystemParameters &params)
{
    return joinPath(params.dataPath, QStringLiteral(".doctor-probe"));
}

char heldProbe[4096];

void removeProbeAndEnd(int)
{
    ::unlink(heldProbe);
    ::_exit(130);
}

QByteArray readProbe(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? file.read(4096) : QByteArray();
}

/// Whether the file system's lock taken on the probe elsewhere shows here.
bool fileLockSeen(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    const bool seen = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return seen;
}

/// Whether an exclusive create of the probe, which exists elsewhere, is refused here.
bool exclusiveCreateRefused(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    // A share may say EPERM or EACCES for a file that is there.
    return errno == EEXIST ||
           ((errno == EPERM || errno == EACCES) && ::access(path.constData(), F_OK) == 0);
}

FolderDoctor::Check acrossDesks(const SystemParameters &params)
{
    const QString subject = QStringLiteral("locks across desks");
    const QByteArray path = QFile::encodeName(probePath(params));
    const QByteArray first = readProbe(path);
    const std::optional<LockRecord> holder = LockRecord::parse(first);
    if (!holder)
        return {subject,
                {},
                QStringLiteral("not checked: run quorvelctl doctor --hold on another "
                               "workstation, then doctor here within a minute")};
    if (holder->holderEnded()) {
        ::unlink(path.constData());
        return {subject,
                {},
                QStringLiteral("not checked: a probe left by an ended doctor --hold was removed")};
    }
    const QString who = holder->holderText();
    if (!exclusiveCreateRefused(path))
        return {subject,
                QStringLiteral("the probe held by %1 could be made again here: exclusive create "
                               "does not reach across workstations, so two could hold the queue "
                               "lock at once; serve the folder from a file server whose shares "
                               "keep O_EXCL (NFS 3 or later, SMB)")
                    .arg(who),
                {}};
    const bool locksSeen = fileLockSeen(path);
    QThread::msleep(WatchMilliseconds);
    if (readProbe(path) == first)
        return {subject,
                QStringLiteral("the probe held by %1 did not change here for %2 s: this "
                               "workstation does not see another's writes at once (a file cache "
                               "of the share), so it would take a live queue lock for abandoned; "
                               "mount the share without caching file content (sshfs -o cache=no, "
                               "NFS without nocto, CIFS cache=none or strict)")
                    .arg(who)
                    .arg(WatchMilliseconds / 1000.0),
                {}};
    return {subject,
            {},
            QStringLiteral("the probe held by %1: exclusive create refused here, its changes seen "
                           "here; file locks %2")
                .arg(who, locksSeen ? QStringLiteral("reach here too")
                                    : QStringLiteral("do not reach here (the queue does not "
                                                     "need them)"))};
}

FolderDoctor::Check shareType(const SystemParameters &params,
                              const FolderDoctor::MountTable &mounts)
{
    const QString subject = QStringLiteral("share type");
    const FolderDoctor::Mount mount =
        FolderDoctor::mountHolding(QFileInfo(params.dataPath).canonicalFilePath(), mounts);
    const QString problem = ShareDoctor::unsafeShare(mount);
    return {subject, problem, problem.isEmpty() ? mount.type : QString()};
}
} // namespace

namespace ShareDoctor {

QString unsafeShare(const FolderDoctor::Mount &mount)
{
    const auto has = [&](const char *option) {
        return mount.options.contains(QLatin1String(option));
    };
    if (mount.type.startsWith(QLatin1String("fuse"))) {
        return QStringLiteral(
                   "%1 is a FUSE share: its file locks stay on each workstation and its cache "
                   "options cannot be judged from here; mount it without caching (sshfs -o "
                   "cache=no) and check with doctor --hold from another workstation, or better "
                   "serve the folder over NFS or SMB")
            .arg(mount.type);
    }
    if (mount.type.startsWith(QLatin1String("nfs"))) {
        for (const QString &option : mount.options) {
            if (option == QLatin1String("nolock") ||
                (option.startsWith(QLatin1String("local_lock=")) &&
                 option != QLatin1String("local_lock=none")))
                return QStringLiteral("NFS mounted %1: file locks stay on this workstation; "
                                      "remount without it (local_lock=none)")
                    .arg(option);
        }
    }
    if ((mount.type == QLatin1String("cifs") || mount.type == QLatin1String("smb3")) &&
        has("nobrl"))
        return QStringLiteral("CIFS mounted nobrl: byte-range locks stay on this workstation; "
                              "remount without nobrl");
    return {};
}

QList<FolderDoctor::Check> checks(const SystemParameters &params,
                                  const FolderDoctor::MountTable &mounts)
{
    return {shareType(params, mounts), acrossDesks(params)};
}

bool holdProbe(const SystemParameters &params, int seconds, QTextStream &out)
{
    const QByteArray path = QFile::encodeName(probePath(params));
    const int fd = ::open(path.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) {
        out << "The probe " << probePath(params) << " cannot be made: " << std::strerror(errno)
            << " (another doctor --hold may hold it)\n";
        out.flush();
        return false;
    }
    qstrncpy(heldProbe, path.constData(), sizeof heldProbe);
    std::signal(SIGINT, removeProbeAndEnd);
    std::signal(SIGTERM, removeProbeAndEnd);
    std::signal(SIGHUP, removeProbeAndEnd);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_OFD_SETLK, &lock);
    out << "Holding the probe " << probePath(params) << " for " << seconds
        << " s: run quorvelctl doctor on the other workstations now.\n";
    out.flush();
    LockRecord record = LockRecord::mine();
    for (int beat = 0; beat <= seconds * 1000 / BeatMilliseconds; ++beat) {
        record.beat = quint64(beat);
        const QByteArray bytes = record.bytes();
        if (::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size())
            ::fdatasync(fd);
        QThread::msleep(BeatMilliseconds);
    }
    ::unlink(path.constData());
    ::close(fd);
    out << "The probe is removed.\n";
    return true;
}

} // namespace ShareDoctor
