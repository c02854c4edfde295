#pragma once

#include <QDateTime>
#include <QString>

/// Lays out a program folder for an office: the data folder with an empty queue and both
/// databases, the archive folder, the empty history template, the chime, the help page, the
/// export folder and `vedez.ini`. The programs themselves never create these files.
namespace ProgramFolder {

/// False with `error` set when `folder` already holds data or a file cannot be made.
bool create(const QString &folder, QString &error);

/// Writes what a new version of the programs brings beside the data: the help page, the chime
/// and the empty history template. Leaves `data/`, `export/` and `vedez.ini` alone.
bool refreshInstalledFiles(const QString &folder, QString &error);

/// Adds representatives, services, waiting customers (one overdue, one in service), a day of
/// history and four weeks of working days before it, all relative to `now`.
bool addDemoData(const QString &folder, const QDateTime &now, QString &error);

/// Makes an empty history database (the table and its index) at `path`.
bool createHistoryDatabase(const QString &path, QString &error);

/// The chime: a short two-tone WAV, synthesised.
QByteArray chimeWav();

} // namespace ProgramFolder
