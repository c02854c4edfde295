#pragma once

#include <QDateTime>
#include <QString>

class CoreContext;

/// Rewrites `watchdog.dat` after a save of the queue file, so every instance's poll sees the
/// change. A failure is only logged: the queue change stands.
void updateWatchDog(const CoreContext &context);

struct SystemParameters;

/// True when the queue file was replaced after the change signal was last written: a change
/// whose holder ended between its rename and its signal, which nobody would see otherwise.
bool queueNewerThanSignal(const SystemParameters &params);

/// The modification time of a file at the file system's full resolution.
struct FileStamp
{
    qint64 nanoseconds = 0;
    bool valid = false;

    bool operator==(const FileStamp &other) const = default;
    QDateTime toDateTime() const;
};

/// Reads the modification time of `path`; invalid when the file cannot be examined. `errorNumber`
/// is the system's error number then.
FileStamp readFileStamp(const QString &path, int *errorNumber = nullptr);

/// True once for each replacement of the queue file newer than the change signal (`told` keeps
/// the one told last): readers reload for it, and a reader that may write signals it to the rest.
bool unsignalledChange(const SystemParameters &params, FileStamp &told);
