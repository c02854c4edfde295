#pragma once

#include <QString>

/// The columns `history` gained after its first layout. A database made before one of them (an
/// office's current `history.mdb`, the archive template of a program folder, an archive put
/// back) gets it, empty for the rows already there, the first time a program of this version
/// meets it; older programs go on reading and writing the columns they know.
namespace HistoryColumns {

/// Adds every column missing from `history` in the database at `path`; false with `error` set
/// when the file cannot be read or changed.
bool addMissing(const QString &path, QString &error);

} // namespace HistoryColumns
