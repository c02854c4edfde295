#include "TestSupport.h"

#include "DataFormat.h"
#include "Database.h"
#include "HistoryArchive.h"
#include "HistoryList.h"
#include "IniFile.h"
#include "ServiceSequences.h"
#include "TextForms.h"
#include "clsQuorvel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(LooseTime)

namespace {
/// A customer checked in at `timeIn` and filled as the client fills it for the sign-out.
int visit(TestFolder &folder, clsQuorvel &entry, const QString &first, const QString &last,
          const QString &service, const QTime &timeIn = QTime(13, 58, 2))
{
    folder.clock.setTime(timeIn);
    const int id = entry.addCustomerToQueue(first, last, service);
    if (id == 0 || !entry.loadLobbyEntry(id))
        return 0;
    entry.lobbystatus = 3;
    entry.repID = 5;
    return id;
}

/// One column of every history row, as stored.
QVariantList column(const TestFolder &folder, const QString &name)
{
    return folder.firstColumn(QStringLiteral("history"),
                              QStringLiteral("SELECT %1 FROM history ORDER BY id").arg(name));
}

bool insertRow(const TestFolder &folder, const QVariantList &values)
{
    return folder.execute(QStringLiteral("history"),
                          QStringLiteral("INSERT INTO history (id, firstName, lastName, "
                                         "serviceRequested, lobbyDateIn, lobbyTimeIn, "
                                         "timeServiced, timeOut, servicedBy, serviceTime) "
                                         "VALUES (?,?,?,?,?,?,?,?,?,?)"),
                          {values});
}

} // namespace

class tst_history : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textForms_data();
    void textForms();
    void maskedDates();
    void serviceTime_data();
    void serviceTime();
    void textIsStoredExactly();
    void completionThatCannotStartChangesNothing_data();
    void completionThatCannotStartChangesNothing();
    void failedRemovalKeepsTheVisitInTheQueue();
    void signOutRetriedAfterACrashWritesOneRow_data();
    void signOutRetriedAfterACrashWritesOneRow();
    void visitsAlikeToTheSecondKeepTheirOwnRows();
    void loadHistoryData();
    void updateHistoryRecord();
    void keysAboveSixteenBits();
    void databaseAccess();
    void lockedDatabaseWaitsThenFails();
    void readerRecoversAWriteLeftHalfDone();
    void dayList();
    void rowReadsAsStored_data();
    void rowReadsAsStored();
    void deskColumnAddedToOlderDatabases();
};

void tst_history::textForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("time");
    QTest::newRow("queue file") << "2:05:09 PM" << QTime(14, 5, 9);
    QTest::newRow("hh:mm:ss am/pm") << "02:07:41 pm" << QTime(14, 7, 41);
    QTest::newRow("midnight am") << "12:00:00 AM" << QTime(0, 0);
    QTest::newRow("hh:mm:ss") << "14:05:09" << QTime(14, 5, 9);
    QTest::newRow("hh:mm") << "14:05" << QTime(14, 5);
    QTest::newRow("masked, blank") << "__:__:__" << QTime();
    QTest::newRow("masked, part blank") << "14:05:__" << QTime();
    QTest::newRow("masked, stripped") << "14:05:" << QTime();
    QTest::newRow("hour 25") << "25:00:00" << QTime();
    QTest::newRow("13 pm") << "13:00 PM" << QTime();
    QTest::newRow("word") << "noon" << QTime();
    QTest::newRow("no-break space") << "\u00A02:05 PM" << QTime(14, 5);
}

void tst_history::textForms()
{
    QFETCH(QString, text);
    QFETCH(QTime, time);
    QCOMPARE(TextForms::parseLooseTime(text), time);
    QCOMPARE(TextForms::parseQueueTimeUtf8(text.toUtf8()), time);
    QCOMPARE(TextForms::parseDbTimeUtf8(text.toUtf8()), time);
    if (time.isValid()) // every form the screens write reads back
        for (const QString &written :
             {TextForms::screenTime24(time), TextForms::screenTime12Seconds(time),
              TextForms::queueTime(time), TextForms::dbTime(time)})
            QCOMPARE(TextForms::parseLooseTime(written), time);
}

void tst_history::maskedDates()
{
    QCOMPARE(TextForms::parseScreenDate("12/06/2026"), QDate(2026, 12, 6));
    QVERIFY(!TextForms::parseScreenDate("12/__/2026").isValid());
    QVERIFY(!TextForms::parseScreenDate("__/__/____").isValid());
    QVERIFY(!TextForms::parseScreenDate("02/30/2026").isValid());
}

void tst_history::serviceTime_data()
{
    QTest::addColumn<LooseTime>("seen");
    QTest::addColumn<LooseTime>("out");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QVariant>("storedSeen");
    QTest::addColumn<QVariant>("storedOut");
    const QVariant null(QMetaType(QMetaType::QString));
    QTest::newRow("a minute boundary")
        << LooseTime::fromTime(QTime(10, 0, 59)) << LooseTime::fromTime(QTime(10, 1, 0)) << 1
        << QVariant("10:00:59") << QVariant("10:01:00");
    QTest::newRow("client's sign-out text")
        << LooseTime::fromTime(QTime(14, 1, 10)) << LooseTime::fromText("02:07:41 pm") << 6
        << QVariant("14:01:10") << QVariant("14:07:41");
    QTest::newRow("across midnight")
        << LooseTime::fromText("23:58:00") << LooseTime::fromText("00:03:00") << 5
        << QVariant("23:58:00") << QVariant("00:03:00");
    QTest::newRow("same minute") << LooseTime::fromTime(QTime(9, 30, 1))
                                 << LooseTime::fromTime(QTime(9, 30, 59)) << 0
                                 << QVariant("09:30:01") << QVariant("09:30:59");
    QTest::newRow("unset seen counts from midnight")
        << LooseTime() << LooseTime::fromTime(QTime(0, 42, 0)) << 42 << null
        << QVariant("00:42:00");
}

void tst_history::serviceTime()
{
    QFETCH(LooseTime, seen);
    QFETCH(LooseTime, out);
    QFETCH(int, minutes);
    QFETCH(QVariant, storedSeen);
    QFETCH(QVariant, storedOut);
    TestFolder folder;
    clsQuorvel entry(folder.context);
    const int id = visit(folder, entry, "Ann", "Lee", "Taxes");
    entry.timeSeen = seen;
    entry.Timeout = out;
    QVERIFY(entry.completeService(id));
    QVERIFY(folder.prompter.boxes.isEmpty());
    QVERIFY(!entry.verifyLobbyEntry(id));
    QCOMPARE(column(folder, "serviceTime"), QVariantList{minutes});
    QCOMPARE(column(folder, "timeServiced"), QVariantList{storedSeen});
    QCOMPARE(column(folder, "timeOut"), QVariantList{storedOut});
}

void tst_history::textIsStoredExactly()
{
    TestFolder folder;
    clsQuorvel entry(folder.context);
    QString first = "O'Neil \"Jr\" Zoë 李";
    first += QString(64 - first.size(), 'x');
    const QString last = "'); DROP TABLE history;--";
    const QString service = "Tax \"return\" & 'refund'";
    const int id = visit(folder, entry, first, last, service);
    entry.timeSeen = LooseTime::fromTime(QTime(14, 1, 10));
    entry.Timeout = LooseTime::fromTime(QTime(14, 7, 41));
    QVERIFY(entry.completeService(id));
    QCOMPARE(entry.firstName, first); // nothing doubled in the object either
    QCOMPARE(column(folder, "firstName"), QVariantList{first});
    QCOMPARE(column(folder, "lastName"), QVariantList{last});
    QCOMPARE(column(folder, "serviceRequested"), QVariantList{service});

    clsQuorvel loaded(folder.context);
    const int row = column(folder, "id").first().toInt();
    QVERIFY(loaded.loadHistoryData(row));
    QCOMPARE(loaded.firstName, first);
    QCOMPARE(loaded.lastName, last);
    QCOMPARE(loaded.service, service);
    loaded.lastName = last + " \"again\"";
    QVERIFY(loaded.updateHistoryRecord(row));
    QVERIFY(loaded.updateHistoryRecord(row)); // a second update stores the same text
    QCOMPARE(column(folder, "lastName"), QVariantList{last + " \"again\""});
    QCOMPARE(column(folder, "serviceRequested"), QVariantList{service});
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_history::completionThatCannotStartChangesNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("number");
    QTest::newRow("null time seen") << "null" << 94;
    QTest::newRow("time out that is no time") << "text" << 13;
    QTest::newRow("entry gone") << "gone" << 3021;
    QTest::newRow("history not a database") << "notdb" << 26;
    QTest::newRow("history missing") << "missing" << 53;
}

void tst_history::completionThatCannotStartChangesNothing()
{
    QFETCH(QString, fault);
    QFETCH(int, number);
    if (TestFolder::onServer() && (fault == "missing" || fault == "notdb"))
        QSKIP("The data folder's history file only.");
    TestFolder folder;
    clsQuorvel entry(folder.context);
    const int id = visit(folder, entry, "Ann", "Lee", "Taxes");
    entry.timeSeen = LooseTime::fromTime(QTime(14, 1, 10));
    entry.Timeout = LooseTime::fromTime(QTime(14, 7, 41));
    const QString historyPath = folder.context.params.historyPath;
    int completeId = id;
    if (fault == "null")
        entry.timeSeen = LooseTime::null();
    else if (fault == "text")
        entry.Timeout = LooseTime::fromText("noon");
    else if (fault == "gone")
        completeId = id + 1;
    else if (fault == "missing")
        QVERIFY(QFile::remove(historyPath));
    else {
        QVERIFY(writeFile(historyPath, QByteArray(8192, 'x')));
    }
    const QList<StoredQueueRecord> queue = folder.queued();

    QVERIFY(!entry.completeService(completeId));
    QCOMPARE(folder.prompter.boxes.size(), 1);
    QVERIFY(folder.prompter.boxes[0].text.startsWith("Error.  [completeService]: "));
    QCOMPARE(folder.prompter.boxes[0].title, QString("Error %1").arg(number));
    QCOMPARE(folder.prompter.boxes[0].icon, Prompter::Icon::Critical);
    QCOMPARE(folder.queued(), queue);
    QCOMPARE(QFile::exists(historyPath), fault != "missing"); // never created by opening
    if (fault != "missing" && fault != "notdb")
        QVERIFY(column(folder, "id").isEmpty());
}

void tst_history::failedRemovalKeepsTheVisitInTheQueue()
{
    SKIP_ON_SERVER("The data folder's queue file only.");
    TestFolder folder;
    clsQuorvel entry(folder.context);
    for (int i = 0; i < 300; ++i) // a queue file larger than the limit below
        QVERIFY(entry.addCustomerToQueue("Waiting", QString::number(i), "Taxes"));
    const int id = visit(folder, entry, "Ann", "Lee", "Taxes");
    entry.timeSeen = LooseTime::fromTime(QTime(14, 1, 10));
    entry.Timeout = LooseTime::fromTime(QTime(14, 7, 41));
    const QByteArray queue = folder.readQueue();
    QVERIFY(queue.size() > 64 * 1024);
    bool completed = true;
    {
        // The history row (a page or two) still fits; the queue file's rewrite does not.
        FileSizeLimit limit(64 * 1024);
        completed = entry.completeService(id);
    }
    QVERIFY(!completed);
    QCOMPARE(folder.prompter.titles().size(), 2);
    QVERIFY(folder.prompter.boxes[0].text.startsWith(
        "Error deleting queue item.  [removeCustomerFromLobby]: "));
    QVERIFY(folder.prompter.boxes[1].text.startsWith("Error.  [completeService]: "));
    QVERIFY(folder.prompter.boxes[0].text.endsWith("File too large")); // the system's reason
    QCOMPARE(folder.readQueue(), queue);
    QVERIFY(entry.verifyLobbyEntry(id));
    QVERIFY(column(folder, "id").isEmpty());
    QCOMPARE(QDir(folder.filePath("data")).entryList(QDir::Files),
             QStringList(
                 {"format.ini", "history.mdb", "lobbyData.xml", "systemData.mdb", "watchdog.dat"}));
}

void tst_history::signOutRetriedAfterACrashWritesOneRow_data()
{
    QTest::addColumn<bool>("fromBeforeKeys");
    QTest::newRow("visit with its key") << false;
    // A queue and a history of the version before keys: recognised by names and times, and the
    // history gains the key's column.
    QTest::newRow("from before keys") << true;
}

// A sign-out killed after its history row and before the queue's rewrite leaves the visit in
// both places; signing it out again, by the client or the reception, only takes the entry away.
void tst_history::signOutRetriedAfterACrashWritesOneRow()
{
    QFETCH(bool, fromBeforeKeys);
    SKIP_ON_SERVER("A crash between the data folder's two files only.");
    TestFolder folder;
    if (fromBeforeKeys)
        QVERIFY(makeFirstVersionHistory(folder.context.params.historyPath));
    clsQuorvel entry(folder.context);
    const int id = visit(folder, entry, "Ann", "Lee", "Taxes");
    const int other = visit(folder, entry, "Ann", "Lee", "Taxes", QTime(14, 30, 0));
    if (fromBeforeKeys)
        folder.writeQueue(QString::fromUtf8(folder.readQueue())
                              .remove(QRegularExpression("<VISIT_KEY value=\"\\w+\"/>"))
                              .toUtf8());
    QVERIFY(entry.loadLobbyEntry(id));
    QCOMPARE(entry.visitKey.isEmpty(), fromBeforeKeys);
    entry.lobbystatus = 3;
    entry.repID = 5;
    entry.timeSeen = LooseTime::fromTime(QTime(14, 1, 10));
    entry.Timeout = LooseTime::fromTime(QTime(14, 7, 41));
    const QByteArray beforeSignOut = folder.readQueue();
    QVERIFY(entry.completeService(id));
    folder.writeQueue(beforeSignOut);

    entry.Timeout = LooseTime::fromTime(QTime(14, 20, 0)); // the retry comes later
    QVERIFY(entry.completeService(id));
    QVERIFY(folder.prompter.boxes.isEmpty());
    QVERIFY(!entry.verifyLobbyEntry(id));
    QCOMPARE(column(folder, "timeOut"), QVariantList{"14:07:41"});

    // Another visit of the same customer is another row.
    QVERIFY(entry.loadLobbyEntry(other));
    entry.repID = 5;
    entry.timeSeen = LooseTime::fromTime(QTime(14, 31, 0));
    QVERIFY(entry.completeService(other));
    QCOMPARE(column(folder, "id").size(), 2);
    const QVariantList keys = column(folder, "visitKey"); // the column is there in both cases
    QCOMPARE(keys.size(), 2);
    for (const QVariant &key : keys)
        QCOMPARE(key.isNull(), fromBeforeKeys);
}

// Ids come round again within the second; two visits alike in everything else stay two.
void tst_history::visitsAlikeToTheSecondKeepTheirOwnRows()
{
    TestFolder folder;
    clsQuorvel desk(folder.context);
    for (int i = 0; i < 10; ++i) {
        const int id = desk.addCustomerToQueue("Ann", "Lee", "Taxes");
        clsQuorvel mine(folder.context);
        QVERIFY(ServiceSequences::takeCustomer(folder.context, id, {}, 5, mine).done());
        QVERIFY(ServiceSequences::signOutCustomer(folder.context, mine, id).done());
    }
    QCOMPARE(column(folder, "id").size(), 10);
    QStringList keys;
    for (const QVariant &key : column(folder, "visitKey"))
        keys << key.toString();
    keys.removeDuplicates();
    QCOMPARE(keys.size(), 10);
}

void tst_history::loadHistoryData()
{
    TestFolder folder;
    const QVariant null(QMetaType(QMetaType::QString));
    QVERIFY(insertRow(folder,
                      {1, "Ann", "Lee", "Taxes", "2026-12-06", "13:58:02", null, null, 5, null}));
    QVERIFY(insertRow(folder, {2, "Bob", "Ray", "Permits", "2026-12-06", "14:00:00", "14:01:10",
                               "14:07:41", 6, 6}));
    QVERIFY(
        insertRow(folder, {3, "Cy", null, "Taxes", "2026-12-06", "14:00:00", null, null, 7, 0}));
    clsQuorvel entry(folder.context);
    QVERIFY(entry.loadHistoryData(1));
    QCOMPARE(entry.lobbystatus, qint16(3));
    QCOMPARE(entry.firstName, QString("Ann"));
    QCOMPARE(entry.Timein, QTime(13, 58, 2));
    QCOMPARE(entry.dateIn, QDate(2026, 12, 6));
    QCOMPARE(entry.repID, 5);
    QVERIFY(entry.Timeout.isNull());
    QVERIFY(entry.timeSeen.isNull());

    QVERIFY(entry.loadHistoryData(2));
    QCOMPARE(entry.timeSeen, LooseTime::fromText("14:01"));
    QCOMPARE(entry.Timeout, LooseTime::fromText("14:07"));

    // No such row: true, and the fields stay as they were.
    QVERIFY(entry.loadHistoryData(99));
    QCOMPARE(entry.firstName, QString("Bob"));
    QVERIFY(folder.prompter.boxes.isEmpty());

    // A null name fails after the fields before it were set.
    QVERIFY(!entry.loadHistoryData(3));
    QCOMPARE(entry.firstName, QString("Cy"));
    QCOMPARE(entry.lastName, QString("Ray"));
    QCOMPARE(folder.prompter.titles(), QStringList{"Error 94"});
    QVERIFY(folder.prompter.boxes[0].text.startsWith(
        "Error loading history data.  [loadHistoryData]: "));
}

void tst_history::updateHistoryRecord()
{
    TestFolder folder;
    QVERIFY(insertRow(folder, {1, "Ann", "Lee", "Taxes", "2026-12-06", "13:58:02", "14:01:10",
                               "14:07:41", 5, 6}));
    clsQuorvel entry(folder.context);
    QVERIFY(entry.loadHistoryData(1));
    entry.Timein = QTime(13, 50, 0);
    entry.dateIn = QDate(2026, 12, 5);
    entry.timeSeen = LooseTime::fromText("13:55:00"); // as typed in the masked boxes
    entry.Timeout = LooseTime::null();
    entry.repID = 40000;
    QVERIFY(entry.updateHistoryRecord(1));
    QCOMPARE(column(folder, "lobbyTimeIn"), QVariantList{"13:50:00"});
    QCOMPARE(column(folder, "lobbyDateIn"), QVariantList{"2026-12-05"});
    QCOMPARE(column(folder, "timeServiced"), QVariantList{"13:55:00"});
    QVERIFY(column(folder, "timeOut").first().isNull());
    QCOMPARE(column(folder, "servicedBy"), QVariantList{40000});
    QCOMPARE(column(folder, "serviceTime"), QVariantList{6}); // not recomputed

    // No such row: true, nothing changes.
    entry.firstName = "Changed";
    QVERIFY(entry.updateHistoryRecord(2));
    QCOMPARE(column(folder, "firstName"), QVariantList{"Ann"});
    QVERIFY(folder.prompter.boxes.isEmpty());

    entry.timeSeen = LooseTime::fromText("13:__:__");
    QVERIFY(!entry.updateHistoryRecord(1));
    QCOMPARE(folder.prompter.titles(), QStringList{"Error 13"});
    QVERIFY(folder.prompter.boxes[0].text.startsWith(
        "Error updating history database.  [updateHistoryRecord]: "));
    QCOMPARE(column(folder, "firstName"), QVariantList{"Ann"});
}

void tst_history::keysAboveSixteenBits()
{
    TestFolder folder;
    const QVariant null(QMetaType(QMetaType::QString));
    QVERIFY(insertRow(folder,
                      {70000, "Old", "Row", "Taxes", "2026-12-06", "08:00:00", null, null, 1, 0}));
    clsQuorvel entry(folder.context);
    const int id = visit(folder, entry, "Ann", "Lee", "Taxes");
    entry.repID = 99999;
    entry.timeSeen = LooseTime::fromTime(QTime(14, 1, 10));
    entry.Timeout = LooseTime::fromTime(QTime(14, 7, 41));
    QVERIFY(entry.completeService(id));
    const int signedOut =
        folder.firstColumn("history", "SELECT id FROM history WHERE firstName = 'Ann'")
            .value(0)
            .toInt();
    if (!TestFolder::onServer()) // the file's row numbers go on from the highest, past 16 bits
        QCOMPARE(signedOut, 70001);
    clsQuorvel loaded(folder.context);
    QVERIFY(loaded.loadHistoryData(signedOut));
    QCOMPARE(loaded.repID, 99999);
    Failure failure;
    const HistoryRows rows =
        folder.context.store().historyOfDay(QDate(2026, 12, 6), 99999, failure);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().id, signedOut);
}

void tst_history::databaseAccess()
{
    SKIP_ON_SERVER("The data folder's databases only.");
    TestFolder folder;
    const QString missing = folder.filePath("data/nothere.mdb");
    {
        Database db(missing);
        QVERIFY(!db.open());
        QCOMPARE(db.failure().number, 53);
    }
    QVERIFY(!QFile::exists(missing));

    // A name the URI form must carry as it is.
    const QString odd = folder.filePath("data/a b#c?d%20.mdb");
    QVERIFY(QFile::copy(folder.context.params.historyPath, odd));
    {
        Database db(odd);
        QVERIFY(db.open());
        QVERIFY(db.exec("SELECT COUNT(*) FROM history"));
    }
    QVERIFY(!QFile::exists(folder.filePath("data/a b")));

    QVERIFY(writeFile(folder.context.params.historyPath, "<?xml version=\"1.0\"?><LOBBY/>"));
    clsQuorvel entry(folder.context);
    QVERIFY(!entry.loadHistoryData(1));
    QCOMPARE(folder.prompter.titles(), QStringList{"Error 26"});
    Failure failure;
    QVERIFY(
        historyOfDay(folder.context.params.historyPath, QDate(2026, 12, 6), 0, failure).isEmpty());
    QCOMPARE(failure.number, 26);
}

void tst_history::lockedDatabaseWaitsThenFails()
{
    SKIP_ON_SERVER("The data folder's history file only.");
    TestFolder folder;
    Database::setBusyTimeout(400);
    Database holder(folder.context.params.historyPath);
    QVERIFY(holder.open());
    QVERIFY(holder.exec("BEGIN EXCLUSIVE"));
    clsQuorvel entry(folder.context);
    entry.timeSeen = LooseTime::fromTime(QTime(14, 0));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!entry.updateHistoryRecord(1));
    QVERIFY(timer.elapsed() >= 350);
    QCOMPARE(folder.prompter.titles(), QStringList{"Error 5"});
    QVERIFY(holder.exec("ROLLBACK"));
    Database::setBusyTimeout(10000);
}

// A writer killed in the middle of its transaction leaves its changes half in the file (a
// journal to roll back) and its queue lock behind: a reader is not refused, it reads the rows as
// they were.
void tst_history::readerRecoversAWriteLeftHalfDone()
{
    SKIP_ON_SERVER("The data folder's history file only.");
    TestFolder folder;
    const QString path = folder.context.params.historyPath;
    const QVariant null(QMetaType(QMetaType::QString));
    QVERIFY(
        insertRow(folder, {1, "Kept", "Row", "Taxes", "2026-12-06", "09:00:00", null, null, 5, 0}));
    const pid_t writer = ::fork();
    if (writer == 0) {
        Database db(path);
        bool written = db.open() && db.exec("PRAGMA cache_size=1") && db.exec("BEGIN");
        for (int i = 0; written && i < 400; ++i)
            written = db.exec("INSERT INTO history (firstName, lobbyDateIn) VALUES (?, ?)",
                              {QString(300, 'x'), "2026-12-06"});
        ::_exit(written ? 0 : 1); // ends before its commit
    }
    int status = 0;
    QCOMPARE(::waitpid(writer, &status, 0), writer);
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(QFile::exists(path + "-journal"));
    Failure failure;
    const HistoryRows rows = historyOfDay(path, QDate(2026, 12, 6), 0, failure);
    QCOMPARE(failure.description, QString());
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].firstName, QString("Kept"));
}

void tst_history::dayList()
{
    TestFolder folder;
    const QVariant null(QMetaType(QMetaType::QString));
    QVERIFY(
        insertRow(folder, {1, "Late", "One", "Taxes", "2026-12-06", "15:00:00", null, null, 5, 0}));
    QVERIFY(insertRow(folder, {2, "Early", "Two", "Permits", "2026-12-06", "09:05:00", "09:10:00",
                               "09:20:30", 6, 10}));
    QVERIFY(insertRow(folder,
                      {3, "Other", "Day", "Taxes", "2026-12-05", "10:00:00", null, null, 5, 0}));
    QVERIFY(insertRow(folder,
                      {4, "Mid", "Three", "Taxes", "2026-12-06", "12:00:00", null, null, 5, 0}));
    Store &store = folder.context.store();
    Failure failure;
    HistoryRows rows = store.historyOfDay(QDate(2026, 12, 6), 0, failure);
    QCOMPARE(failure.number, 0);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].id, 2);
    QCOMPARE(rows[0].timeInText(), QString("09:05 am"));
    QCOMPARE(rows[0].customerText(), QString("Early  Two"));
    QCOMPARE(rows[0].timeOut, QTime(9, 20, 30));
    QCOMPARE(rows[1].id, 4);
    QVERIFY(!rows[1].timeServiced.isValid());
    QCOMPARE(rows[2].id, 1);
    rows = store.historyOfDay(QDate(2026, 12, 6), 5, failure);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].id, 4);
    QVERIFY(store.historyOfDay(QDate(2026, 12, 7), 0, failure).isEmpty());

    HistoryRow row;
    bool found = false;
    QVERIFY(store.historyRecord(3, row, found, failure));
    QVERIFY(found);
    QCOMPARE(row.customerText(), QString("Other  Day"));
    QVERIFY(store.historyRecord(9, row, found, failure));
    QVERIFY(!found);

    if (TestFolder::onServer())
        return;
    QVERIFY(QFile::remove(folder.context.params.historyPath));
    QVERIFY(!store.historyRecord(3, row, found, failure));
    QCOMPARE(failure.number, 53);
}

void tst_history::rowReadsAsStored_data()
{
    const QVariant null(QMetaType(QMetaType::QString));
    QTest::addColumn<QVariantList>("stored"); // first name, date, time in, seen, by, minutes
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("timeIn");
    QTest::addColumn<QTime>("seen");
    QTest::addColumn<std::optional<int>>("servicedBy");
    QTest::addColumn<std::optional<int>>("minutes");
    QTest::newRow("nulls") << QVariantList{null, "2026-12-06", null, null, QVariant(), QVariant()}
                           << QString() << QDate(2026, 12, 6) << QTime() << QTime()
                           << std::optional<int>() << std::optional<int>();
    QTest::newRow("loose times")
        << QVariantList{"Zoë", "2026-12-06 08:00", "2:05:09 PM", "\u00A014:07", 5, 3} << "Zoë"
        << QDate(2026, 12, 6) << QTime(14, 5, 9) << QTime(14, 7) << std::optional(5)
        << std::optional(3);
    QTest::newRow("no time") << QVariantList{"Ann", "12/6/2026", "25:00:00", "14:05:", 5, 3}
                             << "Ann" << QDate() << QTime() << QTime() << std::optional(5)
                             << std::optional(3);
    if (!TestFolder::onServer()) // the server keeps each column's own type
        QTest::newRow("numbers in other types")
            << QVariantList{42, "2026-12-06", "09:00:00", "09:10:00", "7x", 12.0} << "42"
            << QDate(2026, 12, 6) << QTime(9, 0) << QTime(9, 10) << std::optional(0)
            << std::optional(12);
}

void tst_history::rowReadsAsStored()
{
    QFETCH(QVariantList, stored);
    TestFolder folder;
    QVERIFY(insertRow(folder, {1, stored[0], "Lee", "Taxes", stored[1], stored[2], stored[3],
                               QVariant(), stored[4], stored[5]}));
    HistoryRow row;
    bool found = false;
    Failure failure;
    QVERIFY(folder.context.store().historyRecord(1, row, found, failure) && found);
    QTEST(row.firstName, "firstName");
    QTEST(row.lobbyDateIn, "date");
    QTEST(row.lobbyTimeIn, "timeIn");
    QTEST(row.timeServiced, "seen");
    QVERIFY(!row.timeOut.isValid());
    QTEST(row.servicedBy, "servicedBy");
    QTEST(row.serviceTime, "minutes");
}

namespace {
/// `history` as the first version laid it out, with one visit.
void layOutBeforeDesks(const QString &path)
{
    QVERIFY(makeFirstVersionHistory(path));
    Database db(path);
    QVERIFY(db.open());
    QVERIFY(db.exec("INSERT INTO history (firstName, lastName) VALUES ('Old', 'Visit')"));
}
} // namespace

void tst_history::deskColumnAddedToOlderDatabases()
{
    SKIP_ON_SERVER("The data folder's history files only.");
    TestFolder folder;
    const SystemParameters &params = folder.context.params;
    layOutBeforeDesks(params.historyPath);
    layOutBeforeDesks(params.historyTemplatePath());
    QVERIFY(IniFile::writeString(params.dataPath + "/format.ini", "data", "Format", "2"));
    QString error;
    QVERIFY2(DataFormat::bringUpToDate(folder.context, "test", error), qPrintable(error));
    QCOMPARE(historyDesks(params.historyPath), QStringList{"NULL"});
    QCOMPARE(historyDesks(params.historyTemplatePath()), QStringList{"NULL"});

    // A visit taken at a desk keeps it; one without a desk has none.
    for (const QString &desk : {QStringLiteral("Window 4"), QString()}) {
        folder.clock.advance(60);
        const int id = clsQuorvel(folder.context).addCustomerToQueue("Ann", "Lee", "Taxes");
        clsQuorvel entry(folder.context);
        QVERIFY(
            ServiceSequences::takeCustomer(folder.context, id, QString(), 2, entry, desk).done());
        QVERIFY(ServiceSequences::signOutCustomer(folder.context, entry, id).done());
    }
    QCOMPARE(historyDesks(params.historyPath), (QStringList{"NULL", "Window 4", "NULL"}));

    // A program folder whose template is older still: the archive's new history has the column.
    layOutBeforeDesks(params.historyTemplatePath());
    QString archive;
    Failure failure;
    QVERIFY2(HistoryArchive::archiveDB(folder.context, archive, failure),
             qPrintable(failure.description));
    QCOMPARE(historyDesks(params.historyPath), QStringList{"NULL"});
}

QTEST_GUILESS_MAIN(tst_history)
#include "tst_history.moc"
