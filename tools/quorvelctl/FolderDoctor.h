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
        QString problem;      // empty when the check passed
        QString detail;       // what a passed check found, when worth saying
        bool warning = false; // the problem is a risk, not a fault: the check does not fail
    };

    /// What the system says is mounted (/proc/self/mountinfo) and what it should mount
    /// (/etc/fstab); tests feed their own.
    struct MountTable
    {
        QByteArray mountInfo;
        QByteArray fstab;
        static MountTable ofThisSystem();
    };

    explicit FolderDoctor(const SystemParameters &params,
                          const MountTable &mounts = MountTable::ofThisSystem())
        : m_params(params), m_mounts(mounts)
    {
    }

    /// Every check; just one when the folder is no program folder at all.
    QList<Check> run();

    /// A mount: where, its file system type and all its options (the fstab line's included,
    /// since FUSE shares keep theirs out of the mount table).
    struct Mount
    {
        QString point;
        QString type;
        QStringList options;
        bool listed = false; // in /etc/fstab
        QString source;      // what is mounted: a device or a share's address
    };
    /// The mount of `mounts` that holds `canonicalPath`.
    static Mount mountHolding(const QString &canonicalPath, const MountTable &mounts);

    /// How long a share may cache a file's times, in seconds; LocalDisk for a file system of
    /// this machine, UnknownCache for a share whose options do not say.
    static constexpr int LocalDisk = -1;
    static constexpr int UnknownCache = -2;
    static int attributeCacheSeconds(const Mount &mount);

private:
    /// Why the folder is no program folder (missing, unreadable, not mounted, empty); empty
    /// text when it is one.
    QString notAProgramFolder() const;
    void checkPrograms();
    void checkProgramFilesProtected();
    void checkFile(const QString &relativePath);
    void checkSettings();
    void checkDataFormat();
    void checkQueueFile();
    void checkChangeSignal();
    void checkDatabase(const QString &relativePath);
    void checkWritableFolder(const QString &relativePath);
    void checkQueueLock();
    void checkOpenDesks();
    void checkFileSystem();
    void checkAttributeCache();

    /// Why the programs could not read a file; empty when they can.
    QString unreadable(const QString &relativePath) const;
    void pass(const QString &subject, const QString &detail = {});
    void fail(const QString &subject, const QString &problem);
    void warn(const QString &subject, const QString &problem);
    QString path(const QString &relativePath) const;

    SystemParameters m_params;
    MountTable m_mounts;
    QList<Check> m_checks;
};
