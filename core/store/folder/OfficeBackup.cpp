#include "OfficeBackup.h"

#include "CoreContext.h"
#include "DataFormat.h"
#include "DeskPresence.h"
#include "IniFile.h"
#include "LockedSection.h"
#include "QueueDocument.h"
#include "QueueLock.h"
#include "WatchDog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <sqlite3.h>

namespace OfficeBackup {

namespace {
const char *const ServerDump = "quorvel.pgdump";

/// One SQLite handle for one step, closed when it goes.
class Handle
{
public:
    Handle(const QString &path, int flags)
    {
        m_result = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
        sqlite3_busy_timeout(m_db, 10000);
    }
    ~Handle() { sqlite3_close(m_db); }
    bool isOpen() const { return m_result == SQLITE_OK; }
    sqlite3 *db() const { return m_db; }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

private:
    sqlite3 *m_db = nullptr;
    int m_result = SQLITE_ERROR;
};

/// Copies the database `from` into `to` page by page inside one read transaction of `from`.
bool onlineCopy(const QString &from, const QString &to, bool toExisting, QString &error)
{
    Handle source(from, SQLITE_OPEN_READONLY);
    Handle target(to,
                  toExisting ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!source.isOpen() || !target.isOpen()) {
        error = QStringLiteral("%1 cannot be opened: %2")
                    .arg(source.isOpen() ? to : from,
                         source.isOpen() ? target.error() : source.error());
        return false;
    }
    sqlite3_backup *copy = sqlite3_backup_init(target.db(), "main", source.db(), "main");
    if (!copy) {
        error = QStringLiteral("%1 cannot be copied: %2").arg(from, target.error());
        return false;
    }
    int result = SQLITE_OK;
    do {
        result = sqlite3_backup_step(copy, -1);
        if (result == SQLITE_BUSY || result == SQLITE_LOCKED)
            sqlite3_sleep(100);
    } while (result == SQLITE_OK || result == SQLITE_BUSY || result == SQLITE_LOCKED);
    sqlite3_backup_finish(copy);
    if (result != SQLITE_DONE) {
        error = QStringLiteral("%1 cannot be copied: %2").arg(from, target.error());
        return false;
    }
    return true;
}

/// Why the database at `path` is not whole; empty when SQLite finds it intact.
QString integrityProblem(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("%1 is missing").arg(path);
    Handle db(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt *check = nullptr;
    if (!db.isOpen() ||
        sqlite3_prepare_v2(db.db(), "PRAGMA integrity_check", -1, &check, nullptr) != SQLITE_OK)
        return QStringLiteral("%1 cannot be read: %2").arg(path, db.error());
    QString verdict;
    if (sqlite3_step(check) == SQLITE_ROW)
        verdict = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(check, 0)));
    else
        verdict = db.error();
    sqlite3_finalize(check);
    return verdict == QLatin1String("ok") ? QString()
                                          : QStringLiteral("%1 is damaged: %2").arg(path, verdict);
}

bool copyFile(const QString &from, const QString &to, QString &error)
{
    QFile source(from);
    QSaveFile target(to);
    // vedez.ini lies in a program folder the office's account may not write: in place then.
    target.setDirectWriteFallback(true);
    if (!source.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1 cannot be read: %2").arg(from, source.errorString());
        return false;
    }
    const QByteArray bytes = source.readAll();
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size() ||
        !target.commit()) {
        error = QStringLiteral("%1 cannot be written: %2").arg(to, target.errorString());
        return false;
    }
    return true;
}

/// Copies the files `names` of the folder `from` into the folder `to`.
bool copyFiles(const QString &from, const QStringList &names, const QString &to, QString &error)
{
    for (const QString &name : names) {
        if (!copyFile(QDir(from).filePath(name), QDir(to).filePath(name), error))
            return false;
    }
    return true;
}

/// The paths inside a backup folder, named as in a program folder.
struct Layout
{
    explicit Layout(const QString &root) : root(root) {}
    QString top(const char *name) const { return QDir(root).filePath(QLatin1String(name)); }
    QString data(const char *name) const { return top("data/") + QLatin1String(name); }
    QString root;
};

/// The PostgreSQL server the office keeps its data on (`[server] Connection=` of vedez.ini);
/// empty for an office on its data folder.
QString serverConnection(const SystemParameters &params)
{
    return IniFile::readString(params.iniPath(), QStringLiteral("server"),
                               QStringLiteral("Connection"), QString());
}

/// The server's whole database as one pg_dump archive at `file`.
bool dumpServer(const QString &connection, const QString &file, QString &error)
{
    const QString pgDump = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
    if (pgDump.isEmpty()) {
        error = QStringLiteral("This office keeps its data on a PostgreSQL server, and pg_dump "
                               "is not installed here (Debian package postgresql-client).");
        return false;
    }
    QProcess dump;
    dump.start(pgDump, {QStringLiteral("--format=custom"), QStringLiteral("--no-owner"),
                        QStringLiteral("--file"), file, QStringLiteral("--dbname"), connection});
    if (!dump.waitForFinished(-1) || dump.exitStatus() != QProcess::NormalExit ||
        dump.exitCode() != 0) {
        error = QStringLiteral("pg_dump failed: ") +
                QString::fromLocal8Bit(dump.readAllStandardError()).trimmed() + dump.errorString();
        return false;
    }
    return true;
}

bool renameWhole(const QString &partial, const QString &made, QString &error)
{
    if (QDir().rename(partial, made))
        return true;
    error = QStringLiteral("Could not rename %1 to %2.").arg(partial, made);
    return false;
}

bool removeIfThere(const QString &path, QString &error)
{
    if (!QFile::exists(path) || QFile::remove(path))
        return true;
    error = QStringLiteral("Could not remove %1.").arg(path);
    return false;
}
} // namespace

bool backup(CoreContext &context, const QString &target, QString &made, QString &error)
{
    const SystemParameters &params = context.params;
    made =
        QDir(target).filePath(QStringLiteral("quorvel-") +
                              context.clock().now().toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    if (QFileInfo::exists(made)) {
        error = QStringLiteral("%1 already exists.").arg(made);
        return false;
    }
    // Made under another name and renamed when whole, so a backup folder is never a half one.
    const Layout copy(made + QStringLiteral(".partial"));
    QDir(copy.root).removeRecursively();
    const QString server = serverConnection(params);
    const QString folder = server.isEmpty() ? copy.data("archive") : copy.root;
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("Could not create %1.").arg(folder);
        return false;
    }
    if (!server.isEmpty())
        return dumpServer(server, copy.top(ServerDump), error) &&
               copyFile(params.iniPath(), copy.top("vedez.ini"), error) &&
               renameWhole(copy.root, made, error);
    if (!onlineCopy(params.systemPath, copy.data("systemData.mdb"), false, error))
        return false;

    QStringList archives;
    {
        LockedSection locked(context);
        Failure failure;
        if (!locked.acquire(failure)) {
            error = failure.description;
            return false;
        }
        if (!copyFile(params.queuePath, copy.data("lobbyData.xml"), error) ||
            !onlineCopy(params.historyPath, copy.data("history.mdb"), false, error))
            return false;
        // An archive made after this moment holds visits the copied history still has.
        archives = QDir(params.archiveFolder()).entryList(QDir::Files, QDir::Name);
        const QString format = joinPath(params.dataPath, QStringLiteral("format.ini"));
        if (QFileInfo::exists(format) && !copyFile(format, copy.data("format.ini"), error))
            return false;
    }
    // Archives are never changed once made: they need no lock.
    if (!copyFiles(params.archiveFolder(), archives, copy.data("archive"), error) ||
        (QFileInfo::exists(params.iniPath()) &&
         !copyFile(params.iniPath(), copy.top("vedez.ini"), error)))
        return false;
    for (const char *database : {"history.mdb", "systemData.mdb"}) {
        error = integrityProblem(copy.data(database));
        if (!error.isEmpty())
            return false;
    }
    return renameWhole(copy.root, made, error);
}

bool restore(CoreContext &context, const QString &from, QString &error)
{
    const SystemParameters &params = context.params;
    const Layout copy(from);
    if (QFileInfo::exists(copy.top(ServerDump))) {
        // Put back by PostgreSQL's own tool, which the server's administrator runs.
        error = QStringLiteral("This backup is of a PostgreSQL server. With every desk closed, "
                               "restore it with: pg_restore --clean --if-exists --no-owner "
                               "--dbname 'CONNECTION' %1")
                    .arg(copy.top(ServerDump));
        return false;
    }
    for (const char *database : {"history.mdb", "systemData.mdb"}) {
        error = integrityProblem(copy.data(database));
        if (!error.isEmpty())
            return false;
    }
    QueueDocument queue;
    if (queue.load(copy.data("lobbyData.xml")) != QueueDocument::LoadState::Loaded ||
        queue.documentElementName() != QLatin1String("LOBBY")) {
        error = QStringLiteral("%1 is not a queue file.").arg(copy.data("lobbyData.xml"));
        return false;
    }
    const int format = DataFormat::recorded(copy.top("data"));
    if (format > DataFormat::Current) {
        error = QStringLiteral("The backup is in data format %1, newer than this version knows "
                               "(%2): restore it with the version that made it.")
                    .arg(format)
                    .arg(DataFormat::Current);
        return false;
    }
    QStringList open;
    for (const DeskPresence::Holder &holder : DeskPresence::holders(params.dataPath))
        open << DeskPresence::describe(holder);
    if (!open.isEmpty()) {
        error = QStringLiteral("The office is open on: %1. Close every desk, then restore; "
                               "nothing was changed.")
                    .arg(open.join(QStringLiteral("; ")));
        return false;
    }

    LockedSection locked(context);
    Failure failure;
    if (!locked.acquire(failure)) {
        error = failure.description;
        return false;
    }
    QFile queueFile(copy.data("lobbyData.xml"));
    const QString formatPath = joinPath(params.dataPath, QStringLiteral("format.ini"));
    const QString archive = copy.data("archive");
    if (!onlineCopy(copy.data("history.mdb"), params.historyPath, true, error) ||
        !onlineCopy(copy.data("systemData.mdb"), params.systemPath, true, error) ||
        !copyFiles(archive, QDir(archive).entryList(QDir::Files), params.archiveFolder(), error) ||
        (QFileInfo::exists(copy.top("vedez.ini")) &&
         !copyFile(copy.top("vedez.ini"), params.iniPath(), error)))
        return false;
    // A backup without a recorded format is of format 1: the next program brings it up again.
    if (QFileInfo::exists(copy.data("format.ini"))
            ? !copyFile(copy.data("format.ini"), formatPath, error)
            : !removeIfThere(formatPath, error))
        return false;
    // Last, since the save of the queue ends the hold of the lock.
    if (!queueFile.open(QIODevice::ReadOnly) ||
        !QueueLock::commit(params.queuePath, queueFile.readAll(), failure)) {
        error = failure.description.isEmpty() ? queueFile.errorString() : failure.description;
        return false;
    }
    updateWatchDog(context);
    return true;
}

} // namespace OfficeBackup
