#pragma once

#include "Failure.h"

#include <QDateTime>
#include <QString>

class CoreContext;

/// Moves the whole current history database into the archive folder under a name made from the
/// moment, and puts an empty copy of the template in its place.
namespace HistoryArchive {

/// "QV", the date as MMddyy, then the minute and the second without leading zeros, ".mdb":
/// 10:05:07 on 6 December 2003 gives QV12060357.mdb.
QString archiveFileName(const QDateTime &moment);

/// Archives `history.mdb`; `archivePath` is where it went. The template is copied into the data
/// folder first, then, under the queue lock (no sign-out is half-way) and SQLite's exclusive lock
/// on the current database (no other write is half-way), the database takes its archive name and
/// the copy takes its place. On failure nothing has changed, and a target name already taken is
/// never overwritten.
bool archiveDB(CoreContext &context, QString &archivePath, Failure &failure);

QString completeText(const QString &archivePath);
QString failureText(const Failure &failure);

} // namespace HistoryArchive
