#include "DeskPresence.h"
#include "IniFile.h"
#include "ReceptionFixture.h"
#include "frmLobby.h"
#include "frmSplash.h"

#include <QFile>
#include <QFrame>
#include <QTest>
#include <QTreeWidget>

class tst_reception_startup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondInstanceIsRefused();
    void splashTimerStartsUpAndShowsTheLobby();
    void clickOnSplashBeforeItsTimerEndsTheProgram();
    void missingFilesGiveDebugBoxesThenTheFatalMessage();
    void dataOfANewerVersionIsLeftAlone();
    void oldEntriesWarnOnceAfterTheListsAreFilled();
    void inServiceEntriesFromYesterdayDoNotWarn();
    void logSwitchWritesTheStartUpLines();
    void representativesAreNamedWhateverTheirNumber();
};

namespace {
bool lobbyShown()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (qobject_cast<frmLobby *>(window) && window->isVisible())
            return true;
    return false;
}
} // namespace

void tst_reception_startup::secondInstanceIsRefused()
{
    Reception first;
    frmSplash firstSplash(first.desk);
    QVERIFY(firstSplash.load());

    Reception second;
    frmSplash secondSplash(second.desk);
    QVERIFY(!secondSplash.load());
    QCOMPARE(second.folder.prompter.texts(), QStringList{"Quorvel is already running"});
    QCOMPARE(second.folder.prompter.boxes.first().title, QString("Quorvel"));
    QCOMPARE(second.folder.prompter.boxes.first().icon, Prompter::Icon::Critical);
    QVERIFY(second.folder.programEnd.ended);
    QVERIFY(!first.folder.programEnd.ended);
    QVERIFY(first.folder.prompter.boxes.isEmpty());
}

void tst_reception_startup::splashTimerStartsUpAndShowsTheLobby()
{
    Reception r(true);
    frmSplash splash(r.desk);
    QVERIFY(splash.load());
    splash.show();
    QTest::qWait(SplashWindow::StartDelayMilliseconds / 2);
    QVERIFY(!lobbyShown());
    QTRY_VERIFY_WITH_TIMEOUT(lobbyShown(), 3000);
    QVERIFY(!splash.isVisible());
    QVERIFY(r.folder.prompter.boxes.isEmpty());
    QCOMPARE(r.lobbyControl<QTreeWidget>("lstQueue")->topLevelItemCount(), 3);
    // The office's tools can tell that a reception has it open.
    const QList<DeskPresence::Holder> open =
        DeskPresence::holders(r.folder.context.params.dataPath);
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.first().program, QString("harbrin"));
    r.lobby().close();
}

void tst_reception_startup::clickOnSplashBeforeItsTimerEndsTheProgram()
{
    Reception r(true);
    frmSplash splash(r.desk);
    QVERIFY(splash.load());
    splash.show();
    QTest::mouseClick(splash.findChild<QFrame *>("Frame1"), Qt::LeftButton);
    QVERIFY(r.folder.programEnd.ended);
    QVERIFY(!splash.isVisible());
    QTest::qWait(SplashWindow::StartDelayMilliseconds * 2);
    QVERIFY(!lobbyShown());
    QVERIFY(r.folder.prompter.boxes.isEmpty());
}

void tst_reception_startup::missingFilesGiveDebugBoxesThenTheFatalMessage()
{
    Reception r;
    QVERIFY(QFile::remove(r.folder.filePath("data/history.mdb")));
    QVERIFY(QFile::remove(r.folder.filePath("data/systemData.mdb")));

    QVERIFY(!r.start());
    QCOMPARE(r.folder.prompter.titles(), (QStringList{"Debug", "Debug", "Error"}));
    const QStringList texts = r.folder.prompter.texts();
    QVERIFY(texts[0].startsWith("Could not locate history.mdb.  \r"));
    QVERIFY(texts[1].startsWith("Could not locate systemData.mdb.  \r"));
    QVERIFY(texts[1].contains("\rsystemDB is:  " + r.folder.filePath("data/systemData.mdb")));
    QCOMPARE(texts[2], QString("Quorvel could not find one or more of the required database files."
                               "  Check that the Database Filepath in the Misc Options is set "
                               "correctly."));
    QVERIFY(r.folder.programEnd.ended);
}

void tst_reception_startup::dataOfANewerVersionIsLeftAlone()
{
    Reception r(true);
    QVERIFY(IniFile::writeString(r.folder.filePath("data/format.ini"), "data", "Format", "3000"));
    QVERIFY(!r.start());
    QCOMPARE(r.folder.prompter.titles(), QStringList{"Error"});
    QVERIFY2(r.folder.prompter.texts().first().contains("is in data format 3000"),
             qPrintable(r.folder.prompter.texts().first()));
    QVERIFY(r.folder.programEnd.ended);
    QVERIFY(DeskPresence::holders(r.folder.context.params.dataPath).isEmpty());
}

void tst_reception_startup::oldEntriesWarnOnceAfterTheListsAreFilled()
{
    Reception r;
    const QDate today = r.folder.clock.today();
    r.addToQueue({{"Old", "Timer", "Taxes", QTime(9, 0), today.addDays(-1)},
                  {"New", "Comer", "Taxes", QTime(13, 0), today}});
    int rowsWhenWarned = -1;
    r.folder.prompter.onBox = [&](const RecordingPrompter::Box &) {
        rowsWhenWarned = r.lobbyControl<QTreeWidget>("lstQueue")->topLevelItemCount();
        QVERIFY(!lobbyShown());
    };

    QVERIFY(r.start());
    QCOMPARE(r.folder.prompter.texts(),
             QStringList{"Warning!  There are entries that are older than 12/6/2026.  You should "
                         "move these out of the queue."});
    QCOMPARE(r.folder.prompter.boxes.first().title, QString("Old Entries"));
    QCOMPARE(rowsWhenWarned, 2);
    QVERIFY(r.desk.oldEntriesFound);
    QCOMPARE(r.folder.queued().size(), 2); // nothing removed
}

void tst_reception_startup::inServiceEntriesFromYesterdayDoNotWarn()
{
    Reception r;
    const QDate today = r.folder.clock.today();
    r.addToQueue({{"Old", "Timer", "Taxes", QTime(9, 0), today.addDays(-1), 1, 0}});
    QVERIFY(r.start());
    QVERIFY(r.folder.prompter.boxes.isEmpty());
    QCOMPARE(r.lobbyControl<QTreeWidget>("lstServing")->topLevelItemCount(), 1);
}

void tst_reception_startup::logSwitchWritesTheStartUpLines()
{
    Reception r(false, {"-l"});
    QVERIFY(r.start());
    QFile log(r.folder.filePath("frontLog.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split("\r\n");
    const QString stamp = "12/6/2026 2:05:09 PM - ";
    QCOMPARE(
        lines.mid(0, 3),
        (QStringList{stamp + "Initiating program", stamp + "Execution directory=" + r.folder.path(),
                     stamp + "lobbyXMLPath=" + r.folder.filePath("data/lobbyData.xml")}));

    Reception quiet;
    QVERIFY(quiet.start());
    QVERIFY(!QFile::exists(quiet.folder.filePath("frontLog.log")));
}

void tst_reception_startup::representativesAreNamedWhateverTheirNumber()
{
    Reception r;
    r.addUser(40000, "Ada", "Quist");
    r.addUser(7, "Ada", "Brook");
    r.addUser(8, "Zoe", "Hale", 0); // not active
    r.addToQueue({{"Cy", "Rowe", "Taxes", QTime(13, 0), r.folder.clock.today(), 1, 40000}});
    QVERIFY(r.start());

    QStringList names;
    for (const RepNames::Entry &rep : r.desk.repNames.entries())
        names << rep.name;
    QCOMPARE(names.size(), 2);
    QVERIFY(names.contains("Ada Quist") && names.contains("Ada Brook"));
    QCOMPARE(r.lobbyControl<QTreeWidget>("lstServing")->topLevelItem(0)->text(3),
             QString("Ada Quist"));
}

QTEST_MAIN(tst_reception_startup)
#include "tst_reception_startup.moc"
