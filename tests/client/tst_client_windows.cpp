// The mini queue window and the options window.
#include "ClientDesk.h"
#include "clsQuorvel.h"
#include "frmLobby.h"
#include "frmMin.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
QColor countColour(frmMin &mini)
{
    return child<QLabel>(&mini, "lblWaiting")->palette().color(QPalette::WindowText);
}
} // namespace

class tst_client_windows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void miniWindowCountAndColour();
    void miniWindowFollowsTheMainWindow();
    void optionsRulesAndUpdate();
    void optionsSaveAPathWithoutSoundFile();
    void deskGoesWithEachTake();
};

void tst_client_windows::miniWindowCountAndColour()
{
    frmMin mini;
    QCOMPARE(mini.windowTitle(), QStringLiteral("Lobby Queue"));
    QLabel *count = child<QLabel>(&mini, "lblWaiting");
    QLabel *picture = child<QLabel>(&mini, "Image1");
    QTimer *blink = child<QTimer>(&mini, "picTimer");
    QCOMPARE(count->toolTip(), QStringLiteral("Double-click to restore Quorvel"));
    mini.show();

    mini.showCount(0, 0);
    QCOMPARE(count->text(), QStringLiteral("+0"));
    QCOMPARE(countColour(mini), QColor(0, 0, 0));
    QVERIFY(!picture->isVisible());
    QVERIFY(!blink->isActive());

    mini.showCount(2, 1);
    QCOMPARE(count->text(), QStringLiteral("+2"));
    QCOMPARE(countColour(mini), QColor(255, 0, 0));
    QVERIFY(blink->isActive());
    QCOMPARE(blink->interval(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(picture->isVisible(), 2500);
    QTRY_VERIFY_WITH_TIMEOUT(!picture->isVisible(), 2500);

    mini.showCount(2, 0);
    QCOMPARE(countColour(mini), QColor(0, 0, 0));
}

void tst_client_windows::miniWindowFollowsTheMainWindow()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    frmLobby &window = desk.window();
    window.show();
    QVERIFY(!window.miniWindow());

    window.showMinimized();
    QPointer<frmMin> mini = window.miniWindow();
    QVERIFY(mini && mini->isVisible());
    QCOMPARE(mini->pos(), QPoint(window.min_X, window.min_Y));
    QCOMPARE(window.min_Y, 0);
    QVERIFY(mini->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(child<QLabel>(mini, "lblWaiting")->text(), QStringLiteral("+3"));
    QCOMPARE(countColour(*mini), QColor(255, 0, 0));

    // Each poll updates it.
    clsQuorvel(folder.context)
        .addCustomerToQueue(QStringLiteral("Mia"), QStringLiteral("Costa"),
                            QStringLiteral("Taxes"));
    desk.program->poll();
    QCOMPARE(child<QLabel>(mini, "lblWaiting")->text(), QStringLiteral("+4"));

    // Moved, then double-clicked: the main window comes back, and the mini window's place is kept.
    mini->move(300, 200);
    QTest::mouseDClick(child<QLabel>(mini, "lblWaiting"), Qt::LeftButton);
    QTRY_VERIFY(!mini);
    QVERIFY(!window.isMinimized());
    QCOMPARE(QPoint(window.min_X, window.min_Y), QPoint(300, 200));

    desk.state().notifyOnTop = 0;
    window.showMinimized();
    QVERIFY(window.miniWindow());
    QCOMPARE(window.miniWindow()->pos(), QPoint(300, 200));
    QVERIFY(!window.miniWindow()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window.showNormal();
    QTRY_VERIFY(!window.miniWindow());
}

void tst_client_windows::optionsRulesAndUpdate()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    desk.prompter.clear();
    const QString chime = folder.filePath(QStringLiteral("media/chimes.wav"));

    bool checked = false;
    onNextDialog([&](QDialog *options) {
        QVERIFY(!desk.find<QTimer>("Timer2")->isActive());
        QCOMPARE(options->windowTitle(), QStringLiteral("Options"));
        auto *username = child<QLineEdit>(options, "txtUsername");
        auto *speaker = child<QCheckBox>(options, "useSpeaker");
        auto *soundFile = child<QCheckBox>(options, "notifySound");
        auto *path = child<QLineEdit>(options, "txtWavePath");
        auto *browse = child<QPushButton>(options, "cmdBrowse");
        auto *update = child<QPushButton>(options, "cmdOK");
        QCOMPARE(username->text(), QStringLiteral("marco"));
        QCOMPARE(child<QLineEdit>(options, "txtPath")->text(),
                 folder.filePath(QStringLiteral("data")));
        QVERIFY(speaker->isChecked());
        QVERIFY(!soundFile->isChecked());
        QVERIFY(!path->isEnabled() && !browse->isEnabled());
        QVERIFY(!update->isEnabled());

        // The two sound options exclude each other.
        soundFile->click();
        QVERIFY(!speaker->isChecked());
        QVERIFY(path->isEnabled() && browse->isEnabled());
        QVERIFY(update->isEnabled());
        speaker->click();
        QVERIFY(!soundFile->isChecked());
        QVERIFY(!path->isEnabled());

        username->clear();
        QVERIFY(!update->isEnabled());
        QTest::keyClicks(username, QStringLiteral("tom"));
        QVERIFY(update->isEnabled());

        soundFile->click();
        path->setText(folder.filePath(QStringLiteral("media/chimes.mp3")));
        update->click();
        QCOMPARE(desk.prompter.texts().last(),
                 QStringLiteral("Sound file is not a valid WAV file."));

        desk.files.answers.enqueue(chime);
        browse->click();
        QCOMPARE(desk.files.requests.last().folder, folder.filePath(QStringLiteral("media")));
        QCOMPARE(path->text(), chime);
        update->click();
        QCOMPARE(desk.prompter.texts().last(), QStringLiteral("Invalid Username!"));
        QCOMPARE(desk.stored(QStringLiteral("whoami")), QStringLiteral("marco"));
        QVERIFY(options->isVisible());

        username->setText(QStringLiteral("priya"));
        child<QCheckBox>(options, "notifyWindow")->click();
        // Enter in the username acts as Update.
        QTest::keyClick(username, Qt::Key_Return);
        checked = true;
    });
    desk.find<QAction>("mnuModify")->trigger();
    QVERIFY(checked);

    QCOMPARE(desk.prompter.titles().last(), QStringLiteral("Update Preferences"));
    QCOMPARE(desk.stored(QStringLiteral("whoami")), QStringLiteral("priya"));
    QCOMPARE(desk.stored(QStringLiteral("soundSource")), QStringLiteral("2"));
    QCOMPARE(desk.stored(QStringLiteral("soundPath")), chime);
    QCOMPARE(desk.stored(QStringLiteral("window")), QStringLiteral("0"));
    QCOMPARE(desk.window().windowTitle(), QStringLiteral("Quorvel - Priya Nair"));
    QCOMPARE(desk.state().userNumber, 3);
    QCOMPARE(desk.state().soundSource, qint16(2));
    QVERIFY(desk.find<QTimer>("Timer2")->isActive());
}

void tst_client_windows::optionsSaveAPathWithoutSoundFile()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    onNextDialog([&](QDialog *options) {
        child<QCheckBox>(options, "useSpeaker")->click();
        child<QLineEdit>(options, "txtWavePath")->setText(QStringLiteral("/tmp/bell.mp3"));
        child<QPushButton>(options, "cmdOK")->click();
    });
    desk.find<QAction>("mnuModify")->trigger();
    QCOMPARE(desk.stored(QStringLiteral("soundSource")), QStringLiteral("0"));
    QCOMPARE(desk.stored(QStringLiteral("soundPath")), QStringLiteral("/tmp/bell.mp3"));
    QCOMPARE(desk.state().soundSource, qint16(0));
}

void tst_client_windows::deskGoesWithEachTake()
{
    TestFolder folder(true);
    ClientDesk desk(folder, QStringLiteral("marco"));
    QVERIFY(desk.start());
    const QString window4 = QStringLiteral("Window 4 by the main stairs, l"); // 30 of them kept
    onNextDialog([&](QDialog *options) {
        QTest::keyClicks(child<QLineEdit>(options, "txtDesk"),
                         QStringLiteral("Window 4 by the main stairs, left"));
        child<QPushButton>(options, "cmdOK")->click();
    });
    desk.find<QAction>("mnuModify")->trigger();
    QCOMPARE(desk.stored(QStringLiteral("desk")), window4);

    const int ivy = queueIdOf(folder, QStringLiteral("Ivy"), QStringLiteral("Kowalski"));
    desk.program->takeCustomer(ivy);
    QVERIFY(desk.state().servicing);
    const QList<StoredQueueRecord> queued = folder.queued();
    const auto taken = std::find_if(queued.begin(), queued.end(),
                                    [ivy](const StoredQueueRecord &r) { return r.id == ivy; });
    QVERIFY(taken != queued.end());
    QCOMPARE(taken->texts.desk, window4);
}

QTEST_MAIN(tst_client_windows)
#include "tst_client_windows.moc"
