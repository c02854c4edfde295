#include "TestSupport.h"

#include "LockedSection.h"
#include "WatchDog.h"
#include "clsQuorvel.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <utime.h>

class tst_watchdog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstSecondChangedMissing();
    void everyChangeRewritesTheSignal();
    void unwritableSignalIsSilent();
    void changeLeftUnsignalledIsSeen_data();
    void changeLeftUnsignalledIsSeen();
    void logLines();
};

void tst_watchdog::firstSecondChangedMissing()
{
    TestFolder folder;
    const QString path = folder.context.params.watchDogPath();
    QVERIFY(!QFile::exists(path));
    clsQuorvel watcher(folder.context);
    QVERIFY(watcher.CheckWatchDog(path)); // missing: made empty, reload
    QVERIFY(QFile::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);
    QVERIFY(!watcher.CheckWatchDog(path));

    clsQuorvel other(folder.context);
    QVERIFY(other.CheckWatchDog(path)); // the first check of an instance always reloads

    // A change within the same second is still seen (full-resolution time).
    clsQuorvel(folder.context).addCustomerToQueue("Ann", "Lee", "Taxes");
    QVERIFY(watcher.CheckWatchDog(path));
    QVERIFY(!watcher.CheckWatchDog(path));
    struct utimbuf old
    {
        1000000000, 1000000000
    };
    QCOMPARE(::utime(QFile::encodeName(path).constData(), &old), 0);
    QVERIFY(watcher.CheckWatchDog(path));
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_watchdog::everyChangeRewritesTheSignal()
{
    TestFolder folder;
    const QString path = folder.context.params.watchDogPath();
    clsQuorvel entry(folder.context);
    const int id = entry.addCustomerToQueue("Ann", "Lee", "Taxes");
    QFile signal(path);
    QVERIFY(signal.open(QIODevice::ReadOnly));
    QCOMPARE(signal.readAll(),
             QByteArray("*** Do not modify or remove this file!  Used by Quorvel ***\r\n"));
    signal.close();
    for (auto change : {+[](clsQuorvel &e, int i) { return e.updateLobbyEntry(i); },
                        +[](clsQuorvel &e, int i) { return e.removeCustomerFromLobby(i); }}) {
        QFile::remove(path);
        QVERIFY(change(entry, id));
        QVERIFY(QFile::exists(path));
    }
    // Reads never touch it.
    QFile::remove(path);
    QueueListing listing;
    entry.loadQueue(listing, true);
    entry.verifyLobbyEntry(id);
    QVERIFY(!QFile::exists(path));
}

void tst_watchdog::unwritableSignalIsSilent()
{
    TestFolder folder;
    // A folder where the signal file should be: it cannot be written, the change still stands.
    QVERIFY(QDir().mkpath(folder.context.params.watchDogPath()));
    folder.context.params.logEnabled = true;
    folder.context.params.logPath = folder.filePath("frontLog.log");
    clsQuorvel entry(folder.context);
    QVERIFY(entry.addCustomerToQueue("Ann", "Lee", "Taxes") != 0);
    QVERIFY(folder.prompter.boxes.isEmpty());
    QFile log(folder.context.params.logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(
        log.readAll().contains(" - [clsQuorvel.updateWatchDog:  Error updating watchdog file.  "));
}

void tst_watchdog::changeLeftUnsignalledIsSeen_data()
{
    QTest::addColumn<bool>("byNextHolder");
    QTest::newRow("a watcher") << false;
    QTest::newRow("the next holder of the lock") << true;
}

// A holder that ended between replacing the queue file and rewriting the signal: a watcher
// reloads all the same, and the watcher or the next holder of the lock rewrites the signal for
// every other desk.
void tst_watchdog::changeLeftUnsignalledIsSeen()
{
    QFETCH(bool, byNextHolder);
    TestFolder folder;
    const QString path = folder.context.params.watchDogPath();
    clsQuorvel watcher(folder.context);
    QVERIFY(watcher.CheckWatchDog(path));
    QVERIFY(!watcher.CheckWatchDog(path));
    const FileStamp signalled = readFileStamp(path);
    const qint64 later = QDateTime::currentSecsSinceEpoch() + 10;
    const struct utimbuf replaced
    {
        later, later
    };
    QCOMPARE(::utime(QFile::encodeName(folder.context.params.queuePath).constData(), &replaced), 0);
    if (byNextHolder) {
        LockedSection section(folder.context);
        Failure failure;
        QVERIFY(section.acquire(failure));
    } else {
        QVERIFY(watcher.CheckWatchDog(path));
        QVERIFY(!watcher.CheckWatchDog(path));
    }
    QVERIFY(!(readFileStamp(path) == signalled));
}

void tst_watchdog::logLines()
{
    TestFolder folder;
    folder.context.params.logEnabled = true;
    folder.context.params.logPath = folder.filePath("clientLog.log");
    const QString path = folder.context.params.watchDogPath();
    QFile(path).open(QIODevice::WriteOnly);
    clsQuorvel watcher(folder.context);
    QVERIFY(watcher.CheckWatchDog(path));
    QFile log(folder.context.params.logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    QVERIFY(lines[0].endsWith("- [clsQuorvel.checkWatchDog] Checking " + path.toUtf8() + "\r"));
    QVERIFY(lines[1].contains("- [clsQuorvel.checkWatchDog] FileDateTime = "));
    QVERIFY(lines[2].endsWith("- [clsQuorvel.checkWatchDog] Last FileDateTime = \r"));
    QVERIFY(lines[3].endsWith("- [clsQuorvel.checkWatchDog] CheckWatchDog result is True\r"));
}

QTEST_GUILESS_MAIN(tst_watchdog)
#include "tst_watchdog.moc"
