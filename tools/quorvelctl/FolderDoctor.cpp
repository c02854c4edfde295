#include "FolderDoctor.h"

#include "DataFormat.h"
#include "Database.h"
#include "DeskPresence.h"
#include "IniFile.h"
#include "ProgramVersion.h"
#include "QueueDocument.h"
#include "QueueLock.h"
#include "SchemaCheck.h"
#include "ShareDoctor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// The programs poll the change signal this often; a cache that hides a change longer than this
// delays every workstation's view of the queue.
constexpr int PollSeconds = 2;

const char *const requiredPrograms[] = {"harbrin", "quorvelClient"};
const char *const optionalPrograms[] = {"quorvelBoard"};
// What an administrator installs and every desk runs or reads: no office user may change it.
const char *const programFiles[] = {"harbrin", "quorvelClient", "quorvelBoard", "quorvelctl"};
const char *const programFolders[] = {"scripts", "help", "media", "system", "man"};

// File systems of this machine's own disks and memory; every other one is a share.
const char *const localTypes[] = {"ext2", "ext3",  "ext4",     "xfs",   "btrfs",    "zfs",
                                  "f2fs", "jfs",   "reiserfs", "tmpfs", "ramfs",    "overlay",
                                  "vfat", "exfat", "ntfs3",    "ntfs",  "squashfs", "bcachefs"};

qint64 modificationNanoseconds(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

/// A file name of this run's own, so doctors on two workstations at once do not meet.
QString probeName()
{
    return QStringLiteral(".doctor-%1-%2")
        .arg(QSysInfo::machineHostName())
        .arg(QCoreApplication::applicationPid());
}

/// The number of an option "name=N" among `options`; -1 when it is not there.
int optionValue(const QStringList &options, const QString &name)
{
    for (const QString &option : options) {
        if (option.startsWith(name + QLatin1Char('=')))
            return option.mid(name.size() + 1).toInt();
    }
    return -1;
}

/// The first of `names` given among `options`; -1 when none is.
int firstOptionValue(const QStringList &options, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        const int value = optionValue(options, QLatin1String(name));
        if (value >= 0)
            return value;
    }
    return -1;
}

QString unescapedPath(const QByteArray &field)
{
    return QString::fromUtf8(field).replace(QStringLiteral("\\040"), QStringLiteral(" "));
}

bool isLocal(const QString &type)
{
    return std::any_of(std::begin(localTypes), std::end(localTypes),
                       [&type](const char *local) { return type == QLatin1String(local); });
}

bool isSshfs(const QString &type)
{
    return type == QLatin1String("fuse.sshfs") || type == QLatin1String("sshfs");
}

/// The mount point and options of each line of /etc/fstab.
QList<FolderDoctor::Mount> fstabMounts(const QByteArray &fstab)
{
    QList<FolderDoctor::Mount> mounts;
    for (const QByteArray &raw : fstab.split('\n')) {
        const QByteArray line = raw.simplified();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3)
            continue;
        mounts.append(
            {unescapedPath(fields.at(1)), QString::fromUtf8(fields.at(2)),
             fields.size() > 3
                 ? QString::fromUtf8(fields.at(3)).split(QLatin1Char(','), Qt::SkipEmptyParts)
                 : QStringList(),
             true, QString::fromUtf8(fields.at(0))});
    }
    return mounts;
}

/// The mount points of /proc/self/mountinfo with their types and options.
QList<FolderDoctor::Mount> mountedNow(const QByteArray &mountInfo)
{
    QList<FolderDoctor::Mount> mounts;
    for (const QByteArray &line : mountInfo.split('\n')) {
        // id parent dev root mountpoint options [optional...] - type source superoptions
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 6 || dash < 0 || dash + 3 >= fields.size())
            continue;
        mounts.append({unescapedPath(fields.at(4)), QString::fromUtf8(fields.at(dash + 1)),
                       QString::fromUtf8(fields.at(5) + ',' + fields.at(dash + 3))
                           .split(QLatin1Char(','), Qt::SkipEmptyParts),
                       false, QString::fromUtf8(fields.at(dash + 2))});
    }
    return mounts;
}

bool holds(const QString &point, const QString &path)
{
    return path == point || point == QLatin1String("/") ||
           path.startsWith(point + QLatin1Char('/'));
}
} // namespace

FolderDoctor::MountTable FolderDoctor::MountTable::ofThisSystem()
{
    QFile mountInfo(QStringLiteral("/proc/self/mountinfo"));
    QFile fstab(QStringLiteral("/etc/fstab"));
    return {mountInfo.open(QIODevice::ReadOnly) ? mountInfo.readAll() : QByteArray(),
            fstab.open(QIODevice::ReadOnly) ? fstab.readAll() : QByteArray()};
}

QList<FolderDoctor::Check> FolderDoctor::run()
{
    m_checks.clear();
    const QString problem = notAProgramFolder();
    if (!problem.isEmpty()) {
        fail(QStringLiteral("program folder"), problem);
        return m_checks;
    }
    checkPrograms();
    checkProgramFilesProtected();
    checkSettings();
    checkDataFormat();
    // On a server office the folder's queue, signal, databases and lock are what it held
    // before it moved: judging them would only mislead.
    const bool onServer = !m_params.serverConnection.isEmpty();
    if (onServer) {
        pass(
            QStringLiteral("data files"),
            QStringLiteral("not used: the queue, the history and the directory are on the server"));
    } else {
        checkQueueFile();
        checkChangeSignal();
        checkDatabase(QStringLiteral("data/history.mdb"));
        checkDatabase(QStringLiteral("data/systemData.mdb"));
    }
    checkDatabase(QStringLiteral("system/history.mdb"));
    checkFile(QStringLiteral("media/chimes.wav"));
    checkFile(QStringLiteral("help/default.htm"));
    checkWritableFolder(QStringLiteral("data"));
    checkWritableFolder(QStringLiteral("data/archive"));
    checkWritableFolder(QStringLiteral("export"));
    if (!onServer)
        checkQueueLock();
    checkOpenDesks();
    checkFileSystem();
    checkAttributeCache();
    m_checks += ShareDoctor::checks(m_params, m_mounts);
    return m_checks;
}

void FolderDoctor::pass(const QString &subject, const QString &detail)
{
    m_checks.append({subject, {}, detail});
}

void FolderDoctor::fail(const QString &subject, const QString &problem)
{
    m_checks.append({subject, problem, {}});
}

void FolderDoctor::warn(const QString &subject, const QString &problem)
{
    m_checks.append({subject, problem, {}, true});
}

QString FolderDoctor::notAProgramFolder() const
{
    const QString folder = m_params.programFolder;
    if (QFileInfo(m_params.dataPath).isDir())
        return {};
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    const QList<Mount> mounted = mountedNow(m_mounts.mountInfo);
    const auto mountedAt = [&mounted](const QString &point) {
        return std::any_of(mounted.begin(), mounted.end(),
                           [&point](const Mount &m) { return m.point == point; });
    };
    // The longest fstab mount point above the folder that nothing is mounted on.
    Mount missing;
    for (const Mount &entry : fstabMounts(m_mounts.fstab)) {
        if (holds(entry.point, absolute) && entry.point.size() > missing.point.size() &&
            !mountedAt(entry.point))
            missing = entry;
    }
    if (!missing.point.isEmpty())
        return QStringLiteral("not mounted: /etc/fstab mounts %1 on %2, but nothing is mounted "
                              "there; mount it (sudo mount %2) and run doctor again")
            .arg(missing.source, missing.point);
    const QFileInfo info(absolute);
    if (!info.exists())
        return QStringLiteral("%1 does not exist").arg(absolute);
    if (!info.isDir())
        return QStringLiteral("%1 is not a folder").arg(absolute);
    if (::access(QFile::encodeName(absolute).constData(), R_OK | X_OK) != 0)
        return QStringLiteral("%1 cannot be read by %2: %3")
            .arg(absolute, DeskPresence::thisAccount(),
                 QString::fromLocal8Bit(std::strerror(errno)));
    if (QDir(absolute).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        return mountedAt(absolute)
                   ? QStringLiteral("%1 is a share with nothing in it: is it the right share "
                                    "(quorvelctl init lays a program folder out)?")
                         .arg(absolute)
                   : QStringLiteral("%1 is empty: no share is mounted here and no program "
                                    "folder was laid out")
                         .arg(absolute);
    return QStringLiteral("%1 is not a program folder: it has no data folder").arg(absolute);
}

QString FolderDoctor::path(const QString &relativePath) const
{
    return joinPath(m_params.programFolder, relativePath);
}

void FolderDoctor::checkPrograms()
{
    QStringList found, problems;
    auto check = [&](const char *name, bool required) {
        const QFileInfo program(path(QLatin1String(name)));
        if (!program.exists()) {
            if (required)
                problems << QStringLiteral("%1 is missing").arg(QLatin1String(name));
        } else if (!program.isFile() || !program.isExecutable()) {
            problems << QStringLiteral("%1 cannot be run").arg(QLatin1String(name));
        } else {
            found << QLatin1String(name);
        }
    };
    for (const char *name : requiredPrograms)
        check(name, true);
    for (const char *name : optionalPrograms)
        check(name, false);
    if (problems.isEmpty())
        pass(QStringLiteral("programs"), found.join(QStringLiteral(", ")));
    else
        fail(QStringLiteral("programs"),
             problems.join(QStringLiteral(", ")) +
                 QStringLiteral(" (put them here with cmake --install BUILD --prefix FOLDER)"));
}

void FolderDoctor::checkProgramFilesProtected()
{
    const QString subject = QStringLiteral("program files");
    if (::geteuid() == 0) {
        pass(subject, QStringLiteral("not judged as root; run doctor as the office's user"));
        return;
    }
    const auto writable = [](const QString &path) {
        return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
    };
    QStringList open;
    if (writable(m_params.programFolder))
        open << QStringLiteral("the program folder itself");
    for (const char *name : programFiles) {
        if (writable(path(QLatin1String(name))))
            open << QLatin1String(name);
    }
    for (const char *name : programFolders) {
        const QString folder = path(QLatin1String(name));
        bool any = writable(folder);
        for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files))
            any = any || writable(file.filePath());
        if (any)
            open << QLatin1String(name) + QLatin1Char('/');
    }
    if (open.isEmpty()) {
        pass(subject, QStringLiteral("read-only to %1").arg(DeskPresence::thisAccount()));
        return;
    }
    warn(subject, QStringLiteral("%1 can be changed by %2, so anyone working as %2 could replace "
                                 "what every desk runs; give them to an administrator and leave "
                                 "only data/, export/, vedez.ini and the log files writable")
                      .arg(open.join(QStringLiteral(", ")), DeskPresence::thisAccount()));
}

QString FolderDoctor::unreadable(const QString &relativePath) const
{
    QFile file(path(relativePath));
    if (!QFileInfo(file).isFile())
        return QStringLiteral("missing");
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read: ") + file.errorString();
    return {};
}

void FolderDoctor::checkFile(const QString &relativePath)
{
    QString problem = unreadable(relativePath);
    if (problem.isEmpty() && QFileInfo(path(relativePath)).size() == 0)
        problem = QStringLiteral("empty; write it anew with quorvelctl update FOLDER");
    if (problem.isEmpty())
        pass(relativePath);
    else
        fail(relativePath, problem);
}

void FolderDoctor::checkSettings()
{
    const QString subject = QStringLiteral("vedez.ini");
    const QString problem = unreadable(subject);
    if (!problem.isEmpty()) {
        fail(subject, problem + QStringLiteral(": the waiting-time limit reads as 0"));
        return;
    }
    const QString value = IniFile::readString(m_params.iniPath(), QStringLiteral("time"),
                                              QStringLiteral("MaxLimit"), QString());
    const double limit = parseMaxLimit(value);
    if (limit == 0 && !value.trimmed().isEmpty()) {
        warn(subject, QStringLiteral("MaxLimit=%1 is not a number: the programs read it as 0, so "
                                     "every waiting customer counts as overdue; set minutes, "
                                     "e.g. MaxLimit=10")
                          .arg(value));
        return;
    }
    pass(subject, limit > 0
                      ? QStringLiteral("waiting-time limit %1 minutes").arg(limit)
                      : QStringLiteral("no waiting-time limit: every waiting customer is overdue"));
}

void FolderDoctor::checkDataFormat()
{
    const QString subject = QStringLiteral("data format");
    const int format = DataFormat::recorded(m_params.dataPath);
    if (format > DataFormat::Current)
        fail(subject, QStringLiteral("%1, newer than this version (%2) knows (%3): the programs "
                                     "here refuse to write; install the new version")
                          .arg(format)
                          .arg(ProgramVersion::number())
                          .arg(DataFormat::Current));
    else if (format < DataFormat::Current)
        warn(subject, QStringLiteral("%1, older than this version's %2: the first program "
                                     "started, or quorvelctl update, brings it up to date")
                          .arg(format)
                          .arg(DataFormat::Current));
    else
        pass(subject, QString::number(format));
}

void FolderDoctor::checkChangeSignal()
{
    const QString subject = QStringLiteral("data/watchdog.dat");
    const QFileInfo signal(m_params.watchDogPath());
    if (!signal.exists())
        pass(subject, QStringLiteral("not there yet; the first program makes it"));
    else if (!signal.isFile() || !signal.isWritable())
        fail(subject, QStringLiteral("cannot be written: no workstation would see a change"));
    else
        pass(subject);
}

void FolderDoctor::checkQueueFile()
{
    const QString subject = QStringLiteral("data/lobbyData.xml");
    QueueDocument doc;
    if (doc.load(m_params.queuePath) != QueueDocument::LoadState::Loaded) {
        fail(subject, doc.loadFailure().description);
        return;
    }
    if (doc.documentElementName() != QLatin1String("LOBBY")) {
        fail(subject, QStringLiteral("the document element is not LOBBY; the reception will "
                                     "refuse the file as corrupted"));
        return;
    }
    const QList<pugi::xml_node> records = doc.records();
    for (qsizetype i = 0; i < records.size(); ++i) {
        int id = 0;
        if (!QueueDocument::recordId(records.at(i), id)) {
            fail(subject, QStringLiteral("record %1 has no numeric id").arg(i + 1));
            return;
        }
    }
    // A read-only queue file is no fault: every save renames a new file over it.
    pass(subject, records.size() == 1 ? QStringLiteral("1 customer")
                                      : QStringLiteral("%1 customers").arg(records.size()));
}

void FolderDoctor::checkDatabase(const QString &relativePath)
{
    const bool history = relativePath.endsWith(QLatin1String("history.mdb"));
    const QString problem = SchemaCheck::problem(
        path(relativePath), history ? SchemaCheck::historyTables() : SchemaCheck::systemTables());
    if (!problem.isEmpty()) {
        fail(relativePath, problem);
        return;
    }
    // The template is only copied, so it may well be read-only.
    const bool onlyRead = relativePath.startsWith(QLatin1String("system/"));
    if (!onlyRead && !QFileInfo(path(relativePath)).isWritable()) {
        fail(relativePath, QStringLiteral("cannot be written"));
        return;
    }
    pass(relativePath);
}

void FolderDoctor::checkWritableFolder(const QString &relativePath)
{
    const QString subject = relativePath + QStringLiteral("/ writable");
    const QFileInfo folder(path(relativePath));
    if (!folder.isDir()) {
        fail(subject, QStringLiteral("missing"));
        return;
    }
    QFile probe(QDir(folder.filePath()).filePath(probeName()));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(subject, QStringLiteral("cannot be written: ") + probe.errorString());
        return;
    }
    probe.close();
    probe.remove();
    pass(subject);
}

void FolderDoctor::checkQueueLock()
{
    const QString subject = QStringLiteral("queue lock");
    QString reason;
    if (QueueLock::isStale(m_params.queuePath, &reason))
        fail(subject, QStringLiteral("data/lobbyData.xml.lock was left behind (%1); the next "
                                     "change of the queue breaks it")
                          .arg(reason));
    else if (QFileInfo::exists(QueueLock::lockPathFor(m_params.queuePath)))
        pass(subject, QStringLiteral("held by a workstation changing the queue"));
    else
        pass(subject, QStringLiteral("free"));
}

void FolderDoctor::checkOpenDesks()
{
    const QString subject = QStringLiteral("open desks");
    const QFileInfo folder(DeskPresence::folderFor(m_params.dataPath));
    if (!folder.isDir()) {
        pass(subject, QStringLiteral("not kept in this data format"));
        return;
    }
    if (!folder.isWritable()) {
        fail(subject, QStringLiteral("data/desks/ cannot be written: the desks leave no mark, so "
                                     "a restore or an upgrade cannot tell that they are open"));
        return;
    }
    QStringList open;
    for (const DeskPresence::Holder &holder : DeskPresence::holders(m_params.dataPath))
        open << DeskPresence::describe(holder);
    pass(subject, open.isEmpty() ? QStringLiteral("none") : open.join(QStringLiteral("; ")));
}

void FolderDoctor::checkFileSystem()
{
    const QString create = QStringLiteral("exclusive create");
    const QString rename = QStringLiteral("atomic replace");
    const QString times = QStringLiteral("modification times");
    const QString probePath = joinPath(m_params.dataPath, probeName());
    QFile::remove(probePath);

    // The queue lock is a file made only when none is there.
    QFile first(probePath), second(probePath);
    if (!first.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QString problem =
            QStringLiteral("no file can be made in data/: ") + first.errorString();
        fail(create, problem);
        fail(rename, problem);
        fail(times, problem);
        return;
    }
    first.close();
    if (second.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        fail(create, QStringLiteral("a second exclusive create of one file succeeded; two "
                                    "workstations could hold the queue lock at once"));
    else
        pass(create);
    second.close();

    // Every save of the queue replaces the file through a rename over it.
    QSaveFile replacement(probePath);
    const QByteArray content = "replaced";
    QFile check(probePath);
    if (!replacement.open(QIODevice::WriteOnly) || replacement.write(content) != content.size() ||
        !replacement.commit())
        fail(rename,
             QStringLiteral("a file cannot be replaced by a rename: ") + replacement.errorString());
    else if (!check.open(QIODevice::ReadOnly) || check.readAll() != content)
        fail(rename, QStringLiteral("the replaced file does not hold the new content"));
    else
        pass(rename);
    check.close();

    // The change signal is a file's modification time: rewrites a few milliseconds apart must
    // be told apart, or a change in the second of the last poll goes unseen.
    bool fine = false;
    for (int i = 0; i < 20 && !fine; ++i) {
        QFile rewrite(probePath);
        if (!rewrite.open(QIODevice::WriteOnly | QIODevice::Truncate))
            break;
        rewrite.write("x");
        rewrite.close();
        fine = modificationNanoseconds(probePath) % 1000000000 != 0;
        QThread::msleep(7);
    }
    if (fine)
        pass(times, QStringLiteral("finer than a second"));
    else
        fail(times, QStringLiteral("whole seconds only: a change in the same second as a "
                                   "workstation's last poll is not seen until the next change"));
    QFile::remove(probePath);
}

void FolderDoctor::checkAttributeCache()
{
    const QString subject = QStringLiteral("attribute cache");
    const Mount mount = mountHolding(QFileInfo(m_params.dataPath).canonicalFilePath(), m_mounts);
    const int longest = attributeCacheSeconds(mount);
    const bool sshfs = isSshfs(mount.type);
    const QString fix = sshfs ? QStringLiteral("mount it with -o cache=no (or "
                                               "cache_timeout=1,attr_timeout=1)")
                              : QStringLiteral("mount the share with actimeo=1");
    if (longest == LocalDisk) {
        pass(subject, mount.type.isEmpty()
                          ? QString()
                          : QStringLiteral("%1, a disk of this machine").arg(mount.type));
    } else if (longest == UnknownCache && sshfs) {
        warn(subject, QStringLiteral("%1 keeps file times for about 20 s unless mounted with "
                                     "cache=no, and its options are not in /etc/fstab to tell; "
                                     "a change can stay unseen on the other desks that long: %2")
                          .arg(mount.type, fix));
    } else if (longest == UnknownCache) {
        warn(subject,
             QStringLiteral("%1 is a share whose caching doctor cannot judge: a change can stay "
                            "unseen on the other desks for as long as it caches file times, and "
                            "its locks may not reach them; mount it without attribute caching, "
                            "or share the folder over NFS or SMB")
                 .arg(mount.type));
    } else if (longest > PollSeconds) {
        fail(subject, QStringLiteral("%1 caches file times for up to %2 s, so a change can stay "
                                     "unseen that long; %3")
                          .arg(mount.type)
                          .arg(longest)
                          .arg(fix));
    } else {
        pass(subject,
             QStringLiteral("%1, file times cached at most %2 s").arg(mount.type).arg(longest));
    }
}

FolderDoctor::Mount FolderDoctor::mountHolding(const QString &canonicalPath,
                                               const MountTable &mounts)
{
    Mount best;
    for (const Mount &mount : mountedNow(mounts.mountInfo)) {
        // The longest mount point wins; of equal ones the later, which covers the earlier.
        if (holds(mount.point, canonicalPath) && mount.point.size() >= best.point.size())
            best = mount;
    }
    for (const Mount &entry : fstabMounts(mounts.fstab)) {
        if (!best.point.isEmpty() && entry.point == best.point) {
            best.options += entry.options;
            best.listed = true;
        }
    }
    return best;
}

int FolderDoctor::attributeCacheSeconds(const Mount &mount)
{
    if (mount.type.isEmpty() || isLocal(mount.type))
        return LocalDisk;
    const bool nfs = mount.type.startsWith(QLatin1String("nfs"));
    const bool cifs = mount.type == QLatin1String("cifs") || mount.type == QLatin1String("smb3");
    if (nfs || cifs) {
        if (mount.options.contains(QLatin1String("noac")))
            return 0;
        const int longest = firstOptionValue(mount.options, {"acregmax", "actimeo"});
        return longest >= 0 ? longest : nfs ? 60 : 1; // the defaults of each
    }
    if (isSshfs(mount.type) && mount.listed) {
        // sshfs caches in two places: its own cache of file times (20 s unless switched off)
        // and the kernel's attribute cache (1 s unless attr_timeout says otherwise).
        const int kernel = std::max(1, optionValue(mount.options, QStringLiteral("attr_timeout")));
        if (mount.options.contains(QLatin1String("cache=no")) ||
            mount.options.contains(QLatin1String("dir_cache=no")))
            return kernel;
        const int own =
            firstOptionValue(mount.options, {"dcache_stat_timeout", "cache_stat_timeout",
                                             "dcache_timeout", "cache_timeout"});
        return std::max(kernel, own >= 0 ? own : 20);
    }
    return UnknownCache;
}
