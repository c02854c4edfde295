#pragma once

#include <QString>

class CoreContext;

/// The layout of the data folder: which files, tables and columns the programs expect. A folder
/// records the format it is in (`data/format.ini`), so that a program never writes into a folder
/// laid out by a newer version, and a newer program brings an older folder up to its own format
/// once, whichever desk starts first.
namespace DataFormat {

/// The format these programs read and write. Raise it with every change of the data folder's
/// layout and add the step that brings a folder to it (DataFormat.cpp).
constexpr int Current = 4;

/// The format recorded in the data folder; 1 for a folder laid out before formats were
/// recorded.
int recorded(const QString &dataPath);

/// Records `Current` in a newly laid out data folder, with the version that laid it out.
bool recordNew(const QString &dataPath, QString &error);

/// Makes the data folder fit for these programs before they write: a newer format is refused
/// (the reason in `error`); an older one is brought up to `Current` under the queue lock, each
/// step once and logged in `data/upgrade.log`. True when the folder is ready.
bool bringUpToDate(CoreContext &context, const QString &program, QString &error);

} // namespace DataFormat
