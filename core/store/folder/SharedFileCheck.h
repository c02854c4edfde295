#pragma once

#include "SystemParameters.h"

class CoreContext;

/// The start-up check that the queue file and both databases exist. For each missing file a
/// "Debug" box (and a log line); if any is missing, the program's fatal message and the
/// program-end hook. Returns true when all three are there.
bool checkSharedFiles(const CoreContext &context, ProgramKind kind);
