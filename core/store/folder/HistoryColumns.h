#pragma once

#include "Failure.h"

#include <QString>

/// The columns `history` gained after its first layout. A database made before one of them (an
/// office's current `history.mdb`, the archive template of a program folder, an archive put
/// back) gets it, empty for the rows already there, the first time a program of this version
/// meets it; older programs go on reading and writing the columns they know.
namespace HistoryColumns {

/// Adds to `history` in the database at `path` every column it lacks, each with its index, in
/// one transaction. A database that has them all is only read.
bool addMissing(const QString &path, Failure &failure);

} // namespace HistoryColumns
