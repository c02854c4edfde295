#include "WatchDog.h"

#include "CoreContext.h"
#include "SystemParameters.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

void updateWatchDog(const CoreContext &context)
{
    static const QByteArray line =
        QByteArrayLiteral("*** Do not modify or remove this file!  Used by Quorvel ***\r\n");
    // Rewritten in place: truncating would free and allocate its block at every change.
    QFile file(context.params.watchDogPath());
    if (!file.open(QIODevice::ReadWrite) || file.write(line) != line.size() ||
        (file.size() != line.size() && !file.resize(line.size()))) {
        context.log(QStringLiteral("[clsQuorvel.updateWatchDog:  Error updating watchdog file.  ") +
                    file.errorString());
    }
}

bool queueNewerThanSignal(const SystemParameters &params)
{
    const FileStamp queue = readFileStamp(params.queuePath);
    const FileStamp signal = readFileStamp(params.watchDogPath());
    return queue.valid && signal.valid && queue.nanoseconds > signal.nanoseconds;
}

bool unsignalledChange(const SystemParameters &params, FileStamp &told)
{
    if (!queueNewerThanSignal(params))
        return false;
    const FileStamp queue = readFileStamp(params.queuePath);
    const bool fresh = !(queue == told);
    told = queue;
    return fresh;
}

QDateTime FileStamp::toDateTime() const
{
    return QDateTime::fromMSecsSinceEpoch(nanoseconds / 1000000);
}

FileStamp readFileStamp(const QString &path, int *errorNumber)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errorNumber)
            *errorNumber = errno;
        return {};
    }
    return {qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, true};
}
