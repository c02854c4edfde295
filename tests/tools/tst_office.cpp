#include "DataFormat.h"
#include "Database.h"
#include "DeskPresence.h"
#include "IniFile.h"
#include "ProgramVersion.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {
ProgramRun ctl(const QStringList &args)
{
    return runProgram(builtProgram("quorvelctl"), args);
}

/// The numbers of the visits named "V<n>" in the queue and in the history of a backup.
struct Visits
{
    QSet<int> queued, done;
};

Visits visitsIn(const QString &backup)
{
    Visits visits;
    static const QRegularExpression name(QStringLiteral(">V(\\d+)<"));
    for (const auto &match : name.globalMatch(readFile(backup + "/data/lobbyData.xml")))
        visits.queued.insert(match.captured(1).toInt());
    Database history(backup + "/data/history.mdb", Database::Mode::ReadOnly);
    QSqlQuery rows;
    if (history.open() &&
        history.exec(rows, "SELECT substr(firstName, 2) FROM history WHERE firstName LIKE 'V%'",
                     {})) {
        while (rows.next())
            visits.done.insert(rows.value(0).toInt());
    }
    return visits;
}

} // namespace

/// What an administrator does to an office over the years: new versions, backups, restores.
class tst_office : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void helpPageCoversEveryWindow();
    void updateRenewsWhatComesWithTheProgramsOnly();
    void everyProgramTellsItsVersion();
    void newerDataRefusedOlderUpgradedOnce();
    void backupWhileDesksWork();
    void restoreOnlyWhenEveryDeskIsClosed();
    void backupOfAServerOfficeIsItsDump();
    void logRotationRuleAccepted();
};

void tst_office::helpPageCoversEveryWindow()
{
    QTemporaryDir dir;
    QCOMPARE(ctl({"init", dir.path()}).exitCode, 0);
    const QString page = QString::fromUtf8(readFile(dir.filePath("help/default.htm")));
    for (const char *section :
         {"<h2>At the reception desk</h2>", "<h3>The lobby window</h3>",
          "<h3>Checking a customer in</h3>", "<h3>Correcting an entry</h3>",
          "<h3>Representatives, services and the waiting-time limit</h3>",
          "<h3>Exporting history</h3>", "<h3>Archiving the history</h3>",
          "<h2>At a representative's desk</h2>", "<h3>Sound and the mini window</h3>",
          "<h3>Your calendar</h3>", "<h3>Service history</h3>", "<h3>Options</h3>",
          "<h2>The lobby board</h2>"})
        QVERIFY2(page.contains(QLatin1String(section)), section);
}

void tst_office::updateRenewsWhatComesWithTheProgramsOnly()
{
    TestFolder folder(true);
    const QByteArray queue = folder.readQueue();
    const QByteArray history = readFile(folder.context.params.historyPath);
    for (const char *installed : {"help/default.htm", "media/chimes.wav"}) {
        QFile file(folder.filePath(installed));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate)); // as an old version left it
    }
    QVERIFY(QFile::remove(folder.filePath("system/history.mdb")));

    QCOMPARE(ctl({"update", folder.path()}).exitCode, 0);
    QVERIFY(readFile(folder.filePath("help/default.htm")).contains("<h2>The lobby board</h2>"));
    QVERIFY(readFile(folder.filePath("media/chimes.wav")).startsWith("RIFF"));
    QVERIFY(QFileInfo(folder.filePath("system/history.mdb")).size() > 0);
    QCOMPARE(folder.readQueue(), queue);
    QCOMPARE(readFile(folder.context.params.historyPath), history);

    QTemporaryDir empty;
    QCOMPARE(ctl({"update", empty.path()}).exitCode, 1); // no office there to bring up to date
    QVERIFY(QDir(empty.path()).isEmpty());
}

void tst_office::everyProgramTellsItsVersion()
{
    for (const char *program : {"harbrin", "quorvelClient", "quorvelBoard", "quorvelctl"}) {
        const ProgramRun run = runProgram(builtProgram(program), {"--version"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, ProgramVersion::text(program));
    }
}

void tst_office::newerDataRefusedOlderUpgradedOnce()
{
    TestFolder folder(true);
    const QString format = folder.filePath("data/format.ini");
    QVERIFY(IniFile::writeString(format, "data", "Format", "99"));
    const QByteArray queue = folder.readQueue();
    const ProgramRun refused = quorvelctl(folder.path(), {"add", "Ann", "Lee", "Taxes"});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("is in data format 99"), qPrintable(refused.err));
    QCOMPARE(folder.readQueue(), queue);

    // A folder laid out before formats were recorded, as the first version left it.
    QVERIFY(QFile::remove(format));
    QVERIFY(QDir(folder.filePath("data/desks")).removeRecursively());
    for (int run = 0; run < 2; ++run)
        QCOMPARE(quorvelctl(folder.path(), {"list"}).exitCode, 0);
    QCOMPARE(DataFormat::recorded(folder.context.params.dataPath), DataFormat::Current);
    QVERIFY(QFileInfo(folder.filePath("data/desks")).isDir());
    QCOMPARE(readFile(folder.filePath("data/upgrade.log")).count("Data format "),
             DataFormat::Current - 1);
}

void tst_office::backupWhileDesksWork()
{
    TestFolder folder(true);
    QTemporaryDir backups;
    // A desk checking customers in, taking and completing them as fast as it can.
    QProcess desk;
    const QString stop = backups.filePath("stop");
    desk.start("bash", {"-c",
                        "Q=$0; F=$1; i=0; while [ ! -e \"$2\" ]; do i=$((i+1));"
                        " id=$(\"$Q\" --folder \"$F\" add V$i Visit Taxes) &&"
                        " \"$Q\" --folder \"$F\" take $id --user 2 &&"
                        " \"$Q\" --folder \"$F\" complete $id --user 2 || exit 1; done",
                        builtProgram("quorvelctl"), folder.path(), stop});
    QStringList made;
    for (int i = 0; i < 3; ++i) {
        QThread::msleep(400);
        const ProgramRun run = quorvelctl(folder.path(), {"backup", backups.path()});
        QCOMPARE(run.exitCode, 0);
        made << run.out.trimmed();
        QThread::msleep(1000); // backups are named by the second
    }
    QFile(stop).open(QIODevice::WriteOnly);
    QVERIFY(desk.waitForFinished(60000));
    QCOMPARE(desk.exitCode(), 0);

    int largest = 0;
    for (const QString &backup : made) {
        for (const char *database : {"/data/history.mdb", "/data/systemData.mdb"})
            QCOMPARE(integrityCheck(backup + database), QString("ok"));
        const Visits visits = visitsIn(backup);
        QVERIFY2(!visits.queued.intersects(visits.done), qPrintable(backup)); // never in both
        const QSet<int> all = visits.queued + visits.done;
        const int latest = all.isEmpty() ? 0 : *std::max_element(all.begin(), all.end());
        QCOMPARE(all.size(), latest); // every visit before the latest is in one place
        largest = std::max(largest, latest);
    }
    QVERIFY(largest > 0);
}

void tst_office::restoreOnlyWhenEveryDeskIsClosed()
{
    TestFolder folder(true);
    QTemporaryDir backups;
    const ProgramRun made = quorvelctl(folder.path(), {"backup", backups.path()});
    QCOMPARE(made.exitCode, 0);
    const QString backup = made.out.trimmed();
    QCOMPARE(quorvelctl(folder.path(), {"add", "Late", "Comer", "Taxes"}).exitCode, 0);
    const QByteArray changed = folder.readQueue();
    {
        DeskPresence desk(folder.context.params.dataPath, "harbrin");
        const ProgramRun refused = quorvelctl(folder.path(), {"restore", backup});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("The office is open on: harbrin on"),
                 qPrintable(refused.err));
        QCOMPARE(folder.readQueue(), changed);
    }
    // A desk that ended through exit() takes its mark along.
    QCOMPARE(runProgram(QCoreApplication::applicationFilePath(),
                        {"--open-and-exit", folder.context.params.dataPath})
                 .exitCode,
             0);
    QVERIFY(QDir(DeskPresence::folderFor(folder.context.params.dataPath)).isEmpty());
    QCOMPARE(quorvelctl(folder.path(), {"restore", backup}).exitCode, 0);
    QCOMPARE(folder.readQueue(), readFile(backup + "/data/lobbyData.xml"));

    QVERIFY(writeFile(backup + "/data/history.mdb", QByteArray(4096, 'x')));
    const ProgramRun refused = quorvelctl(folder.path(), {"restore", backup});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("history.mdb"), qPrintable(refused.err));
}

void tst_office::backupOfAServerOfficeIsItsDump()
{
    TestFolder folder;
    if (folder.context.params.serverConnection.isEmpty())
        QSKIP("no test server named by QUORVEL_TEST_SERVER");
    QTemporaryDir backups;
    const ProgramRun made = quorvelctl(folder.path(), {"backup", backups.path()});
    QCOMPARE(made.exitCode, 0);
    const QString dump = made.out.trimmed() + "/quorvel.pgdump";
    const ProgramRun listed = runProgram("pg_restore", {"--list", dump});
    QCOMPARE(listed.exitCode, 0);
    QVERIFY(listed.out.contains(" TABLE "));
    QVERIFY(quorvelctl(folder.path(), {"restore", made.out.trimmed()})
                .err.contains("pg_restore --clean"));
}

void tst_office::logRotationRuleAccepted()
{
    const QString logrotate = QStandardPaths::findExecutable("logrotate", {"/usr/sbin", "/sbin"});
    if (logrotate.isEmpty())
        QSKIP("logrotate is not installed");
    QTemporaryDir folder;
    QVERIFY(writeFile(
        folder.filePath("rule"),
        readFile(QUORVEL_LOGROTATE_RULE).replace("/srv/quorvel", folder.path().toUtf8())));
    const QString log = folder.filePath("frontLog.log");
    QVERIFY(writeFile(log, QByteArray(2 << 20, 'x'))); // past the size that rotates
    const ProgramRun run =
        runProgram(logrotate, {"-d", "-s", folder.filePath("state"), folder.filePath("rule")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(!run.err.contains("error"), qPrintable(run.err));
    QVERIFY2(run.err.contains("log needs rotating") && run.err.contains("truncating " + log),
             qPrintable(run.err));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--open-and-exit") == 0) {
        // A desk that ends through exit(), as after new options or an archive: the objects of
        // main() are never destroyed.
        new DeskPresence(QString::fromLocal8Bit(argv[2]), "harbrin");
        std::exit(0);
    }
    tst_office test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_office.moc"
