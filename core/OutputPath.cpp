#include "OutputPath.h"

#include "SystemParameters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
/// The file `path` names once every link and ".." is followed; for a file not there yet, its
/// resolved folder and its name.
QString resolved(const QString &path, int links = 0)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    if (info.isSymLink() && links < 32) // a link to a file not there yet
        return resolved(info.symLinkTarget(), links + 1);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return QDir(folder.isEmpty() ? QDir::cleanPath(info.absolutePath()) : folder)
        .filePath(info.fileName());
}

bool isDatabase(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           file.read(16) == QByteArrayLiteral("SQLite format 3\0");
}

bool isInside(const QString &path, const QString &folder)
{
    return !folder.isEmpty() && path.startsWith(folder + QLatin1Char('/'));
}
} // namespace

namespace OutputPath {

QString refusal(const QString &outputPath, const QString &databasePath,
                const SystemParameters &params)
{
    const QString target = resolved(outputPath);
    QString why;
    if (target == resolved(databasePath))
        why = QStringLiteral("it is the history database being exported");
    else if (target == resolved(params.queuePath))
        why = QStringLiteral("it is the lobby queue file");
    else if (target == resolved(params.dataPath) || isInside(target, resolved(params.dataPath)))
        why = QStringLiteral("it lies in the data folder, which holds only the queue and its "
                             "databases");
    else if (isDatabase(target))
        why = QStringLiteral("it is a database");
    if (why.isEmpty())
        return {};
    return QStringLiteral("The export can not be written to %1: %2.  Choose another file.")
        .arg(QDir::toNativeSeparators(outputPath), why);
}

} // namespace OutputPath
