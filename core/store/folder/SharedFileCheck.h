#pragma once

#include "SystemParameters.h"

class CoreContext;

/// The start-up check that the queue file and both databases exist. For each missing file a
/// "Debug" box (and a log line); if any is missing, the program's fatal message and the
/// program-end hook. Returns true when all three are there.
bool checkSharedFiles(const CoreContext &context, ProgramKind kind);

/// The start-up check that the data folder's format is one this program may write: an older one
/// is brought up to date, a newer one ends the program after saying why.
bool checkDataFormat(CoreContext &context, const QString &program);
