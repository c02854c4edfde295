// The board's model: names in each privacy form, the order of both lists, customers newly taken
// with their highlight and chime, overdue marks and minutes waited, and a queue that cannot be
// read.
#include "BoardLobby.h"
#include "clsQuorvel.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {
QStringList servingNames(const BoardModel &board)
{
    QStringList names;
    for (const BoardModel::ServingRow &row : board.serving())
        names << row.customer + QStringLiteral(" / ") + row.representative;
    return names;
}

QStringList waitingNames(const BoardModel &board)
{
    QStringList names;
    for (const BoardModel::WaitingRow &row : board.waiting())
        names << row.customer;
    return names;
}
} // namespace

class tst_board_model : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nameForms_data();
    void nameForms();
    void privacyFormNames();
    void listsInOrder();
    void newlyTakenIsHighlightedFor15Seconds();
    void overdueMarksFollowTheClock();
    void untilTheQueueReadsNoOneIsShown();
    void unreachableServerIsSaid();
    void unreadableQueueKeepsTheLastPicture();
};

void tst_board_model::nameForms_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("firstAndInitial");
    QTest::addColumn<QString>("initials");
    QTest::addColumn<QString>("full");
    QTest::newRow("plain") << "Jane"
                           << "Doe"
                           << "Jane D."
                           << "J. D."
                           << "Jane Doe";
    QTest::newRow("lower case, blanks") << " jane "
                                        << "  doe"
                                        << "jane D."
                                        << "J. D."
                                        << "jane doe";
    QTest::newRow("accented initial") << "Émile"
                                      << "Ørsted"
                                      << "Émile Ø."
                                      << "É. Ø."
                                      << "Émile Ørsted";
    QTest::newRow("combining accent stays whole")
        << QStringLiteral("Ana") << QStringLiteral("E\u0301vora") << QStringLiteral("Ana E\u0301.")
        << QStringLiteral("A. E\u0301.") << QStringLiteral("Ana E\u0301vora");
    QTest::newRow("no last name") << "Cher"
                                  << ""
                                  << "Cher"
                                  << "C."
                                  << "Cher";
    QTest::newRow("no first name") << ""
                                   << "Okafor"
                                   << "O."
                                   << "O."
                                   << "Okafor";
}

void tst_board_model::nameForms()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, firstAndInitial);
    QFETCH(QString, initials);
    QFETCH(QString, full);
    QCOMPARE(formatName(first, last, NameForm::FirstAndInitial), firstAndInitial);
    QCOMPARE(formatName(first, last, NameForm::Initials), initials);
    QCOMPARE(formatName(first, last, NameForm::Full), full);

    NameForm form = NameForm::Full;
    QVERIFY(parseNameForm("initials", form) && form == NameForm::Initials);
    QVERIFY(parseNameForm("first", form) && form == NameForm::FirstAndInitial);
    QVERIFY(!parseNameForm("Full", form));
    QVERIFY(!parseNameForm("", form));
}

void tst_board_model::privacyFormNames()
{
    // Customers follow the privacy form; representatives never show more than a last initial.
    BoardLobby lobby(NameForm::Full);
    lobby.take(lobby.checkIn("Jane", "Doe"), lobby.dana);
    lobby.checkIn("Ann", "Lee");
    lobby.board.poll();
    QCOMPARE(servingNames(lobby.board), QStringList{"Jane Doe / Dana W."});
    QCOMPARE(waitingNames(lobby.board), QStringList{"Ann Lee"});
}

void tst_board_model::listsInOrder()
{
    BoardLobby lobby;
    lobby.folder.clock.setTime(QTime(9, 0, 0));
    const int ann = lobby.checkIn("Ann", "Lee");
    lobby.folder.clock.setTime(QTime(9, 1, 0));
    const int bob = lobby.checkIn("Bob", "O'Neil");
    lobby.folder.clock.setTime(QTime(9, 2, 0));
    lobby.checkIn("Chen", "Wu");
    lobby.checkIn("Dora", "Haas");
    lobby.folder.clock.setTime(QTime(9, 5, 0));
    lobby.take(bob, lobby.marco);
    lobby.folder.clock.setTime(QTime(9, 6, 0));
    lobby.take(ann, lobby.dana);
    // A record in service with no representative on file still shows its customer.
    lobby.folder.clock.setTime(QTime(9, 7, 30));
    lobby.take(lobby.checkIn("Eli", "Brandt"), 99);

    lobby.board.poll();
    QCOMPARE(servingNames(lobby.board),
             (QStringList{"Eli B. / ", "Ann L. / Dana W.", "Bob O. / Marco R."}));
    QCOMPARE(waitingNames(lobby.board), (QStringList{"Chen W.", "Dora H."}));
    QCOMPARE(lobby.board.waiting().first().minutesWaited, 5);
    QVERIFY(!lobby.board.reconnecting());
    QCOMPARE(lobby.board.title(), QStringLiteral("Welcome"));
}

void tst_board_model::newlyTakenIsHighlightedFor15Seconds()
{
    BoardLobby lobby;
    QSignalSpy chimes(&lobby.board, &BoardModel::customerTaken);
    const int ann = lobby.checkIn("Ann", "Lee");
    const int bob = lobby.checkIn("Bob", "Stone");
    const int chen = lobby.checkIn("Chen", "Wu");
    lobby.take(ann, lobby.dana);

    // Whoever is in service when the board starts is not news.
    lobby.board.poll();
    QCOMPARE(chimes.count(), 0);
    QVERIFY(!lobby.board.serving().first().highlighted);

    // Two taken between two polls: both highlighted, one chime.
    lobby.folder.clock.advance(10);
    lobby.take(bob, lobby.marco);
    lobby.take(chen, lobby.dana);
    lobby.board.poll();
    QCOMPARE(chimes.count(), 1);
    const auto highlighted = [&] {
        QStringList names;
        for (const BoardModel::ServingRow &row : lobby.board.serving())
            if (row.highlighted)
                names << row.customer;
        return names;
    };
    QCOMPARE(highlighted(), (QStringList{"Bob S.", "Chen W."}));

    lobby.folder.clock.advance(BoardModel::HighlightSeconds - 1);
    lobby.board.poll();
    QCOMPARE(highlighted(), (QStringList{"Bob S.", "Chen W."}));
    lobby.folder.clock.advance(1);
    lobby.board.poll();
    QCOMPARE(highlighted(), QStringList());
    QCOMPARE(chimes.count(), 1);

    // Returned to the queue and taken again by someone else: news again.
    clsQuorvel entry(lobby.folder.context);
    QVERIFY(entry.loadLobbyEntry(bob));
    entry.lobbystatus = 0;
    entry.repID = 0;
    QVERIFY(entry.updateLobbyEntry(bob));
    lobby.take(bob, lobby.dana);
    lobby.board.poll();
    QCOMPARE(highlighted(), QStringList{"Bob S."});
    QCOMPARE(chimes.count(), 2);

    // Signed out: gone from the board, no chime.
    lobby.complete(bob);
    lobby.board.poll();
    QCOMPARE(servingNames(lobby.board), (QStringList{"Chen W. / Dana W.", "Ann L. / Dana W."}));
    QCOMPARE(chimes.count(), 2);
}

void tst_board_model::overdueMarksFollowTheClock()
{
    // The limit of the folder is 10 minutes; minutes count whole minute boundaries.
    BoardLobby lobby;
    lobby.folder.clock.setTime(QTime(9, 0, 59));
    lobby.checkIn("Ann", "Lee");
    lobby.folder.clock.setTime(QTime(9, 9, 59));
    lobby.board.poll();
    QCOMPARE(lobby.board.waiting().first().minutesWaited, 9);
    QVERIFY(!lobby.board.waiting().first().overdue);

    // No change in the folder, yet the next poll re-marks against the clock.
    lobby.folder.clock.setTime(QTime(9, 10, 0));
    QSignalSpy updates(&lobby.board, &BoardModel::updated);
    lobby.board.poll();
    QCOMPARE(updates.count(), 1);
    QCOMPARE(lobby.board.waiting().first().minutesWaited, 10);
    QVERIFY(lobby.board.waiting().first().overdue);

    // A customer left from an earlier day, checked in later in the day than now, has waited the
    // day too.
    lobby.folder.clock.set(QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0)));
    lobby.board.poll();
    QCOMPARE(lobby.board.waiting().first().minutesWaited, 24 * 60 - 60);
    QVERIFY(lobby.board.waiting().first().overdue);
}

void tst_board_model::untilTheQueueReadsNoOneIsShown()
{
    SKIP_ON_SERVER("The data folder's queue file only.");
    BoardLobby lobby;
    lobby.checkIn("Ann", "Lee");
    const QString queuePath = lobby.folder.context.params.queuePath;
    const QByteArray queue = lobby.folder.readQueue();
    QVERIFY(QFile::remove(queuePath));
    QSignalSpy unreadable(&lobby.board, &BoardModel::queueUnreadable);
    lobby.board.poll();
    lobby.board.poll();
    QVERIFY(lobby.board.waitingForQueue());
    QVERIFY(lobby.board.waiting().isEmpty());
    QCOMPARE(unreadable.count(), 1); // said once, and which file
    QCOMPARE(unreadable.last().first().toString(), queuePath + " is missing");
    lobby.folder.writeQueue("<LOBBY><QUEUE_REC");
    lobby.board.poll();
    QCOMPARE(unreadable.last().first().toString(), queuePath + " cannot be read");
    QVERIFY(lobby.board.waitingForQueue());

    lobby.folder.writeQueue(queue);
    lobby.board.poll();
    QVERIFY(!lobby.board.waitingForQueue());
    QCOMPARE(waitingNames(lobby.board), QStringList{"Ann L."});
}

void tst_board_model::unreachableServerIsSaid()
{
    TestFolder folder;
    SystemParameters params = folder.context.params;
    params.serverConnection =
        QStringLiteral("host=%1 dbname=quorvel").arg(folder.filePath("no-server"));
    BoardModel board(params, folder.clock, NameForm::FirstAndInitial);
    QSignalSpy unreadable(&board, &BoardModel::queueUnreadable);
    board.poll();
    QVERIFY(board.waitingForQueue());
    QCOMPARE(unreadable.count(), 1);
    QCOMPARE(unreadable.last().first().toString(),
             QStringLiteral("The server cannot be reached; retrying"));
}

void tst_board_model::unreadableQueueKeepsTheLastPicture()
{
    SKIP_ON_SERVER("The data folder's queue file only.");
    BoardLobby lobby;
    lobby.take(lobby.checkIn("Ann", "Lee"), lobby.dana);
    lobby.checkIn("Bob", "Stone");
    lobby.board.poll();
    const QStringList serving = servingNames(lobby.board);
    const QByteArray goodQueue = lobby.folder.readQueue();

    const auto expectLastPicture = [&] {
        lobby.board.poll();
        QVERIFY(lobby.board.reconnecting());
        QCOMPARE(servingNames(lobby.board), serving);
        QCOMPARE(waitingNames(lobby.board), QStringList{"Bob S."});
    };
    // A torn file, a record that does not read, a share that is gone.
    lobby.folder.writeQueue("<LOBBY><QUEUE_REC id=\"90000\"><FIRST_NAME value=\"Ann\"/>");
    lobby.signalChange();
    expectLastPicture();
    QByteArray badRecord = goodQueue;
    badRecord.replace("<LOBBY_STATUS value=\"0\"", "<LOBBY_STATUS value=\"x\"");
    lobby.folder.writeQueue(badRecord);
    lobby.signalChange();
    expectLastPicture();
    QVERIFY(QFile::remove(lobby.folder.context.params.queuePath));
    lobby.signalChange();
    expectLastPicture();

    // Back, and the signal has not moved: the board recovers by itself at the next poll.
    lobby.folder.writeQueue(goodQueue);
    lobby.board.poll();
    QVERIFY(!lobby.board.reconnecting());
    QCOMPARE(waitingNames(lobby.board), QStringList{"Bob S."});
    QVERIFY(lobby.folder.prompter.boxes.isEmpty());
}

QTEST_GUILESS_MAIN(tst_board_model)
#include "tst_board_model.moc"
