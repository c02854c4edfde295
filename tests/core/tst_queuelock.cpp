#include "TestSupport.h"

#include "QueueLock.h"
#include "clsQuorvel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {
QString lockPath(const TestFolder &folder)
{
    return QueueLock::lockPathFor(folder.context.params.queuePath);
}

/// A lock file as another holder left it, dated `secondsFromNow` on the local clock.
void leaveLock(const TestFolder &folder, const QByteArray &content, int secondsFromNow)
{
    QFile file(lockPath(folder));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.flush();
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(secondsFromNow),
                             QFileDevice::FileModificationTime));
}

QByteArray holder(qint64 pid, const QByteArray &machine)
{
    return QByteArray::number(pid) + "\nquorvelClient\nsome-desk\n" + machine + '\n';
}

QByteArray thisMachine()
{
    const QByteArray id = QSysInfo::machineUniqueId();
    return id.isEmpty() ? QSysInfo::machineHostName().toUtf8() : id;
}

/// The id of a process that has ended.
qint64 endedProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
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
    void init() { QueueLock::setTimeouts(300, 30000); }
    void cleanup()
    {
        QueueLock::resetTimeouts();
        QueueLock::setWaitHook({});
    }
    void heldLockIsNeverBroken_data();
    void heldLockIsNeverBroken();
    void deadHoldersLockIsBrokenAtOnce_data();
    void deadHoldersLockIsBrokenAtOnce();
    void otherMachinesLockByTheSharesClock();
    void emptyLockOfADeadProcess();
    void waitIsShownAndChangeLeavesNoFile();
};

void tst_queuelock::heldLockIsNeverBroken_data()
{
    QTest::addColumn<int>("secondsFromNow");
    QTest::addColumn<bool>("otherMachine");
    QTest::newRow("60 s ahead") << 60 << false;
    QTest::newRow("60 s behind") << -60 << false;
    QTest::newRow("another machine's, 60 s behind") << -60 << true;
}

void tst_queuelock::heldLockIsNeverBroken()
{
    QFETCH(int, secondsFromNow);
    QFETCH(bool, otherMachine);
    TestFolder folder;
    const QByteArray content =
        holder(otherMachine ? 4242 : ::getpid(), otherMachine ? "another-machine" : thisMachine());
    leaveLock(folder, content, secondsFromNow);
    LiveLockHolder live(folder.context.params.queuePath);
    QVERIFY(live.isHolding());
    QVERIFY(!QueueLock::isStale(folder.context.params.queuePath));
    QCOMPARE(timedCheckIn(folder), -1);
    QCOMPARE(folder.prompter.boxes.size(), 1);
    QVERIFY(folder.prompter.boxes[0].text.endsWith(
        "The queue file is in use by another workstation. Please try again."));
    QFile lock(lockPath(folder));
    QVERIFY(lock.open(QIODevice::ReadOnly));
    QCOMPARE(lock.readAll(), content);
}

void tst_queuelock::deadHoldersLockIsBrokenAtOnce_data()
{
    QTest::addColumn<int>("secondsFromNow");
    QTest::newRow("60 s ahead") << 60;
    QTest::newRow("60 s behind") << -60;
    QTest::newRow("just now") << 0;
}

void tst_queuelock::deadHoldersLockIsBrokenAtOnce()
{
    QFETCH(int, secondsFromNow);
    TestFolder folder;
    folder.context.params.logEnabled = true;
    folder.context.params.logPath = folder.filePath("test.log");
    const qint64 pid = endedProcess();
    leaveLock(folder, holder(pid, thisMachine()), secondsFromNow);
    QString reason;
    QVERIFY(QueueLock::isStale(folder.context.params.queuePath, &reason));
    QVERIFY(reason.contains(QString::number(pid)));
    const qint64 took = timedCheckIn(folder);
    QVERIFY2(took >= 0 && took < 250, qPrintable(QString::number(took)));
    QVERIFY(!QFile::exists(lockPath(folder)));
    QFile log(folder.context.params.logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("Broke the stale lock"));
}

// Without a lock of the file system to go by, only age counts, on the clock of the folder.
void tst_queuelock::otherMachinesLockByTheSharesClock()
{
    TestFolder folder;
    const QByteArray content = holder(4242, "another-machine");
    leaveLock(folder, content, -10);
    QVERIFY(!QueueLock::isStale(folder.context.params.queuePath));
    QCOMPARE(timedCheckIn(folder), -1);
    leaveLock(folder, content, -60);
    QVERIFY(QueueLock::isStale(folder.context.params.queuePath));
    QVERIFY(timedCheckIn(folder) >= 0);
    leaveLock(folder, content, 60); // stamped far from the folder's clock
    QVERIFY(timedCheckIn(folder) >= 0);
}

void tst_queuelock::emptyLockOfADeadProcess()
{
    TestFolder folder;
    QueueLock::setTimeouts(5000, 30000);
    leaveLock(folder, QByteArray(), 0);
    QVERIFY(!QueueLock::isStale(folder.context.params.queuePath));
    const qint64 took = timedCheckIn(folder);
    QVERIFY2(took >= 1000 && took <= 2500, qPrintable(QString::number(took)));

    leaveLock(folder, "<?xml version=\"1.0\"?><LOBBY><QUEUE_REC id=", -3); // half-written
    QVERIFY(QueueLock::isStale(folder.context.params.queuePath));
    QVERIFY(timedCheckIn(folder) < 250);
}

void tst_queuelock::waitIsShownAndChangeLeavesNoFile()
{
    TestFolder folder;
    QList<bool> calls;
    QueueLock::setWaitHook([&](bool waiting) { calls.append(waiting); });
    QVERIFY(timedCheckIn(folder) >= 0);
    QVERIFY(calls.isEmpty()); // a free lock is no wait

    leaveLock(folder, holder(::getpid(), thisMachine()), 0);
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
