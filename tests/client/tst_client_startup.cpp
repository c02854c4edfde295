// Start-up of the client: settings on first run, the username, the command line, and the
// customer left in service by a previous run.
#include "ClientDesk.h"
#include "frmLobby.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

class tst_client_startup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunWritesDefaultsAndAsksForTheUsername();
    void firstRunCancelledEndsTheProgram();
    void unknownOrInactiveUserGoesToTheOptions_data();
    void unknownOrInactiveUserGoesToTheOptions();
    void storedValuesAreReadByTheRules();
    void commandLine_data();
    void commandLine();
    void customerLeftInServiceIsTakenUpAgain();
};

void tst_client_startup::firstRunWritesDefaultsAndAsksForTheUsername()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QString());
    QString shownUsername;
    onNextDialog([&](QDialog *options) {
        shownUsername = options->findChild<QLineEdit *>(QStringLiteral("txtUsername"))->text();
        QTest::keyClicks(options->findChild<QLineEdit *>(QStringLiteral("txtUsername")),
                         QStringLiteral("marco"));
        options->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    });
    QVERIFY(desk.start());

    QCOMPARE(desk.prompter.titles().first(), QStringLiteral("Missing Username"));
    QCOMPARE(desk.prompter.texts().first(),
             QStringLiteral("Quorvel could not find a username in mm.ini.  You will be taken "
                            "directly to the Options screen.\r\rIf this is the first time you've "
                            "used Quorvel, you need to create a user account using\rthe Harbrin "
                            "program."));
    QVERIFY(desk.prompter.titles().contains(QStringLiteral("Update Preferences")));
    QCOMPARE(shownUsername, QString());
    // The defaults were written, then the options stored the username over them.
    QCOMPARE(desk.stored(QStringLiteral("whoami")), QStringLiteral("marco"));
    QCOMPARE(desk.stored(QStringLiteral("soundSource")), QStringLiteral("2"));
    QCOMPARE(desk.stored(QStringLiteral("soundPath")),
             folder.filePath(QStringLiteral("media/chimes.wav")));
    QCOMPARE(desk.stored(QStringLiteral("window")), QStringLiteral("1"));
    QCOMPARE(desk.window().windowTitle(), QStringLiteral("Quorvel - Marco Ruiz"));
    QCOMPARE(desk.state().userNumber, 2);
    QVERIFY(desk.find<QTimer>("Timer2")->isActive());
}

void tst_client_startup::firstRunCancelledEndsTheProgram()
{
    TestFolder folder;
    ClientDesk desk(folder, QString());
    onNextDialog([](QDialog *options) {
        options->findChild<QPushButton *>(QStringLiteral("cmdClose"))->click();
    });
    QVERIFY(!desk.start());
    QVERIFY(desk.programEnd.ended);
    QCOMPARE(desk.prompter.texts().last(),
             QStringLiteral("This program can not continue without a valid Username."));
    QVERIFY(!desk.find<QTimer>("Timer2")->isActive());
}

void tst_client_startup::unknownOrInactiveUserGoesToTheOptions_data()
{
    QTest::addColumn<QString>("username");
    QTest::newRow("unknown") << QStringLiteral("nobody");
    QTest::newRow("inactive") << QStringLiteral("tom");
}

void tst_client_startup::unknownOrInactiveUserGoesToTheOptions()
{
    QFETCH(QString, username);
    TestFolder folder(true);
    ClientDesk desk(folder, username);
    bool optionsOpened = false;
    onNextDialog([&](QDialog *options) {
        optionsOpened = true;
        // The frame's close button counts as Cancel while no valid user is loaded.
        options->close();
    });
    QVERIFY(!desk.start());
    QVERIFY(optionsOpened);
    QCOMPARE(desk.prompter.texts().first(),
             QStringLiteral("Could not load user information.  Either the Username is invalid or "
                            "inactive.  Please check the Username in the Options section."));
    QCOMPARE(desk.state().userNumber, 0);
    QVERIFY(desk.programEnd.ended);
}

void tst_client_startup::storedValuesAreReadByTheRules()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("priya"));
    desk.store(QStringLiteral("whoami"), QStringLiteral("  priya\t"));
    desk.store(QStringLiteral("soundSource"), QStringLiteral("two"));
    desk.store(QStringLiteral("window"), QString(256, QLatin1Char('1')));
    QVERIFY(desk.program->loadUserParameters());
    QCOMPARE(desk.state().username, QStringLiteral("priya"));
    QCOMPARE(desk.state().soundSource, qint16(0));
    QCOMPARE(desk.state().notifyOnTop, qint16(0)); // 256 characters read as ""

    desk.store(QStringLiteral("soundSource"), QStringLiteral("2"));
    desk.store(QStringLiteral("window"), QString(255, QLatin1Char('0')));
    desk.store(QStringLiteral("soundPath"), QStringLiteral("none"));
    QVERIFY(desk.program->loadUserParameters());
    QCOMPARE(desk.state().soundSource, qint16(0));
    desk.store(QStringLiteral("soundPath"),
               QStringLiteral("/x/a.wav") + QChar(u'\0') + QStringLiteral("junk"));
    QVERIFY(desk.program->loadUserParameters());
    QCOMPARE(desk.state().soundPath, QStringLiteral("/x/a.wav"));
    QCOMPARE(desk.state().soundSource, qint16(2));

    // A number stored by another program is not a string: it reads as "".
    desk.store(QStringLiteral("whoami"), 42);
    QVERIFY(!desk.program->checkExistUserParam());
}

void tst_client_startup::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("logs");
    QTest::addColumn<bool>("testFolder");
    QTest::newRow("-l") << QStringList{QStringLiteral("-l")} << true << false;
    QTest::newRow("test") << QStringList{QStringLiteral("test")} << false << true;
    QTest::newRow("TEST") << QStringList{QStringLiteral("TEST")} << false << false;
    QTest::newRow("-L test") << QStringList{QStringLiteral("-L"), QStringLiteral("test")} << false
                             << false;
}

void tst_client_startup::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, logs);
    QFETCH(bool, testFolder);
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"), arguments);
    QCOMPARE(desk.start(), !testFolder);
    QCOMPARE(desk.state().queue.waitingCount, testFolder ? 0 : 3);

    const QString logPath = folder.filePath(QStringLiteral("clientLog.log"));
    QCOMPARE(QFile::exists(logPath), logs);
    if (logs) {
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY(text.contains(QStringLiteral(" - Initiating program\r\n")));
        QVERIFY(text.contains(QStringLiteral(" - Execution directory=") + folder.path()));
        QVERIFY(text.contains(QStringLiteral(" - lobbyXMLPath=") +
                              folder.filePath(QStringLiteral("data/lobbyData.xml"))));
    }
    if (testFolder) {
        // The fixed test folder is not there on a build machine: three "Debug" boxes, then the end.
        QCOMPARE(desk.prompter.titles(),
                 (QStringList{QStringLiteral("Debug"), QStringLiteral("Debug"),
                              QStringLiteral("Debug"), QStringLiteral("Error")}));
        QVERIFY(desk.prompter.texts().last().endsWith(
            QStringLiteral("Current filepath is set to:  ") + clientTestDataPath()));
        QVERIFY(desk.programEnd.ended);
    }
}

void tst_client_startup::customerLeftInServiceIsTakenUpAgain()
{
    // The demo queue holds Jon Baptiste in service with the first representative, dana.
    TestFolder folder(true);
    const QByteArray queueBefore = folder.readQueue();
    ClientDesk desk(folder, QStringLiteral("dana"));
    QVERIFY(desk.start());

    QCOMPARE(desk.prompter.titles(), QStringList{QStringLiteral("Existing Customer Record")});
    QCOMPARE(desk.shownName(), QStringLiteral("Jon Baptiste"));
    QCOMPARE(desk.find<QLabel>("lblService")->text(), QStringLiteral("Permits"));
    QVERIFY(desk.find<QPushButton>("cmdSignout")->isEnabled());
    QVERIFY(desk.state().servicing);
    QCOMPARE(folder.readQueue(), queueBefore);
    // The time it was taken before the stop is kept for the history.
    QCOMPARE(desk.state().timeSeen.toTime(), folder.clock.now().time().addSecs(-12 * 60 + 300));

    // Only the first load takes it up.
    desk.prompter.clear();
    desk.program->loadit();
    QVERIFY(desk.prompter.boxes.isEmpty());
}

QTEST_MAIN(tst_client_startup)
#include "tst_client_startup.moc"
