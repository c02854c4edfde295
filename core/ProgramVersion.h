#pragma once

#include <QString>

/// What every program says with `--version`.
namespace ProgramVersion {

/// The version of these programs, as "1.0.0".
QString number();

/// "harbrin (Quorvel) 1.0.0, data format 2": the data format is the newest it can write.
QString text(const QString &program);

/// True when the whole command line is "--version"; checked before any window can open, so it
/// works on a terminal without a display.
bool isAsked(int argc, char *argv[]);

/// Prints `text` to stdout; the exit status.
int print(const QString &program);

} // namespace ProgramVersion
