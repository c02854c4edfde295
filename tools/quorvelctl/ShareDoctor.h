#pragma once

#include "FolderDoctor.h"

#include <QTextStream>

/// What the doctor says about the share the data folder lies on: shares known to keep file
/// locks to each workstation, and, through a probe another workstation holds with
/// `doctor --hold`, whether a lock made there reaches this one.
namespace ShareDoctor {

/// Holds the probe in the data folder for `seconds`, counting up its beat, then removes it
/// (also when interrupted). Says on `out` what it does; false when the probe cannot be made.
bool holdProbe(const SystemParameters &params, int seconds, QTextStream &out);

/// The share's checks: "share type" and "locks across desks".
QList<FolderDoctor::Check> checks(const SystemParameters &params,
                                  const FolderDoctor::MountTable &mounts);

/// Why the share `mount` keeps file locks to each workstation, with the fix; empty when it is
/// not known to.
QString unsafeShare(const FolderDoctor::Mount &mount);

} // namespace ShareDoctor
