#include "TestSupport.h"

#include "LockRecord.h"
#include "QueueLock.h"
#include "clsQuorvel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QString lockPath(const TestFolder &folder)
{
    return QueueLock::lockPathFor(folder.context.params.queuePath);
}

QByteArray readLock(const TestFolder &folder)
{
    return readFile(lockPath(folder));
}

/// A lock file as another holder left it.
void leaveLock(const TestFolder &folder, const QByteArray &content)
{
    QVERIFY(writeFile(lockPath(folder), content));
}

/// A record of this machine naming `pid`, started when `startTime` says.
QByteArray holderHere(qint64 pid, const QByteArray &startTime)
{
    LockRecord record = LockRecord::mine();
    record.pid = pid;
    if (!startTime.isEmpty())
        record.startTime = startTime;
    return record.bytes();
}

/// A child process that is ended or, with `zombie`, killed and not reaped (`reap` later).
pid_t endedChild(bool zombie)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::pause();
        ::_exit(0);
    }
    ::kill(pid, SIGKILL);
    if (zombie) {
        // Killed, not yet reaped: wait until it is a zombie, without reaping it.
        siginfo_t info = {};
        ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    } else {
        ::waitpid(pid, nullptr, 0);
    }
    return pid;
}

/// Checks a customer in; the milliseconds it took, or -1 when it failed.
qint64 timedCheckIn(TestFolder &folder)
{
    QElapsedTimer timer;
    timer.start();
    clsQuorvel entry(folder.context);
    return entry.addCustomerToQueue("Ann", "Lee", "Taxes") != 0 ? timer.elapsed() : -1;
}
} // namespace

class tst_queuelock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        QueueLock::resetTimeouts();
        QueueLock::setWaitHook({});
    }
    void liveLockIsNeverBroken_data();
    void liveLockIsNeverBroken();
    void endedHoldersLockIsBrokenAtOnce_data();
    void endedHoldersLockIsBrokenAtOnce();
    void unchangedLockIsBrokenAfterTheStaleTime_data();
    void unchangedLockIsBrokenAfterTheStaleTime();
    void holderThatLostItsLockWritesNothing();
    void waitIsShownAndChangeLeavesNoFile();
};

void tst_queuelock::liveLockIsNeverBroken_data()
{
    QTest::addColumn<int>("datedSeconds");
    QTest::newRow("dated now") << 0;
    QTest::newRow("dated 10 minutes ahead") << 600;
    QTest::newRow("dated 10 minutes behind") << -600;
}

// The stale time is a fraction of the wait: a holder that keeps its beat going is still never
// broken, whatever its lock file's date says.
void tst_queuelock::liveLockIsNeverBroken()
{
    QFETCH(int, datedSeconds);
    TestFolder folder;
    QueueLock::setTimeouts(1500, 300);
    LiveLockHolder live(folder.context.params.queuePath);
    QVERIFY(live.isHolding());
    QFile lock(lockPath(folder));
    QVERIFY(lock.open(QIODevice::ReadWrite));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(datedSeconds),
                             QFileDevice::FileModificationTime));
    QVERIFY(!QueueLock::isStale(folder.context.params.queuePath));
    QCOMPARE(timedCheckIn(folder), -1);
    QCOMPARE(folder.prompter.texts(),
             QStringList("Error adding customer entry.  [addCustomerToQueue]: The queue file is "
                         "in use by another workstation. Please try again."));
    QVERIFY(readLock(folder).contains("\nanother-desk\n"));
}

void tst_queuelock::endedHoldersLockIsBrokenAtOnce_data()
{
    QTest::addColumn<QString>("holder");
    QTest::newRow("ended") << "ended";
    QTest::newRow("zombie") << "zombie";
    QTest::newRow("number taken by another process") << "reused";
}

void tst_queuelock::endedHoldersLockIsBrokenAtOnce()
{
    QFETCH(QString, holder);
    TestFolder folder;
    folder.context.params.logEnabled = true;
    folder.context.params.logPath = folder.filePath("test.log");
    const bool reused = holder == "reused";
    const pid_t pid = reused ? ::getpid() : endedChild(holder == "zombie");
    leaveLock(folder, holderHere(pid, reused ? "1" : ""));
    QString reason;
    QVERIFY(QueueLock::isStale(folder.context.params.queuePath, &reason));
    QVERIFY(reason.contains(QString::number(pid)));
    const qint64 took = timedCheckIn(folder);
    if (!reused)
        ::waitpid(pid, nullptr, 0);
    QVERIFY2(took >= 0 && took < 250, qPrintable(QString::number(took)));
    QVERIFY(!QFile::exists(lockPath(folder)));
    QFile log(folder.context.params.logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("Broke the stale lock"));
}

void tst_queuelock::unchangedLockIsBrokenAfterTheStaleTime_data()
{
    QTest::addColumn<QByteArray>("content");
    LockRecord elsewhere = LockRecord::mine();
    elsewhere.machine = "another-machine";
    QTest::newRow("another machine's") << elsewhere.bytes();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("half-written") << elsewhere.bytes().left(9);
}

void tst_queuelock::unchangedLockIsBrokenAfterTheStaleTime()
{
    QFETCH(QByteArray, content);
    TestFolder folder;
    QueueLock::setTimeouts(5000, 600);
    leaveLock(folder, content);
    QVERIFY(!QueueLock::isStale(folder.context.params.queuePath));
    const qint64 took = timedCheckIn(folder);
    QVERIFY2(took >= 600 && took < 2000, qPrintable(QString::number(took)));
}

// Another workstation broke this holder's lock while it was stopped and holds its own now: the
// late holder neither replaces the queue nor removes the other's lock.
void tst_queuelock::holderThatLostItsLockWritesNothing()
{
    TestFolder folder;
    const QByteArray queue = folder.readQueue();
    QueueLock lock(folder.context.params.queuePath);
    Failure failure;
    QVERIFY(lock.acquire(failure));
    QVERIFY(QFile::remove(lockPath(folder)));
    LiveLockHolder other(folder.context.params.queuePath);
    QVERIFY(!QueueLock::commit(folder.context.params.queuePath, "<LOBBY/>", failure));
    QVERIFY(failure.description.endsWith("the change did not happen."));
    QueueLock nested(folder.context.params.queuePath);
    QVERIFY(!nested.acquire(failure));
    lock.release();
    QCOMPARE(folder.readQueue(), queue);
    QVERIFY(readLock(folder).contains("\nanother-desk\n"));
    QCOMPARE(QDir(folder.filePath("data")).entryList({"lobbyData.xml.*"}, QDir::Files),
             QStringList("lobbyData.xml.lock"));
}

void tst_queuelock::waitIsShownAndChangeLeavesNoFile()
{
    TestFolder folder;
    QueueLock::setTimeouts(300, 30000);
    QList<bool> calls;
    QueueLock::setWaitHook([&](bool waiting) { calls.append(waiting); });
    QVERIFY(timedCheckIn(folder) >= 0);
    QVERIFY(calls.isEmpty()); // a free lock is no wait

    {
        LiveLockHolder live(folder.context.params.queuePath);
        QCOMPARE(timedCheckIn(folder), -1);
    }
    QVERIFY(calls.size() >= 3);
    QVERIFY(calls.first());
    QCOMPARE(calls.last(), false);
    QCOMPARE(calls.count(false), 1);
    QVERIFY(QFile::remove(lockPath(folder)));

    // Every change leaves the data folder as it found it, but for the queue and its signal.
    const QStringList before = QDir(folder.filePath("data")).entryList(QDir::Files);
    clsQuorvel entry(folder.context);
    const int id = entry.addCustomerToQueue("Bob", "Ray", "Taxes");
    QVERIFY(entry.loadLobbyEntry(id));
    QVERIFY(entry.updateLobbyEntry(id));
    QVERIFY(entry.removeCustomerFromLobby(id));
    QCOMPARE(QDir(folder.filePath("data")).entryList(QDir::Files), before);
}

QTEST_GUILESS_MAIN(tst_queuelock)
#include "tst_queuelock.moc"
