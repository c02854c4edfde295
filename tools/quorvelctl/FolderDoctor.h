#pragma once

#include "SystemParameters.h"

#include <QList>
#include <QString>

/// Checks a program folder as the programs would use it: the files they open, the databases and
/// their tables, the queue file, the folders they write, the queue lock, and what the shared
/// file system must do for them (exclusive create, atomic rename, fine modification times and a
/// short attribute cache).
class FolderDoctor
{
public:
    struct Check
    {
        QString subject;
        QString problem; // empty when the check passed
        QString detail;  // what a passed check found, when worth saying
    };

    explicit FolderDoctor(const SystemParameters &params) : m_params(params) {}

    QList<Check> run();

    /// A mount: its file system type and all its options.
    struct Mount
    {
        QString type;
        QStringList options;
    };
    /// The mount of `mountInfo` (the text of /proc/self/mountinfo) that holds `canonicalPath`.
    static Mount mountHolding(const QString &canonicalPath, const QByteArray &mountInfo);
    /// How long a network share may cache a file's times, in seconds; -1 for a local file
    /// system.
    static int attributeCacheSeconds(const Mount &mount);

private:
    void checkPrograms();
    void checkFile(const QString &relativePath);
    void checkSettings();
    void checkQueueFile();
    void checkChangeSignal();
    void checkDatabase(const QString &relativePath);
    void checkWritableFolder(const QString &relativePath);
    void checkQueueLock();
    void checkFileSystem();
    void checkAttributeCache();

    /// Why the programs could not read a file; empty when they can.
    QString unreadable(const QString &relativePath) const;
    void pass(const QString &subject, const QString &detail = {});
    void fail(const QString &subject, const QString &problem);
    QString path(const QString &relativePath) const;

    SystemParameters m_params;
    QList<Check> m_checks;
};
