#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>

#include <functional>

/// The exclusive lock beside the queue file that serialises every load-change-save across all
/// instances on all workstations. The lock is the queue file's next version: a change creates
/// `lobbyData.xml.lock` exclusively, writes the new content into it, syncs it once and renames it
/// over the queue file, so the rename is the release; readers take no lock and always see a
/// whole file. Re-entrant within one process, so a sequence that holds it (a take, a sign-out)
/// can run the single operations inside.
///
/// A lock whose holder has died is broken: at once where the file system's own locks show it
/// (the holder keeps an `fcntl` lock on the file while it lives), otherwise by its age on the
/// share's own clock, never the local one. A lock that is still held is never broken.
class QueueLock
{
public:
    using Logger = std::function<void(const QString &)>;

    /// `log` receives a line when this lock breaks one left by a crash.
    explicit QueueLock(const QString &queuePath, Logger log = {});
    ~QueueLock();
    QueueLock(const QueueLock &) = delete;
    QueueLock &operator=(const QueueLock &) = delete;

    bool acquire(Failure &failure);
    /// Gives the lock up; a hold that ends without a commit removes its lock file.
    void release();

    /// Lets the next commit end this hold and every hold around it by renaming the lock file
    /// over the queue file, for a sequence whose last step is that save (a take, a sign-out):
    /// it then costs no more than a single change. A later commit in the same hold fails.
    void releaseWithNextCommit();

    /// Writes `bytes` as the new queue file through the lock this process holds (taking it for
    /// the moment when it does not): the outermost hold renames the lock file over the queue
    /// file, a hold nested in a longer sequence replaces the queue file and keeps the lock.
    static bool commit(const QString &queuePath, const QByteArray &bytes, Failure &failure);

    /// How long to wait for a busy lock, and how old a lock of another workstation must be on
    /// the share's clock before it counts as left by a crash (tests shorten both).
    static void setTimeouts(int waitMilliseconds, int staleMilliseconds);
    static void resetTimeouts();

    static QString lockPathFor(const QString &queuePath);

    /// A number that names this process's current hold of the lock beside `queuePath`, the
    /// same for as long as the hold lasts; 0 when it holds none (or has given it up by a commit).
    static quint64 holdHere(const QString &queuePath);

    /// True when the lock beside `queuePath` exists and was left by a holder that is gone, so
    /// the next change will break it; `reason` says why.
    static bool isStale(const QString &queuePath, QString *reason = nullptr);

    /// Called at every pause while a change waits for a busy lock (`true`), and once when the
    /// wait ends (`false`), so a program can keep its windows painting and show the wait.
    using WaitHook = std::function<void(bool waiting)>;
    static void setWaitHook(WaitHook hook);

private:
    /// Creates the lock file, waiting while another holds it; its descriptor, or -1.
    int createLock(Failure &failure) const;

    QString m_queuePath;
    QString m_lockPath;
    Logger m_log;
    bool m_held = false;
};
