#pragma once

#include <QString>

struct SystemParameters;

/// Where an export or a report may write. Its file is replaced whole, so a path that names a
/// file the system lives on would destroy it: the database being read, the queue file, anything
/// in the data folder, or any other database (an archive copied elsewhere, the template).
namespace OutputPath {

/// Why `outputPath` may not be written by an export of `databasePath`, as a sentence for the
/// user; empty when it may. Symbolic links and ".." are followed first, as the write would.
QString refusal(const QString &outputPath, const QString &databasePath,
                const SystemParameters &params);

} // namespace OutputPath
