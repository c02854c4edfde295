#include "FolderDoctor.h"

#include "Database.h"
#include "IniFile.h"
#include "QueueDocument.h"
#include "QueueLock.h"
#include "ShareDoctor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlRecord>
#include <QSysInfo>
#include <QThread>

#include <sys/stat.h>

namespace {
struct Table
{
    const char *name;
    QStringList columns;
};

const QList<Table> historyTables = {
    {"history",
     {"id", "firstName", "lastName", "serviceRequested", "lobbyDateIn", "lobbyTimeIn",
      "timeServiced", "timeOut", "servicedBy", "serviceTime"}},
};
const QList<Table> systemTables = {
    {"users", {"userNumber", "firstName", "lastName", "department", "username", "status"}},
    {"services", {"id", "serviceName", "status"}},
    {"events", {"eventID", "userNumber", "eventDate", "eventTime", "event", "eventAlarm"}},
};

// The programs poll the change signal this often; a cache that hides a change longer than this
// delays every workstation's view of the queue.
constexpr int PollSeconds = 2;

const char *const requiredPrograms[] = {"harbrin", "quorvelClient"};
const char *const optionalPrograms[] = {"quorvelBoard"};

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
} // namespace

QList<FolderDoctor::Check> FolderDoctor::run()
{
    m_checks.clear();
    checkPrograms();
    checkSettings();
    checkQueueFile();
    checkChangeSignal();
    checkDatabase(QStringLiteral("data/history.mdb"));
    checkDatabase(QStringLiteral("data/systemData.mdb"));
    checkDatabase(QStringLiteral("system/history.mdb"));
    checkFile(QStringLiteral("media/chimes.wav"));
    checkFile(QStringLiteral("help/default.htm"));
    checkWritableFolder(QStringLiteral("data"));
    checkWritableFolder(QStringLiteral("data/archive"));
    checkWritableFolder(QStringLiteral("export"));
    checkQueueLock();
    checkFileSystem();
    checkAttributeCache();
    m_checks += ShareDoctor::checks(m_params);
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
    const QString problem = unreadable(relativePath);
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
    const double limit = parseMaxLimit(IniFile::readString(
        m_params.iniPath(), QStringLiteral("time"), QStringLiteral("MaxLimit"), QString()));
    pass(subject, limit > 0
                      ? QStringLiteral("waiting-time limit %1 minutes").arg(limit)
                      : QStringLiteral("no waiting-time limit: every waiting customer is overdue"));
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
    if (!QFileInfo(m_params.queuePath).isWritable()) {
        fail(subject, QStringLiteral("cannot be written"));
        return;
    }
    pass(subject, records.size() == 1 ? QStringLiteral("1 customer")
                                      : QStringLiteral("%1 customers").arg(records.size()));
}

void FolderDoctor::checkDatabase(const QString &relativePath)
{
    const bool history = relativePath.endsWith(QLatin1String("history.mdb"));
    const QList<Table> &tables = history ? historyTables : systemTables;
    Database db(path(relativePath), Database::Mode::ReadOnly);
    if (!db.open()) {
        fail(relativePath, QFileInfo::exists(path(relativePath))
                               ? QStringLiteral("cannot be opened: ") + db.failure().description
                               : QStringLiteral("missing"));
        return;
    }
    if (!db.exec(QStringLiteral("PRAGMA schema_version"))) {
        fail(relativePath, QStringLiteral("cannot be read: ") + db.failure().description);
        return;
    }
    const QStringList present = db.connection().tables();
    for (const Table &table : tables) {
        const QString name = QLatin1String(table.name);
        if (!present.contains(name, Qt::CaseInsensitive)) {
            fail(relativePath, QStringLiteral("has no table %1").arg(name));
            return;
        }
        const QSqlRecord record = db.connection().record(name);
        for (const QString &column : table.columns) {
            if (record.indexOf(column) < 0) {
                fail(relativePath, QStringLiteral("table %1 has no column %2").arg(name, column));
                return;
            }
        }
    }
    if (!QFileInfo(path(relativePath)).isWritable()) {
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
    QFile mountInfo(QStringLiteral("/proc/self/mountinfo"));
    const Mount mount =
        mountHolding(QFileInfo(m_params.dataPath).canonicalFilePath(),
                     mountInfo.open(QIODevice::ReadOnly) ? mountInfo.readAll() : QByteArray());
    const int longest = attributeCacheSeconds(mount);
    if (longest < 0) {
        pass(subject, mount.type.isEmpty()
                          ? QString()
                          : QStringLiteral("%1, not a network share").arg(mount.type));
        return;
    }
    if (longest > PollSeconds)
        fail(subject, QStringLiteral("%1 caches file times for up to %2 s, so a change can stay "
                                     "unseen that long; mount the share with actimeo=1")
                          .arg(mount.type)
                          .arg(longest));
    else
        pass(subject,
             QStringLiteral("%1, file times cached at most %2 s").arg(mount.type).arg(longest));
}

FolderDoctor::Mount FolderDoctor::mountHolding(const QString &canonicalPath,
                                               const QByteArray &mountInfo)
{
    Mount best;
    qsizetype bestLength = -1;
    for (const QByteArray &line : mountInfo.split('\n')) {
        // id parent dev root mountpoint options [optional...] - type source superoptions
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 6 || dash < 0 || dash + 3 >= fields.size())
            continue;
        const QString point =
            QString::fromUtf8(fields.at(4)).replace(QStringLiteral("\\040"), QStringLiteral(" "));
        const bool holds = canonicalPath == point || point == QLatin1String("/") ||
                           canonicalPath.startsWith(point + QLatin1Char('/'));
        // The longest mount point wins; of equal ones the later, which covers the earlier.
        if (!holds || point.size() < bestLength)
            continue;
        bestLength = point.size();
        best.type = QString::fromUtf8(fields.at(dash + 1));
        best.options = QString::fromUtf8(fields.at(5) + ',' + fields.at(dash + 3))
                           .split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    return best;
}

int FolderDoctor::attributeCacheSeconds(const Mount &mount)
{
    const bool nfs = mount.type.startsWith(QLatin1String("nfs"));
    const bool cifs = mount.type == QLatin1String("cifs") || mount.type == QLatin1String("smb3");
    if (!nfs && !cifs)
        return -1;
    if (mount.options.contains(QLatin1String("noac")))
        return 0;
    int longest = optionValue(mount.options, QStringLiteral("acregmax"));
    if (longest < 0)
        longest = optionValue(mount.options, QStringLiteral("actimeo"));
    return longest >= 0 ? longest : nfs ? 60 : 1; // the defaults of each
}
