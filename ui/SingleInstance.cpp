#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

QString SingleInstance::lockPathFor(const QString &programName)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("quorvel-%1.lock").arg(programName));
}

SingleInstance::SingleInstance(const QString &programName) : m_lock(lockPathFor(programName))
{
    // A running copy keeps its lock however long it runs; only a dead process's lock is stale.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    return m_lock.isLocked() || m_lock.tryLock(0);
}
