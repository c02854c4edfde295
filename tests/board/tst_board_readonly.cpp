// The board writes nothing into the program folder: no change signal, no lock, no journal, no
// log. Every file and folder, with its size, time and content, is the same before and after the
// board has read each change the other programs made.
#include "BoardLobby.h"
#include "BoardWindow.h"
#include "clsQuorvel.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

namespace {
/// Each entry under `folder`: its kind, size, modification time to the nanosecond and content.
QMap<QString, QString> snapshot(const QString &folder)
{
    QMap<QString, QString> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info
        {
        };
        ::lstat(QFile::encodeName(path).constData(), &info);
        QFile file(path);
        const QByteArray content = it.fileInfo().isFile() && file.open(QIODevice::ReadOnly)
                                       ? file.readAll()
                                       : QByteArray();
        entries.insert(
            path.mid(folder.size()),
            QStringLiteral("%1 %2 %3.%4 %5")
                .arg(info.st_mode)
                .arg(info.st_size)
                .arg(info.st_mtim.tv_sec)
                .arg(info.st_mtim.tv_nsec)
                .arg(QString::fromLatin1(
                    QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex())));
    }
    return entries;
}
} // namespace

class tst_board_readonly : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEveryChangeWritingNothing();
    void theProgramWritesNothing();
    void optionsNeedNoDisplay();
};

void tst_board_readonly::readsEveryChangeWritingNothing()
{
    BoardLobby lobby;
    const QString folder = lobby.folder.path();
    const QString signal = lobby.folder.context.params.watchDogPath();
    BoardWindow window(lobby.board);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // A folder no program has changed yet has no change signal; the board does not make one.
    QVERIFY(!QFile::exists(signal));
    QMap<QString, QString> before = snapshot(folder);
    lobby.board.poll();
    lobby.board.poll();
    QCOMPARE(snapshot(folder), before);
    QVERIFY(!QFile::exists(signal));

    int ann = 0;
    int bob = 0;
    const std::function<void()> changes[] = {
        [&] { ann = lobby.checkIn("Ann", "Lee"); },
        [&] { bob = lobby.checkIn("Bob", "Stone"); },
        [&] { lobby.take(ann, lobby.dana); },
        [&] { lobby.complete(ann); },
        [&] { QVERIFY(clsQuorvel(lobby.folder.context).removeCustomerFromLobby(bob)); },
    };
    const int serving[] = {0, 0, 1, 0, 0};
    const int waiting[] = {1, 2, 1, 1, 0};
    for (int i = 0; i < 5; ++i) {
        changes[i]();
        before = snapshot(folder);
        lobby.board.poll();
        QCOMPARE(lobby.board.serving().size(), serving[i]);
        QCOMPARE(lobby.board.waiting().size(), waiting[i]);
        QCOMPARE(snapshot(folder), before);
    }
}

void tst_board_readonly::theProgramWritesNothing()
{
    // The program itself, installed in the folder, on an offscreen screen and without sound.
    TestFolder folder(true);
    const QString program = folder.filePath("quorvelBoard");
    QVERIFY(QFile::copy(builtProgram("quorvelBoard"), program));
    QProcess board;
    board.setProcessChannelMode(QProcess::ForwardedChannels);
    board.start(program, {"--windowed", "--privacy", "initials"});
    QVERIFY(board.waitForStarted());

    // Changes while it runs, each seen by a poll of its own.
    for (int i = 0; i < 3; ++i) {
        QTest::qWait(BoardModel::PollMilliseconds + 200);
        folder.clock.advance(1);
        QVERIFY(clsQuorvel(folder.context).addCustomerToQueue("Mia", QString::number(i), "Taxes"));
    }
    const QMap<QString, QString> before = snapshot(folder.path());
    QTest::qWait(2 * BoardModel::PollMilliseconds);
    QCOMPARE(board.state(), QProcess::Running);
    board.terminate();
    QVERIFY(board.waitForFinished());
    QCOMPARE(snapshot(folder.path()), before);
}

void tst_board_readonly::optionsNeedNoDisplay()
{
    QProcessEnvironment terminal = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        terminal.remove(name);
    const ProgramRun help = runProgram(builtProgram("quorvelBoard"), {"--help"}, terminal);
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("--privacy"));
    const ProgramRun wrong =
        runProgram(builtProgram("quorvelBoard"), {"--privacy", "nicknames"}, terminal);
    QCOMPARE(wrong.exitCode, 2);
    QVERIFY(wrong.err.contains("--privacy takes first, initials or full"));
}

QTEST_MAIN(tst_board_readonly)
#include "tst_board_readonly.moc"
