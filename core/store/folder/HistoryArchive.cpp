#include "HistoryArchive.h"

#include "CoreContext.h"
#include "Database.h"
#include "HistoryColumns.h"
#include "LockedSection.h"
#include "SchemaCheck.h"
#include "SystemParameters.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
constexpr int FileAlreadyExists = 58;
constexpr int TryWaitMs = 200; // how long one try waits for the history under the queue lock
constexpr int TryPauseMs = 50; // the pause between tries, the queue lock free

enum class Attempt
{
    Moved,
    HistoryBusy, // another connection reads or writes the history: try again
    Failed
};
constexpr int PathNotFound = 76;

Failure systemFailure(int number, const QString &path)
{
    return {number, QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)))};
}

/// An empty history database beside the current one, made from the template once it has shown
/// itself a history database (as doctor checks it) and has every column added since.
bool copyTemplate(const SystemParameters &params, QTemporaryFile &copy, Failure &failure)
{
    const QString problem =
        SchemaCheck::problem(params.historyTemplatePath(), SchemaCheck::historyTables());
    if (!problem.isEmpty()) {
        failure = {FailureNumber::FileNotFound, QStringLiteral("The empty history database %1 %2.")
                                                    .arg(params.historyTemplatePath(), problem)};
        return false;
    }
    // The template gains the columns added since it was made where it may be written (it may
    // well be read-only); the copy gains them in any case.
    if (QFileInfo(params.historyTemplatePath()).isWritable() &&
        !HistoryColumns::addMissing(params.historyTemplatePath(), failure))
        return false;
    QFile source(params.historyTemplatePath());
    if (!source.open(QIODevice::ReadOnly)) {
        failure = {FailureNumber::FileNotFound,
                   QStringLiteral("Could not read the empty history database %1: %2")
                       .arg(params.historyTemplatePath(), source.errorString())};
        return false;
    }
    copy.setFileTemplate(params.historyPath + QStringLiteral(".XXXXXX"));
    const QByteArray content = source.readAll();
    // A temporary file is private to its maker; the new history must be as open to every
    // workstation as the current one.
    if (!copy.open() || !copy.setPermissions(QFile::permissions(params.historyPath)) ||
        copy.write(content) != content.size() || !copy.flush() || ::fsync(copy.handle()) != 0) {
        failure = {FailureNumber::PathAccess, copy.errorString()};
        return false;
    }
    // A template older than the programs lacks the newer columns; the new history has them.
    return HistoryColumns::addMissing(copy.fileName(), failure);
}

/// Gives the current database its archive name as well, never over an existing file. A hard
/// link is atomic and keeps `history.mdb` in place until the copy replaces it; where the file
/// system has no links, the database is renamed instead.
bool linkToArchive(const QString &historyPath, const QString &archivePath, bool &renamed,
                   Failure &failure)
{
    const QByteArray from = QFile::encodeName(historyPath);
    const QByteArray to = QFile::encodeName(archivePath);
    renamed = false;
    if (::link(from.constData(), to.constData()) == 0)
        return true;
    if (errno == EEXIST) {
        failure = {FileAlreadyExists, QStringLiteral("File already exists: %1").arg(archivePath)};
        return false;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS) {
        failure = systemFailure(FailureNumber::PathAccess, archivePath);
        return false;
    }
    if (QFileInfo::exists(archivePath)) {
        failure = {FileAlreadyExists, QStringLiteral("File already exists: %1").arg(archivePath)};
        return false;
    }
    if (::rename(from.constData(), to.constData()) != 0) {
        failure = systemFailure(FailureNumber::PathAccess, archivePath);
        return false;
    }
    renamed = true;
    return true;
}
/// One try at the move, under the queue lock (no sign-out is half-way) and SQLite's exclusive
/// lock on the current database (no other write is half-way).
Attempt moveUnderLocks(CoreContext &context, const QString &archivePath, QTemporaryFile &copy,
                       Failure &failure)
{
    const SystemParameters &params = context.params;
    LockedSection section(context);
    if (!section.acquire(failure))
        return Attempt::Failed;
    Database current(params.historyPath);
    if (!current.open() ||
        !current.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(TryWaitMs)) ||
        !current.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
        failure = current.failure();
        return failure.number == SQLITE_BUSY ? Attempt::HistoryBusy : Attempt::Failed;
    }
    bool renamed = false;
    if (!linkToArchive(params.historyPath, archivePath, renamed, failure))
        return Attempt::Failed;
    if (::rename(QFile::encodeName(copy.fileName()).constData(),
                 QFile::encodeName(params.historyPath).constData()) != 0) {
        failure = systemFailure(FailureNumber::PathAccess, params.historyPath);
        // Undo: the current database keeps its place and the archive name is free again.
        if (renamed)
            ::rename(QFile::encodeName(archivePath).constData(),
                     QFile::encodeName(params.historyPath).constData());
        else
            ::unlink(QFile::encodeName(archivePath).constData());
        return Attempt::Failed;
    }
    copy.setAutoRemove(false);
    // Nothing was written under the lock; ending the transaction only releases it. Another
    // instance that opened the old file before the move is refused a write by SQLite ("database
    // moved"), so no row can land in a file that has left the data folder unseen.
    current.exec(QStringLiteral("ROLLBACK"));
    return Attempt::Moved;
}
} // namespace

namespace HistoryArchive {

QString archiveFileName(const QDateTime &moment)
{
    return QStringLiteral("QV%1%2%3.mdb")
        .arg(moment.date().toString(QStringLiteral("MMddyy")))
        .arg(moment.time().minute())
        .arg(moment.time().second());
}

bool archiveDB(CoreContext &context, QString &archivePath, Failure &failure)
{
    const SystemParameters &params = context.params;
    archivePath = joinPath(params.archiveFolder(), archiveFileName(context.clock().now()));
    if (!QFileInfo(params.archiveFolder()).isDir()) {
        failure = {PathNotFound, QStringLiteral("Path not found: %1").arg(params.archiveFolder())};
        return false;
    }
    if (QFileInfo::exists(archivePath)) {
        failure = {FileAlreadyExists, QStringLiteral("File already exists: %1").arg(archivePath)};
        return false;
    }
    QTemporaryFile copy;
    if (!copyTemplate(params, copy, failure))
        return false;
    // A long read (an export, a report) keeps the history from being taken exclusively. Waiting
    // for it under the queue lock would make every desk wait as long, so each try waits a moment
    // only, and the lock is given up between tries.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        switch (moveUnderLocks(context, archivePath, copy, failure)) {
        case Attempt::Moved:
            return true;
        case Attempt::HistoryBusy:
            if (waited.elapsed() < Database::busyTimeout())
                break;
            [[fallthrough]];
        case Attempt::Failed:
            return false;
        }
        QThread::msleep(TryPauseMs);
    }
}

QString completeText(const QString &archivePath)
{
    return QStringLiteral("Archive Complete!  History database has been moved to:\r") + archivePath;
}

QString failureText(const Failure &failure)
{
    return QStringLiteral("Could not archive database!  Error:  ") + failure.description;
}

} // namespace HistoryArchive
