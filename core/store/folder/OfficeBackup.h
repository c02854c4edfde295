#pragma once

#include <QString>

class CoreContext;

/// A copy of everything an office would miss, taken while the desks keep working, and the way
/// back from it.
namespace OfficeBackup {

/// Copies both databases (through SQLite's online backup, so a write in progress is either
/// whole in the copy or not in it), the queue file, the data format, `vedez.ini` and
/// `data/archive/` into a new folder named for the moment inside `target`. The queue and the
/// history are copied under the queue lock, so every visit is in exactly one of them. The
/// folder appears only when the copy is whole and its databases pass SQLite's integrity check.
bool backup(CoreContext &context, const QString &target, QString &made, QString &error);

/// Puts the backup in `from` back into the office. Refuses while any desk has the folder open,
/// and before touching anything checks the backup: both databases intact, the queue file
/// readable, a data format these programs know.
bool restore(CoreContext &context, const QString &from, QString &error);

} // namespace OfficeBackup
