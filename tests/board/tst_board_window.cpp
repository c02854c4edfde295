// The board's window, offscreen: the header, the two lists as painted at the two screen sizes,
// the reconnecting mark, and the keys.
#include "BoardLobby.h"
#include "BoardPanel.h"
#include "BoardWindow.h"
#include "IniFile.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

class tst_board_window : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheLobbyAtBothScreenSizes();
    void titleFromTheIniFile_data();
    void titleFromTheIniFile();
    void keys();
};

void tst_board_window::showsTheLobbyAtBothScreenSizes()
{
    BoardLobby lobby;
    lobby.take(lobby.checkIn("Jon", "Baptiste"), lobby.dana);
    lobby.checkIn(QStringLiteral("Maximiliana-Josefina-Alexandra"), "Worthington");
    for (int i = 0; i < 29; ++i) {
        lobby.folder.clock.advance(1);
        lobby.checkIn(QStringLiteral("Customer%1").arg(i), "Smith");
    }
    BoardWindow window(lobby.board);
    window.resize(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *serving = window.findChild<BoardPanel *>("panelServing");
    auto *waiting = window.findChild<BoardPanel *>("panelWaiting");
    QVERIFY(serving && waiting);
    // Before the queue is read: one plain line, no lists that would read as an empty lobby.
    auto *waitingForQueue = window.findChild<QLabel *>("lblWaitingForQueue");
    QVERIFY(!waitingForQueue->isHidden());
    QCOMPARE(waitingForQueue->text(), QStringLiteral("Waiting for the queue\u2026"));
    QVERIFY(serving->isHidden() && waiting->isHidden());
    QVERIFY(window.findChild<QLabel *>("lblReconnecting")->isHidden());
    lobby.board.poll();
    QVERIFY(waitingForQueue->isHidden());
    QVERIFY(!serving->isHidden() && !waiting->isHidden());

    QCOMPARE(serving->visibleLines().size(), 1);
    QCOMPARE(serving->visibleLines().first().text, QStringLiteral("Jon B."));
    QCOMPARE(serving->visibleLines().first().detail, QStringLiteral("with Dana W."));
    // At a desk: where to go instead of who serves.
    lobby.take(lobby.checkIn("Jane", "Doe"), lobby.marco, "Window 4");
    lobby.board.poll();
    QCOMPARE(serving->visibleLines().first().text, QStringLiteral("Jane D. \u2192 Window 4"));
    QCOMPARE(serving->visibleLines().first().detail, QString());

    // Thirty waiting do not fit: the last line that fits counts the rest.
    for (const QSize size : {QSize(1280, 720), QSize(1920, 1080)}) {
        window.resize(size);
        QTRY_COMPARE(window.size(), size);
        const QList<BoardPanel::Line> lines = waiting->visibleLines();
        QVERIFY2(lines.size() >= 8, qPrintable(QString::number(lines.size())));
        QVERIFY(lines.last().more);
        QCOMPARE(lines.last().text, QStringLiteral("+%1 more").arg(30 - (lines.size() - 1)));
        QCOMPARE(lines.first().text, QStringLiteral("Maximiliana-Josefina-Alexandra W."));
        // Waited, and still to wait with Dana's visit just begun and no history: ten minutes.
        QCOMPARE(lines.first().detail, QStringLiteral("0 min \u00b7 wait about 10 min"));
    }
    // Text grows with the screen: a name on the wall of a lobby is over 40 pixels high.
    QVERIFY(BoardWindow::unitFor({1920, 1080}) * 0.95 > 40);
    QVERIFY(BoardWindow::unitFor({1280, 720}) < BoardWindow::unitFor({1920, 1080}));

    // Too little room for a row and the rest: only the count; for none: nothing past the edge.
    BoardPanel panel("Waiting", "No one is waiting", BoardPanel::Mark::Overdue);
    panel.setUnit(40);
    panel.setRows(QList<BoardPanel::Row>(5, {"Ann L.", "3 min", false}));
    panel.resize(400, 130);
    QCOMPARE(panel.visibleLines().size(), 1);
    QCOMPARE(panel.visibleLines().first().text, QStringLiteral("+5 more"));
    panel.resize(400, 100);
    QVERIFY(panel.visibleLines().isEmpty());

    auto *reconnecting = window.findChild<QLabel *>("lblReconnecting");
    QVERIFY(reconnecting->isHidden());
    if (TestFolder::onServer())
        return; // the server keeps no queue file to tear
    lobby.folder.writeQueue("<LOBBY");
    lobby.signalChange();
    lobby.board.poll();
    QVERIFY(!reconnecting->isHidden());
    QCOMPARE(reconnecting->text(), QStringLiteral("reconnecting"));
    QCOMPARE(serving->visibleLines().first().text, QStringLiteral("Jane D. \u2192 Window 4"));
}

void tst_board_window::titleFromTheIniFile_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("elided");
    QTest::newRow("fits") << "Harbor Street Office" << false;
    // The window never widens for a title.
    QTest::newRow("too long")
        << QStringLiteral("Department of Motor Vehicles ").repeated(6).trimmed() << true;
}

void tst_board_window::titleFromTheIniFile()
{
    QFETCH(QString, title);
    QFETCH(bool, elided);
    TestFolder folder;
    QVERIFY(IniFile::writeString(folder.context.params.iniPath(), "Board", "TITLE", title));
    BoardModel board(folder.context.params, folder.clock, NameForm::FirstAndInitial);
    BoardWindow window(board);
    window.resize(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(1280, 720));
    auto *label = window.findChild<QLabel *>("lblTitle");
    QCOMPARE(label->text() == title, !elided);
    QCOMPARE(label->text().endsWith(QChar(0x2026)), elided);
    QCOMPARE(label->toolTip(), title);
    // The fake clock stands at 2:05:09 PM on Sunday, December 6, 2026.
    QCOMPARE(window.findChild<QLabel *>("lblDate")->text(), QStringLiteral("Sunday, December 6"));
    QCOMPARE(window.findChild<QLabel *>("lblTime")->text(), QStringLiteral("2:05 PM"));
}

void tst_board_window::keys()
{
    BoardLobby lobby;
    BoardWindow window(lobby.board);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_F11);
    QVERIFY(window.windowState() & Qt::WindowFullScreen);
    QCOMPARE(window.cursor().shape(), Qt::BlankCursor);
    QTest::keyClick(&window, Qt::Key_F11);
    QVERIFY(!(window.windowState() & Qt::WindowFullScreen));
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    window.show();
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(tst_board_window)
#include "tst_board_window.moc"
