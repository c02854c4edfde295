// The representative's work in the main window: take, return and complete a customer, the
// guards while serving, the poll with its overdue marks, and the notification.
#include "ClientDesk.h"
#include "Store.h"
#include "clsQuorvel.h"
#include "frmLobby.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {
// The demo queue, as the folder is laid out: Ivy waits 25 minutes (overdue with the limit of
// 10), Jon is in service with dana, Kai waits 6 minutes and Lena 2.
const QString ivy = QStringLiteral("Ivy");
const QString kowalski = QStringLiteral("Kowalski");

int historyCount(TestFolder &folder, int userNumber)
{
    Failure failure;
    return int(
        folder.context.store().historyOfDay(folder.clock.today(), userNumber, failure).size());
}

QStringList waitingNames(ClientDesk &desk)
{
    QStringList names;
    for (int i = 0; i < desk.waitingList()->topLevelItemCount(); ++i)
        names << desk.waitingList()->topLevelItem(i)->text(0);
    return names;
}
} // namespace

class tst_client_lobby : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void twoDesksTakeTheSameCustomer();
    void takeByDoubleClickOrEnterOneAtATime();
    void returnPutsTheCustomerBackWithThisRepresentative();
    void completeServiceWritesTheVisit();
    void completeServiceOfARemovedEntry();
    void quitAndOptionsAreRefusedWhileServing();
    void quietPollsRemarkOverdueRows();
    void notificationSoundsOncePerGrowth();
    void missingSoundFileFallsBackToTheSpeaker();
    void noAudioOutputSkipsTheSound();
};

void tst_client_lobby::twoDesksTakeTheSameCustomer()
{
    TestFolder folder(true);
    ClientDesk marco(folder, QStringLiteral("marco"));
    ClientDesk priya(folder, QStringLiteral("priya"));
    QVERIFY(marco.start());
    QVERIFY(priya.start());
    const int id = queueIdOf(folder, ivy, kowalski);

    // Both lists still show Ivy waiting when both representatives double-click her.
    marco.program->takeCustomer(id);
    priya.program->takeCustomer(id);

    QVERIFY(marco.state().servicing);
    QCOMPARE(marco.shownName(), QStringLiteral("Ivy Kowalski"));
    QVERIFY(!priya.state().servicing);
    QCOMPARE(priya.shownName(), QString());
    QCOMPARE(
        priya.prompter.texts(),
        QStringList{QStringLiteral("This customer has been taken by another representative.")});
    QCOMPARE(priya.prompter.titles(), QStringList{QStringLiteral("Customer Retrieval")});
    int status = 0, userId = 0;
    queueIdOf(folder, ivy, kowalski, &status, &userId);
    QCOMPARE(status, 1);
    QCOMPARE(userId, marco.state().userNumber);
    QVERIFY(!waitingNames(priya).contains(QStringLiteral("Ivy Kowalski")));
}

void tst_client_lobby::takeByDoubleClickOrEnterOneAtATime()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    desk.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&desk.window()));
    QCOMPARE(desk.find<QLabel>("panelQueue")->text(), QStringLiteral("3 customers in queue"));

    desk.doubleClickRow(0);
    QCOMPARE(desk.shownName(), QStringLiteral("Ivy Kowalski"));
    QCOMPARE(desk.find<QLabel>("lblService")->text(), QStringLiteral("Taxes"));
    QCOMPARE(desk.find<QLabel>("lblTimein")->text(), QStringLiteral("01:40 pm"));
    QVERIFY(desk.find<QPushButton>("cmdSignout")->isEnabled());
    QVERIFY(desk.find<QAction>("cmdPut")->isEnabled());
    QCOMPARE(waitingNames(desk),
             (QStringList{QStringLiteral("Kai Fernández"), QStringLiteral("Lena Vogel")}));
    QCOMPARE(desk.find<QLabel>("panelQueue")->text(), QStringLiteral("2 customers in queue"));

    desk.waitingList()->setCurrentItem(desk.waitingList()->topLevelItem(1));
    QTest::keyClick(desk.waitingList(), Qt::Key_Return);
    QCOMPARE(desk.prompter.texts(),
             QStringList{QStringLiteral("You are already servicing a customer.\rYou must "
                                        "complete the service on the current customer first.")});
    QCOMPARE(desk.shownName(), QStringLiteral("Ivy Kowalski"));
    QCOMPARE(desk.state().queue.waitingCount, 2);
}

void tst_client_lobby::returnPutsTheCustomerBackWithThisRepresentative()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    const int id = queueIdOf(folder, ivy, kowalski);
    desk.program->takeCustomer(id);
    const qsizetype tonesBefore = desk.sound.tonesPlayed.size();

    desk.prompter.answer(false);
    desk.program->returnCustomer();
    QVERIFY(desk.state().servicing);

    desk.prompter.answer(true);
    desk.program->returnCustomer();
    QCOMPARE(desk.prompter.titles().last(), QStringLiteral("Quorvel"));
    QVERIFY(!desk.state().servicing);
    QCOMPARE(desk.shownName(), QString());
    QVERIFY(!desk.find<QPushButton>("cmdSignout")->isEnabled());
    QVERIFY(!desk.find<QAction>("cmdPut")->isEnabled());
    int status = -1, userId = 0;
    QCOMPARE(queueIdOf(folder, ivy, kowalski, &status, &userId), id);
    QCOMPARE(status, 0);
    QCOMPARE(userId, desk.state().userNumber);
    // Back in her place at the head of the list; the queue grew, so this desk sounds too.
    QCOMPARE(waitingNames(desk).first(), QStringLiteral("Ivy Kowalski"));
    QCOMPARE(desk.sound.tonesPlayed.size(), tonesBefore + 1);
}

void tst_client_lobby::completeServiceWritesTheVisit()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    const int before = historyCount(folder, desk.state().userNumber);
    desk.program->takeCustomer(queueIdOf(folder, QStringLiteral("Lena"), QStringLiteral("Vogel")));
    folder.clock.advance(7 * 60);

    desk.prompter.answer(true);
    desk.find<QPushButton>("cmdSignout")->click();
    QCOMPARE(desk.prompter.titles(), QStringList{QStringLiteral("Customer Sign Out")});
    QVERIFY(!desk.state().servicing);
    QCOMPARE(desk.shownName(), QString());
    QCOMPARE(queueIdOf(folder, QStringLiteral("Lena"), QStringLiteral("Vogel")), 0);

    Failure failure;
    const HistoryRows rows =
        folder.context.store().historyOfDay(folder.clock.today(), desk.state().userNumber, failure);
    QCOMPARE(rows.size(), before + 1);
    const auto visit = std::find_if(rows.begin(), rows.end(), [](const HistoryRow &row) {
        return row.firstName == QLatin1String("Lena");
    });
    QVERIFY(visit != rows.end());
    QCOMPARE(visit->serviceTime, std::optional(7));
    QCOMPARE(visit->serviceRequested, QStringLiteral("Benefits"));
}

void tst_client_lobby::completeServiceOfARemovedEntry()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    const int id = queueIdOf(folder, ivy, kowalski);
    desk.program->takeCustomer(id);
    const int before = historyCount(folder, 0);

    // The receptionist removes her meanwhile.
    QVERIFY(clsQuorvel(folder.context).removeCustomerFromLobby(id));
    desk.prompter.answer(true);
    desk.program->signOutCustomer();

    QCOMPARE(desk.prompter.texts().last(),
             QStringLiteral("This customer record was removed by the Harbrin."));
    QCOMPARE(desk.prompter.titles().last(), QStringLiteral("Service Error"));
    QVERIFY(!desk.state().servicing);
    QCOMPARE(desk.shownName(), QString());
    QVERIFY(!desk.find<QPushButton>("cmdSignout")->isEnabled());
    QCOMPARE(historyCount(folder, 0), before);
}

void tst_client_lobby::quitAndOptionsAreRefusedWhileServing()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    desk.window().show();
    desk.program->takeCustomer(queueIdOf(folder, ivy, kowalski));

    QVERIFY(!desk.window().close());
    QCOMPARE(desk.prompter.titles().last(), QStringLiteral("Quit"));
    QCOMPARE(desk.prompter.texts().last(),
             QStringLiteral("You are servicing a customer.\rPlease sign out the current customer "
                            "before quitting."));
    QVERIFY(desk.window().isVisible());

    desk.find<QAction>("mnuModify")->trigger();
    QCOMPARE(desk.prompter.texts().last(),
             QStringLiteral("Can not access options while servicing a customer.\rPlease sign out "
                            "the current customer first."));
    QVERIFY(!QApplication::activeModalWidget());

    desk.prompter.answer(true);
    desk.program->signOutCustomer();
    QVERIFY(desk.window().close());
    QVERIFY(!desk.find<QTimer>("Timer2")->isActive());
}

void tst_client_lobby::quietPollsRemarkOverdueRows()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    desk.program->poll(); // the first check of the signal always reloads
    QTreeWidgetItem *ivyRow = desk.waitingList()->topLevelItem(0);
    QTreeWidgetItem *kaiRow = desk.waitingList()->topLevelItem(1);
    QCOMPARE(ivyRow->foreground(2).color(), QColor(255, 0, 0));
    QVERIFY(ivyRow->font(0).bold());
    QVERIFY(!kaiRow->font(0).bold());
    QCOMPARE(desk.state().queue.overdueCount, 1);

    // Kai reaches the limit of 10 minutes on the clock alone; the list is not reloaded.
    folder.clock.advance(3 * 60 + 50);
    desk.program->poll();
    QVERIFY(!kaiRow->font(0).bold());
    folder.clock.advance(60);
    desk.program->poll();
    QCOMPARE(desk.waitingList()->topLevelItem(1), kaiRow);
    QVERIFY(kaiRow->font(1).bold());
    QCOMPARE(kaiRow->foreground(0).color(), QColor(255, 0, 0));
    QCOMPARE(desk.state().queue.overdueCount, 2);
}

void tst_client_lobby::notificationSoundsOncePerGrowth()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    // The first load compares with an empty queue: three waiting customers sound once.
    const QList<SoundBackend::Tone> tones = {{500, 250}, {400, 250}};
    QCOMPARE(desk.sound.tonesPlayed, QList<QList<SoundBackend::Tone>>{tones});

    desk.program->poll();
    desk.program->poll();
    QCOMPARE(desk.sound.tonesPlayed.size(), 1);

    clsQuorvel(folder.context)
        .addCustomerToQueue(QStringLiteral("Mia"), QStringLiteral("Costa"),
                            QStringLiteral("Taxes"));
    desk.program->poll();
    QCOMPARE(desk.state().queue.waitingCount, 4);
    QCOMPARE(desk.sound.tonesPlayed.size(), 2);
    desk.program->poll();
    QCOMPARE(desk.sound.tonesPlayed.size(), 2);

    // Taking a customer shortens the queue: nothing sounds.
    desk.program->takeCustomer(queueIdOf(folder, ivy, kowalski));
    desk.program->poll();
    QCOMPARE(desk.sound.tonesPlayed.size(), 2);
}

void tst_client_lobby::missingSoundFileFallsBackToTheSpeaker()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    const QString missing = folder.filePath(QStringLiteral("media/gone.wav"));
    desk.store(QStringLiteral("soundSource"), QStringLiteral("2"));
    desk.store(QStringLiteral("soundPath"), missing);
    QVERIFY(desk.start());

    QCOMPARE(desk.prompter.titles(), QStringList{QStringLiteral("Sound Error")});
    QCOMPARE(desk.prompter.texts().first(),
             QStringLiteral("Sound file ") + missing +
                 QStringLiteral(" does not exist!\rUsing speaker for sound.  Check the options "
                                "screen for correct file path."));
    QCOMPARE(desk.state().soundSource, qint16(1));
    QVERIFY(desk.sound.filesPlayed.isEmpty());
    QVERIFY(desk.sound.tonesPlayed.isEmpty());
    QCOMPARE(desk.stored(QStringLiteral("soundSource")), QStringLiteral("2"));

    clsQuorvel(folder.context)
        .addCustomerToQueue(QStringLiteral("Mia"), QStringLiteral("Costa"),
                            QStringLiteral("Taxes"));
    desk.program->poll();
    QCOMPARE(desk.sound.tonesPlayed.size(), 1);
    QCOMPARE(desk.prompter.boxes.size(), 1);
}

void tst_client_lobby::noAudioOutputSkipsTheSound()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"), {QStringLiteral("-L")});
    desk.store(QStringLiteral("soundSource"), QStringLiteral("2"));
    desk.sound.output = false;
    QVERIFY(desk.start());
    QVERIFY(desk.prompter.boxes.isEmpty());
    QVERIFY(desk.sound.filesPlayed.isEmpty());

    QFile log(folder.filePath(QStringLiteral("clientLog.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("No audio output: notification sound file not played"));

    // With an output the same file plays.
    desk.sound.output = true;
    desk.program->notifier().playNotification();
    QCOMPARE(desk.sound.filesPlayed,
             QStringList{folder.filePath(QStringLiteral("media/chimes.wav"))});
}

QTEST_MAIN(tst_client_lobby)
#include "tst_client_lobby.moc"
