#include "TestSupport.h"

#include "Database.h"
#include "QueueLock.h"
#include "clsQuorvel.h"

#include <QFile>
#include <QLockFile>
#include <QTest>

using Kind = SequenceOutcome::Kind;

namespace {
HistoryRows historyOfToday(const TestFolder &folder)
{
    Failure failure;
    return folder.context.store().historyOfDay(folder.clock.today(), 0, failure);
}

/// The desk of every history row, as the store's history file holds it.
QStringList historyDesks(const TestFolder &folder)
{
    QString path;
    Failure failure;
    if (!folder.context.store().historyFile(path, failure))
        return {failure.description};
    return ::historyDesks(path);
}

/// Every queue record as stored, one text each.
QStringList queueTexts(const TestFolder &folder)
{
    QList<StoredQueueRecord> records;
    Failure failure;
    if (!folder.context.store().queueRecords(records, failure))
        return {failure.description};
    QStringList texts;
    for (const StoredQueueRecord &record : std::as_const(records)) {
        const QueueRecordTexts &t = record.texts;
        texts << QStringList{QString::number(record.id),
                             t.firstName,
                             t.lastName,
                             t.lobbyStatus,
                             t.service,
                             t.userId,
                             t.timeIn,
                             t.dateIn,
                             t.timeSeen,
                             t.visitKey,
                             t.desk}
                     .join('|');
    }
    return texts;
}

/// Records, for every box, whether the queue lock was free while it was shown.
void watchLock(TestFolder &folder, QList<bool> &lockFree)
{
    const QString lockPath = QueueLock::lockPathFor(folder.context.params.queuePath);
    folder.prompter.onBox = [&lockFree, lockPath](const RecordingPrompter::Box &) {
        lockFree.append(!QFile::exists(lockPath));
    };
}
} // namespace

class tst_sequences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void take();
    void returnKeepsUserAndTimeSeen();
    void signOut();
    void failureBoxesWaitForTheLock();
    void busyLockFailsTheStep();
    void anIdPassedOnIsNotTheVisitAimedAt_data();
    void anIdPassedOnIsNotTheVisitAimedAt();
};

void tst_sequences::take()
{
    TestFolder folder;
    clsQuorvel desk(folder.context);
    const int id = desk.addCustomerToQueue("Ann", "O'Neil", "Taxes");
    folder.clock.setTime(QTime(14, 20, 31));

    clsQuorvel mine(folder.context);
    SequenceOutcome outcome = folder.context.store().takeCustomer(id, {}, 7, mine, "Window 4");
    QVERIFY(outcome.done());
    QVERIFY(outcome.text.isEmpty());
    QCOMPARE(mine.lastName, QString("O'Neil"));
    QCOMPARE(mine.desk, QString("Window 4"));
    QCOMPARE(mine.timeSeen.toTime(), QTime(14, 20, 31));
    QVERIFY(desk.loadLobbyEntry(id));
    QCOMPARE(desk.lobbystatus, qint16(1));
    QCOMPARE(desk.repID, 7);
    QCOMPARE(desk.timeSeen.toTime(), QTime(14, 20, 31));
    QCOMPARE(desk.desk, QString("Window 4"));
    QVERIFY(!mine.visitKey.isEmpty()); // kept for the sign-out
    QCOMPARE(mine.visitKey, desk.visitKey);

    clsQuorvel other(folder.context);
    outcome = folder.context.store().takeCustomer(id, {}, 8, other, {});
    QCOMPARE(outcome.kind, Kind::TakenByOther);
    QVERIFY(outcome.refused());
    QCOMPARE(outcome.text, QString("This customer has been taken by another representative."));
    QCOMPARE(outcome.title, QString("Customer Retrieval"));
    QVERIFY(desk.loadLobbyEntry(id));
    QCOMPARE(desk.repID, 7);

    // The same representative may take it up again (after a restart, say).
    folder.clock.setTime(QTime(14, 30, 0));
    QVERIFY(folder.context.store().takeCustomer(id, {}, 7, mine, {}).done());
    QCOMPARE(mine.timeSeen.toTime(), QTime(14, 30, 0));

    QVERIFY(desk.removeCustomerFromLobby(id));
    outcome = folder.context.store().takeCustomer(id, {}, 7, mine, {});
    QCOMPARE(outcome.kind, Kind::Removed);
    QCOMPARE(outcome.text, QString("This customer has been removed from the Lobby Queue."));
    QCOMPARE(outcome.title, QString("Quorvel"));
    QCOMPARE(outcome.icon, Prompter::Icon::Information);
    QVERIFY(folder.prompter.boxes.isEmpty()); // the window shows refusals, not the core
    outcome.show(folder.prompter);
    QCOMPARE(folder.prompter.titles(), QStringList{"Quorvel"});
}

void tst_sequences::returnKeepsUserAndTimeSeen()
{
    TestFolder folder;
    clsQuorvel desk(folder.context);
    const int id = desk.addCustomerToQueue("Ann", "Lee", "Taxes");
    clsQuorvel mine(folder.context);
    folder.clock.setTime(QTime(14, 20, 31));
    QVERIFY(folder.context.store().takeCustomer(id, {}, 7, mine, "Window 4").done());

    QCOMPARE(folder.context.store().returnCustomer(id, {}, 8).kind, Kind::TakenByOther);
    QVERIFY(folder.context.store().returnCustomer(id, {}, 7).done());
    QVERIFY(desk.loadLobbyEntry(id));
    QCOMPARE(desk.lobbystatus, qint16(0));
    QVERIFY(desk.desk.isEmpty()); // no longer called anywhere
    if (!TestFolder::onServer()) {
        const QByteArray queue = folder.readQueue();
        QVERIFY(queue.contains("<USER_ID value=\"7\"/>"));
        QVERIFY(queue.contains("<TIME_SEEN value=\"2:20:31 PM\"/>"));
    }
    // Waiting again: anyone may take it now.
    clsQuorvel other(folder.context);
    QVERIFY(folder.context.store().takeCustomer(id, {}, 8, other, {}).done());

    QVERIFY(desk.removeCustomerFromLobby(id));
    QCOMPARE(folder.context.store().returnCustomer(id, {}, 8).kind, Kind::Removed);
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_sequences::signOut()
{
    TestFolder folder;
    clsQuorvel desk(folder.context);
    folder.clock.setTime(QTime(13, 58, 2));
    const int id = desk.addCustomerToQueue("Ann", "Lee", "Taxes");
    folder.clock.setTime(QTime(14, 1, 10));
    clsQuorvel mine(folder.context);
    QVERIFY(folder.context.store().takeCustomer(id, {}, 5, mine, "Window 4").done());

    folder.clock.setTime(QTime(14, 7, 41));
    QVERIFY(folder.context.store().signOutCustomer(mine, id).done());
    QCOMPARE(mine.Timeout, LooseTime::fromText("02:07:41 pm"));
    QVERIFY(!desk.verifyLobbyEntry(id));
    HistoryRows rows = historyOfToday(folder);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].lobbyTimeIn, QTime(13, 58, 2));
    QCOMPARE(rows[0].timeServiced, QTime(14, 1, 10));
    QCOMPARE(rows[0].timeOut, QTime(14, 7, 41));
    QCOMPARE(rows[0].servicedBy, std::optional(5));
    QCOMPARE(rows[0].serviceTime, std::optional(6));
    QCOMPARE(historyDesks(folder), QStringList{"Window 4"});

    // A second sign-out of the same customer finds it gone and writes nothing.
    const SequenceOutcome again = folder.context.store().signOutCustomer(mine, id);
    QCOMPARE(again.kind, Kind::Removed);
    QCOMPARE(again.text, QString("This customer record was removed by the Harbrin."));
    QCOMPARE(again.title, QString("Service Error"));
    QCOMPARE(again.icon, Prompter::Icon::Critical);
    QCOMPARE(historyOfToday(folder).size(), 1);
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_sequences::failureBoxesWaitForTheLock()
{
    SKIP_ON_SERVER("The data folder's lock and files only.");
    TestFolder folder;
    QList<bool> lockFree;
    watchLock(folder, lockFree);
    // A record whose check-in time cannot be read: the take fails with the load's box.
    folder.writeQueue("<?xml version=\"1.0\"?>\r\n<LOBBY><QUEUE_REC id=\"90000\">"
                      "<FIRST_NAME value=\"Ann\"/><LAST_NAME value=\"Lee\"/>"
                      "<LOBBY_STATUS value=\"0\"/><SERVICE value=\"Taxes\"/><USER_ID value=\"\"/>"
                      "<TIME_IN value=\"soon\"/><DATE_IN value=\"12/6/2026\"/>"
                      "<TIME_SEEN value=\"\"/></QUEUE_REC></LOBBY>");
    clsQuorvel mine(folder.context);
    SequenceOutcome outcome = folder.context.store().takeCustomer(90000, {}, 5, mine, {});
    QCOMPARE(outcome.kind, Kind::Failed);
    QVERIFY(outcome.text.isEmpty()); // shown already
    QCOMPARE(folder.prompter.boxes.size(), 1);
    QVERIFY(folder.prompter.boxes[0].text.startsWith("XML error.  [loadLobbyEntry]:  "));

    // A sign-out whose history row cannot be written: the visit stays in the queue.
    folder.prompter.clear();
    folder.writeQueue("<?xml version=\"1.0\"?>\r\n<LOBBY></LOBBY>");
    clsQuorvel desk(folder.context);
    const int id = desk.addCustomerToQueue("Bob", "Ray", "Taxes");
    QVERIFY(folder.context.store().takeCustomer(id, {}, 5, mine, {}).done());
    QVERIFY(QFile::remove(folder.context.params.historyPath));
    outcome = folder.context.store().signOutCustomer(mine, id);
    QCOMPARE(outcome.kind, Kind::Failed);
    QCOMPARE(folder.prompter.titles(), QStringList{"Error 53"});
    QVERIFY(desk.verifyLobbyEntry(id));
    QCOMPARE(lockFree, QList<bool>({true, true}));
}

void tst_sequences::busyLockFailsTheStep()
{
    SKIP_ON_SERVER("The data folder's lock and files only.");
    TestFolder folder;
    clsQuorvel desk(folder.context);
    const int id = desk.addCustomerToQueue("Ann", "Lee", "Taxes");
    QueueLock::setTimeouts(200, 60000);
    QLockFile other(QueueLock::lockPathFor(folder.context.params.queuePath));
    QVERIFY(other.tryLock(0));
    clsQuorvel mine(folder.context);
    const SequenceOutcome take = folder.context.store().takeCustomer(id, {}, 5, mine, {});
    QCOMPARE(take.kind, Kind::Failed);
    QVERIFY(take.text.startsWith("Error.  [getMember]: "));
    QCOMPARE(take.title, QString("Error 70"));
    QCOMPARE(take.icon, Prompter::Icon::Critical);
    QVERIFY(folder.context.store().returnCustomer(id, {}, 5).text.startsWith(
        "Error.  [updateLobbyEntry]: "));
    QVERIFY(folder.context.store().signOutCustomer(mine, id).text.startsWith(
        "Error.  [completeService]: "));
    QVERIFY(folder.prompter.boxes.isEmpty());
    other.unlock();
    QueueLock::resetTimeouts();
    QVERIFY(desk.loadLobbyEntry(id));
    QCOMPARE(desk.lobbystatus, qint16(0));
}

void tst_sequences::anIdPassedOnIsNotTheVisitAimedAt_data()
{
    QTest::addColumn<QString>("step");
    for (const char *step : {"take", "return", "sign-out", "remove", "correction"})
        QTest::newRow(step) << QString(step);
}

// Ann leaves; Bob, checked in within the same second, gets her id (on the server, whose ids
// never come round again, an id of his own, aimed at with her key all the same). Every step
// aimed at Ann, by her key, leaves Bob alone.
void tst_sequences::anIdPassedOnIsNotTheVisitAimedAt()
{
    QFETCH(QString, step);
    TestFolder folder;
    CoreContext &context = folder.context;
    clsQuorvel desk(context);
    int id = desk.addCustomerToQueue("Ann", "Lee", "Taxes");
    clsQuorvel ann(context);
    QVERIFY(ann.loadLobbyEntry(id));
    ann.repID = 5;
    ann.timeSeen = LooseTime::fromTime(folder.clock.timeOfDay());
    QVERIFY(desk.removeCustomerFromLobby(id));
    const int bobsId = desk.addCustomerToQueue("Bob", "Ray", "Taxes");
    if (!TestFolder::onServer())
        QCOMPARE(bobsId, id);
    id = bobsId;
    clsQuorvel bob(context);
    if (step == "return" || step == "sign-out")
        QVERIFY(context.store().takeCustomer(id, {}, 5, bob, {}).done());
    const QStringList queue = queueTexts(folder);

    SequenceOutcome outcome;
    if (step == "take")
        outcome = context.store().takeCustomer(id, ann.visitKey, 5, bob, {});
    else if (step == "return")
        outcome = context.store().returnCustomer(id, ann.visitKey, 5);
    else if (step == "sign-out")
        outcome = context.store().signOutCustomer(ann, id);
    else if (step == "remove")
        outcome = context.store().removeWaitingCustomer(id, ann.visitKey);
    else
        outcome = context.store().correctQueueEntry(ann, id, {ann.visitKey, 0, 0}, false);
    QCOMPARE(outcome.kind, Kind::Removed);
    QCOMPARE(queueTexts(folder), queue);
    QVERIFY(historyOfToday(folder).isEmpty());
}

QTEST_GUILESS_MAIN(tst_sequences)
#include "tst_sequences.moc"
