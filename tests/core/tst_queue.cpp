#include "TestSupport.h"

#include "QueueLock.h"
#include "RepNames.h"
#include "clsQuorvel.h"

#include <QFile>
#include <QLockFile>
#include <QTest>

namespace {
QByteArray record(int id, const char *first, int status, const char *timeIn, const char *dateIn,
                  const char *userId = "", const char *timeSeen = "")
{
    return QStringLiteral(
               "<QUEUE_REC id=\"%1\"><FIRST_NAME value=\"%2\"/><LAST_NAME value=\"Lee\"/>"
               "<LOBBY_STATUS value=\"%3\"/><SERVICE value=\"Taxes\"/>"
               "<USER_ID value=\"%4\"/><TIME_IN value=\"%5\"/><DATE_IN value=\"%6\"/>"
               "<TIME_SEEN value=\"%7\"/></QUEUE_REC>")
        .arg(id)
        .arg(QLatin1String(first))
        .arg(status)
        .arg(QLatin1String(userId), QLatin1String(timeIn), QLatin1String(dateIn),
             QLatin1String(timeSeen))
        .toUtf8();
}

QByteArray lobby(const QByteArray &records)
{
    return "<?xml version=\"1.0\"?>\r\n<LOBBY>" + records + "</LOBBY>";
}
} // namespace

class tst_queue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void idsSpanTheDay();
    void idsStayUnique();
    void hostileTextRoundTrips();
    void loadAndUpdate();
    void recordsOfOtherVersions_data();
    void recordsOfOtherVersions();
    void firstMatchOnDuplicateIds();
    void missingIdStillRewrites();
    void missingAndEmptyFiles();
    void corruptedRootEndsProgram();
    void unreadableFileIsNeverOverwritten();
    void missingTimeSeenAttribute();
    void listingRowsAndMarks();
    void improperShutdownOnlyForThisUser();
    void busyLockFailsWithoutHanging();
    void staleLockIsBroken();
};

void tst_queue::idsSpanTheDay()
{
    TestFolder folder;
    clsQuorvel entry(folder.context);
    folder.clock.setTime(QTime(0, 0, 0));
    QCOMPARE(entry.addCustomerToQueue("Ann", "Lee", "Taxes"), 86400);
    folder.clock.setTime(QTime(23, 59, 59));
    QCOMPARE(entry.addCustomerToQueue("Bob", "Ray", "Taxes"), 172799);
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_queue::idsStayUnique()
{
    TestFolder folder;
    clsQuorvel entry(folder.context);
    folder.clock.setTime(QTime(23, 59, 58));
    QCOMPARE(entry.addCustomerToQueue("A", "A", "S"), 172798);
    QCOMPARE(entry.addCustomerToQueue("B", "B", "S"), 172799); // same second: next free id
    QCOMPARE(entry.addCustomerToQueue("C", "C", "S"), 86400);  // wraps to the start of the day
    QVERIFY(entry.removeCustomerFromLobby(172799));
    QVERIFY(entry.loadLobbyEntry(172798));
    QCOMPARE(entry.firstName, QString("A"));
    QVERIFY(entry.loadLobbyEntry(86400));
    QCOMPARE(entry.firstName, QString("C"));
}

void tst_queue::hostileTextRoundTrips()
{
    TestFolder folder;
    clsQuorvel entry(folder.context);
    const QString first = QString("O'Neil \"Jr\" & <Sons> ]]> Zoë 李") + QString(30, 'x');
    const QString last = QString(64, QChar(0x00E9));
    const QString service = "Tax \"return\" & 'refund' <urgent>";
    const int id = entry.addCustomerToQueue(first, last, service);
    QVERIFY(id != 0);
    clsQuorvel loaded(folder.context);
    QVERIFY(loaded.loadLobbyEntry(id));
    QCOMPARE(loaded.firstName, first);
    QCOMPARE(loaded.lastName, last);
    QCOMPARE(loaded.service, service);
    QueueListing listing;
    QCOMPARE(loaded.loadQueue(listing, true), 1);
    QCOMPARE(listing.waiting.first().text(), first + ' ' + last);
}

void tst_queue::loadAndUpdate()
{
    TestFolder folder;
    folder.writeQueue(
        lobby(record(100000, "Ann", 0, "1:58:02 PM", "12/6/2026", "7", "2:00:00 PM")));
    clsQuorvel entry(folder.context);
    // A waiting entry ignores whatever user and time seen the file holds.
    QVERIFY(entry.loadLobbyEntry(100000));
    QCOMPARE(entry.lobbystatus, qint16(0));
    QCOMPARE(entry.repID, 0);
    QVERIFY(entry.timeSeen.isNull());
    QCOMPARE(entry.Timein, QTime(13, 58, 2));
    QCOMPARE(entry.dateIn, QDate(2026, 12, 6));

    entry.lobbystatus = 1;
    entry.repID = 5;
    entry.timeSeen = LooseTime::fromTime(QTime(14, 1, 10));
    QVERIFY(entry.updateLobbyEntry(100000));
    clsQuorvel taken(folder.context);
    QVERIFY(taken.loadLobbyEntry(100000));
    QCOMPARE(taken.lobbystatus, qint16(1));
    QCOMPARE(taken.repID, 5);
    QCOMPARE(taken.timeSeen.toTime(), QTime(14, 1, 10));
    QVERIFY(folder.readQueue().contains("<TIME_SEEN value=\"2:01:10 PM\""));

    // A fresh object's unset time seen is written empty and loads back as null.
    clsQuorvel fresh(folder.context);
    fresh.firstName = "Ann";
    fresh.lobbystatus = 1;
    fresh.repID = 5;
    fresh.dateIn = QDate(2026, 12, 6);
    QVERIFY(fresh.updateLobbyEntry(100000));
    QVERIFY(folder.readQueue().contains("<TIME_SEEN value=\"\""));
    QVERIFY(taken.loadLobbyEntry(100000));
    QVERIFY(taken.timeSeen.isNull());
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_queue::recordsOfOtherVersions_data()
{
    QTest::addColumn<QByteArray>("added");
    QTest::addColumn<QString>("visitKey");
    QTest::newRow("before keys") << QByteArray() << QString();
    // What a later version adds is read past, and kept by a version that does not know it.
    QTest::newRow("key and a later element")
        << QByteArray("<VISIT_KEY value=\"k1\"/><PRIORITY value=\"3\"/>") << QString("k1");
}

void tst_queue::recordsOfOtherVersions()
{
    QFETCH(QByteArray, added);
    QFETCH(QString, visitKey);
    TestFolder folder;
    folder.writeQueue(lobby(record(100000, "Ann", 0, "1:58:02 PM", "12/6/2026")
                                .replace("</QUEUE_REC>", added + "</QUEUE_REC>")));
    clsQuorvel entry(folder.context);
    QVERIFY(entry.loadLobbyEntry(100000));
    QCOMPARE(entry.visitKey, visitKey);
    QueueListing listing;
    QCOMPARE(entry.loadQueue(listing, true), 1);
    QCOMPARE(listing.waiting[0].visitKey, visitKey);

    clsQuorvel fresh(folder.context); // as the reception's correction writes, without a key
    fresh.firstName = "Anne";
    fresh.dateIn = QDate(2026, 12, 6);
    QVERIFY(fresh.updateLobbyEntry(100000));
    QVERIFY(folder.readQueue().contains("<TIME_SEEN value=\"\"/>" + added + "</QUEUE_REC>"));
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_queue::firstMatchOnDuplicateIds()
{
    TestFolder folder;
    folder.writeQueue(lobby(record(90000, "First", 0, "1:00:00 AM", "12/6/2026") +
                            record(90000, "Second", 0, "1:00:00 AM", "12/6/2026")));
    clsQuorvel entry(folder.context);
    QVERIFY(entry.loadLobbyEntry(90000));
    QCOMPARE(entry.firstName, QString("First"));
    entry.firstName = "Changed";
    QVERIFY(entry.updateLobbyEntry(90000));
    QVERIFY(entry.removeCustomerFromLobby(90000));
    QVERIFY(entry.loadLobbyEntry(90000));
    QCOMPARE(entry.firstName, QString("Second"));
    QVERIFY(!folder.readQueue().contains("Changed"));
}

void tst_queue::missingIdStillRewrites()
{
    TestFolder folder;
    clsQuorvel entry(folder.context);
    const int id = entry.addCustomerToQueue("Ann", "Lee", "Taxes");
    const QByteArray before = folder.readQueue();
    QFile::remove(folder.context.params.watchDogPath());
    QVERIFY(entry.updateLobbyEntry(id + 1));
    QVERIFY(QFile::exists(folder.context.params.watchDogPath()));
    QFile::remove(folder.context.params.watchDogPath());
    QVERIFY(entry.removeCustomerFromLobby(id + 1));
    QVERIFY(QFile::exists(folder.context.params.watchDogPath()));
    QCOMPARE(folder.readQueue(), before);
    QVERIFY(!entry.verifyLobbyEntry(id + 1));
    QVERIFY(!entry.loadLobbyEntry(id + 1));
    QVERIFY(entry.verifyLobbyEntry(id));
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_queue::missingAndEmptyFiles()
{
    for (const QByteArray &content : {QByteArray(), QByteArray("<?xml version=\"1.0\"?>")}) {
        TestFolder folder;
        if (content.isNull())
            QFile::remove(folder.context.params.queuePath);
        else
            folder.writeQueue(content);
        clsQuorvel entry(folder.context);
        QueueListing listing;
        QCOMPARE(entry.loadQueue(listing, true), 0); // lists as an empty queue
        QVERIFY(folder.prompter.boxes.isEmpty());
        QCOMPARE(entry.addCustomerToQueue("Ann", "Lee", "Taxes"), 0);
        QCOMPARE(folder.prompter.boxes.size(), 1);
        QVERIFY(folder.prompter.boxes[0].text.startsWith(
            "Error adding customer entry.  [addCustomerToQueue]: "));
        QCOMPARE(folder.prompter.boxes[0].title, QString("Error"));
        QVERIFY(!folder.programEnd.ended);
        QCOMPARE(QFile::exists(folder.context.params.queuePath), !content.isNull());
    }
}

void tst_queue::corruptedRootEndsProgram()
{
    TestFolder folder;
    const QByteArray corrupted = "<?xml version=\"1.0\"?><lobby></lobby>";
    folder.writeQueue(corrupted);
    bool lockFreeWhileShown = false;
    folder.prompter.onBox = [&](const RecordingPrompter::Box &) {
        lockFreeWhileShown =
            !QFile::exists(QueueLock::lockPathFor(folder.context.params.queuePath));
    };
    clsQuorvel entry(folder.context);
    QCOMPARE(entry.addCustomerToQueue("Ann", "Lee", "Taxes"), 0);
    QCOMPARE(folder.prompter.texts(),
             QStringList("The lobbyData.xml file is corrupted.  Please replace this file."));
    QCOMPARE(folder.prompter.titles(), QStringList("Data file"));
    QVERIFY(lockFreeWhileShown);
    QVERIFY(folder.programEnd.ended);
    QCOMPARE(folder.readQueue(), corrupted);
}

void tst_queue::unreadableFileIsNeverOverwritten()
{
    const QByteArray truncated = lobby(record(90000, "Ann", 0, "1:00:00 AM", "12/6/2026")).left(80);
    TestFolder folder;
    folder.writeQueue(truncated);
    clsQuorvel entry(folder.context);
    QVERIFY(!entry.updateLobbyEntry(90000));
    QVERIFY(!entry.removeCustomerFromLobby(90000));
    QCOMPARE(folder.prompter.boxes.size(), 2);
    QVERIFY(folder.prompter.boxes[0].text.startsWith("XML error.  [updateLobbyEntry]: "));
    QVERIFY(folder.prompter.boxes[1].text.startsWith(
        "Error deleting queue item.  [removeCustomerFromLobby]: "));
    QVERIFY(folder.prompter.boxes[1].title.startsWith("Error "));
    QCOMPARE(folder.readQueue(), truncated);

    QFile::remove(folder.context.params.queuePath);
    QVERIFY(!entry.removeCustomerFromLobby(90000));
    QVERIFY(!QFile::exists(folder.context.params.queuePath));
}

void tst_queue::missingTimeSeenAttribute()
{
    TestFolder folder;
    QByteArray rec = record(90000, "Ann", 1, "1:00:00 AM", "12/6/2026", "7", "2:00:00 AM");
    rec.replace("<TIME_SEEN value=\"2:00:00 AM\"/>", "<TIME_SEEN/>");
    folder.writeQueue(lobby(rec));
    clsQuorvel entry(folder.context);
    QVERIFY(entry.loadLobbyEntry(90000));
    QCOMPARE(folder.prompter.boxes.size(), 1);
    QVERIFY(folder.prompter.boxes[0].text.startsWith("XML error:  [getElementAttrVal]: "));
    QVERIFY(entry.timeSeen.isNull());
    QCOMPARE(entry.repID, 7);
}

void tst_queue::listingRowsAndMarks()
{
    TestFolder folder;
    folder.context.params.MaxLimit = 10;
    folder.writeQueue(
        lobby(record(90001, "Early", 0, "9:00:59 AM", "12/6/2026") +
              record(90002, "Served", 1, "9:01:00 AM", "12/5/2026", "3", "9:05:00 AM") +
              record(90003, "Late", 0, "9:05:00 AM", "12/6/2026") +
              record(90004, "Odd", 2, "9:05:00 AM", "12/6/2026", "3")));
    RepNames names;
    names.add(3, "Dana Whitfield");
    clsQuorvel entry(folder.context);
    QueueListing listing;

    folder.clock.setTime(QTime(9, 9, 59));
    QCOMPARE(entry.loadQueue(listing, true, 0, &names), 2);
    QCOMPARE(listing.overdueCount, 0);
    QVERIFY(!entry.hasExpiredEntries()); // only the in-service record is from yesterday
    QCOMPARE(listing.inService.size(), 1);
    QCOMPARE(listing.inService[0].repName, QString("Dana Whitfield"));
    QCOMPARE(listing.inService[0].dateInText(), QString("12/05/26"));
    QCOMPARE(listing.waiting[0].timeInText(), QString("09:00 am"));
    QCOMPARE(listing.waiting[0].id, 90001);

    // Seconds don't count: 9:00:59 has waited 10 minutes at 9:10:00.
    folder.clock.setTime(QTime(9, 10, 0));
    QVERIFY(refreshOverdueMarks(listing, folder.clock.timeOfDay(), 10));
    QCOMPARE(listing.overdueCount, 1);
    QVERIFY(listing.waiting[0].overdue);
    QVERIFY(!listing.waiting[1].overdue);
    QVERIFY(!refreshOverdueMarks(listing, folder.clock.timeOfDay(), 10));

    // A waiting record from yesterday is flagged; a client listing shows no in-service rows.
    folder.writeQueue(lobby(record(90001, "Old", 0, "9:00:00 AM", "12/5/2026")));
    QCOMPARE(entry.loadQueue(listing, false, 7), 1);
    QVERIFY(entry.hasExpiredEntries());
    QVERIFY(listing.inService.isEmpty());

    // A record that cannot be read keeps the rows before it, and the count reads 0.
    folder.writeQueue(lobby(record(90001, "Good", 0, "9:00:00 AM", "12/6/2026") +
                            record(90002, "Bad", 0, "nonsense", "12/6/2026")));
    QCOMPARE(entry.loadQueue(listing, true), 0);
    QCOMPARE(listing.waiting.size(), 1);
    QCOMPARE(listing.waitingCount, 0);
    QVERIFY(
        folder.prompter.boxes.last().text.startsWith("Error loading queue data.  [loadQueue]: "));
}

void tst_queue::improperShutdownOnlyForThisUser()
{
    TestFolder folder;
    folder.writeQueue(
        lobby(record(90001, "Mine", 1, "9:00:00 AM", "12/6/2026", "7", "9:01:00 AM") +
              record(90002, "Other", 1, "9:00:00 AM", "12/6/2026", "8", "9:01:00 AM")));
    clsQuorvel reception(folder.context);
    QueueListing listing;
    reception.loadQueue(listing, true, 0);
    QCOMPARE(reception.improperShutdown(), 0);
    clsQuorvel client(folder.context);
    client.loadQueue(listing, false, 7);
    QCOMPARE(client.improperShutdown(), 90001);
    folder.writeQueue(lobby(QByteArray()));
    client.loadQueue(listing, false, 7);
    QCOMPARE(client.improperShutdown(), 90001); // never reset by a listing
}

void tst_queue::busyLockFailsWithoutHanging()
{
    TestFolder folder;
    QueueLock::setTimeouts(300, 60000);
    // Another instance (here a second lock file object) holds the lock.
    QLockFile other(QueueLock::lockPathFor(folder.context.params.queuePath));
    QVERIFY(other.tryLock(0));
    clsQuorvel entry(folder.context);
    QCOMPARE(entry.addCustomerToQueue("Ann", "Lee", "Taxes"), 0);
    QVERIFY(!entry.removeCustomerFromLobby(1));
    QCOMPARE(folder.prompter.boxes.size(), 2);
    QVERIFY(folder.prompter.boxes[0].text.contains("in use by another workstation"));
    other.unlock();
    QVERIFY(entry.addCustomerToQueue("Ann", "Lee", "Taxes") != 0);
    QueueLock::resetTimeouts();
}

void tst_queue::staleLockIsBroken()
{
    TestFolder folder;
    // A lock left by a crashed instance on another workstation: old, foreign host and pid.
    QVERIFY(writeFile(QueueLock::lockPathFor(folder.context.params.queuePath),
                      "999999\nquorvelClient\nanother-workstation\n"));
    QueueLock::setTimeouts(3000, 200);
    QTest::qWait(400);
    clsQuorvel entry(folder.context);
    QVERIFY(entry.addCustomerToQueue("Ann", "Lee", "Taxes") != 0);
    QueueLock::resetTimeouts();
}

QTEST_GUILESS_MAIN(tst_queue)
#include "tst_queue.moc"
