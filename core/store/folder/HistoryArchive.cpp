#include "HistoryArchive.h"

#include "CoreContext.h"
#include "Database.h"
#include "HistoryColumns.h"
#include "LockedSection.h"
#include "SystemParameters.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
constexpr int FileAlreadyExists = 58;
constexpr int PathNotFound = 76;

Failure systemFailure(int number, const QString &path)
{
    return {number, QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)))};
}

/// An empty history database beside the current one, made from the template.
bool copyTemplate(const SystemParameters &params, QTemporaryFile &copy, Failure &failure)
{
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
    QString error;
    if (!HistoryColumns::addMissing(copy.fileName(), error)) {
        failure = {FailureNumber::PathAccess, error};
        return false;
    }
    return true;
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

    LockedSection section(context);
    if (!section.acquire(failure))
        return false;
    Database current(params.historyPath);
    if (!current.open() || !current.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
        failure = current.failure();
        return false;
    }
    bool renamed = false;
    if (!linkToArchive(params.historyPath, archivePath, renamed, failure))
        return false;
    if (::rename(QFile::encodeName(copy.fileName()).constData(),
                 QFile::encodeName(params.historyPath).constData()) != 0) {
        failure = systemFailure(FailureNumber::PathAccess, params.historyPath);
        // Undo: the current database keeps its place and the archive name is free again.
        if (renamed)
            ::rename(QFile::encodeName(archivePath).constData(),
                     QFile::encodeName(params.historyPath).constData());
        else
            ::unlink(QFile::encodeName(archivePath).constData());
        return false;
    }
    copy.setAutoRemove(false);
    // Nothing was written under the lock; ending the transaction only releases it. Another
    // instance that opened the old file before the move is refused a write by SQLite ("database
    // moved"), so no row can land in a file that has left the data folder unseen.
    current.exec(QStringLiteral("ROLLBACK"));
    return true;
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
