#pragma once

#include "FolderDoctor.h"

/// What the doctor says about the office's PostgreSQL server, when `vedez.ini` names one: that
/// it answers, holds the schema this build works with, grants the programs what they need,
/// delivers the change signal, and keeps a clock near this workstation's.
namespace ServerDoctor {

/// The server's checks; only "server reachable" when it does not answer.
QList<FolderDoctor::Check> checks(const QString &connection);

} // namespace ServerDoctor
