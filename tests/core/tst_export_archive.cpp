#include "TestSupport.h"

#include "Database.h"
#include "HistoryArchive.h"
#include "HistoryExport.h"
#include "OutputPath.h"
#include "QueueLock.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QTest>
#include <QThread>

#include <atomic>
#include <optional>
#include <thread>

namespace {
HistoryRow visit(const QString &first, const QString &last, const QString &service,
                 const QDate &day, int servicedBy = 7)
{
    HistoryRow row;
    row.firstName = first;
    row.lastName = last;
    row.serviceRequested = service;
    row.lobbyDateIn = day;
    row.lobbyTimeIn = QTime(9, 5, 30);
    row.timeServiced = QTime(9, 12);
    row.timeOut = QTime(9, 40, 59);
    row.servicedBy = servicedBy;
    row.serviceTime = 28;
    return row;
}

QStringList firstNames(const QString &historyPath)
{
    QStringList names;
    Database db(historyPath);
    if (!db.open())
        return {QStringLiteral("(cannot open)")};
    QSqlQuery query = db.prepare(QStringLiteral("SELECT firstName FROM history ORDER BY id"));
    if (db.exec(query))
        while (query.next())
            names << query.value(0).toString();
    return names;
}

bool hasColumn(const QString &databasePath, const QString &name)
{
    Database db(databasePath);
    return db.open() && db.connection().record(QStringLiteral("history")).contains(name);
}

RepNames annLee()
{
    RepNames names;
    names.add(7, QStringLiteral("Ann Lee"));
    return names;
}

ExportSelection range(const QString &from, const QString &to)
{
    ExportSelection selection;
    const QString wrong = HistoryExport::checkRange(from, to, selection);
    if (!wrong.isEmpty())
        qWarning("%s", qPrintable(wrong));
    return selection;
}

/// The names of the files in `folder`, other than the ones given.
QStringList filesBeside(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files);
}
} // namespace

class tst_export_archive : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exactBytes();
    void dateRanges();
    void rangeChecks_data();
    void rangeChecks();
    void filters();
    void fortyThousandRows();
    void failureKeepsExistingFile();
    void noRecordsMakesNoFile();
    void outputOntoTheSystemIsRefused_data();
    void outputOntoTheSystemIsRefused();
    void archiveFileNames();
    void archiveAndExportFromArchive();
    void archiveBetweenBatchesStopsTheExport();
    void writeOnTheMovedFileIsRefused();
    void archiveRefusedChangesNothing_data();
    void archiveRefusedChangesNothing();
};

void tst_export_archive::exactBytes()
{
    TestFolder folder;
    const QDate day(2004, 1, 15);
    HistoryRow unnamed = visit(QStringLiteral("Zoë"), QStringLiteral("Ñúñez, Jr."),
                               QStringLiteral("Loans"), day, 99);
    unnamed.timeServiced = QTime();
    unnamed.lobbyTimeIn = QTime(10, 0);
    QVERIFY(addHistory(
        folder.context.params.historyPath,
        {visit(QStringLiteral("Jo \"JJ\""), QStringLiteral("O'Doe"), QStringLiteral("Loans"), day),
         unnamed}));
    {
        // A service time never worked out is written empty, not as 0.
        Database db(folder.context.params.historyPath);
        QVERIFY(db.open() &&
                db.exec("UPDATE history SET serviceTime = NULL WHERE servicedBy = 99"));
    }
    const QString out = folder.filePath(QStringLiteral("export/out.csv"));
    HistoryExport job(folder.context.params.historyPath, range("01/15/2004", "01/15/2004"),
                      annLee());
    QCOMPARE(job.writeTo(out), HistoryExport::Outcome::Written);
    QCOMPARE(job.count(), 2);
    QCOMPARE(readFile(out),
             QByteArray("1/15/2004,\"Jo \"\"JJ\"\"\",\"O'Doe\",\"Loans\",\"Ann Lee\",09:05,09:12,"
                        "09:40,28\r\n"
                        "1/15/2004,\"Zo\xc3\xab\",\"\xc3\x91\xc3\xba\xc3\xb1"
                        "ez, Jr.\","
                        "\"Loans\",\"\",10:00,,09:40,\r\n"));
    QCOMPARE(job.completeText(out),
             QStringLiteral("Export Complete.  2 records were exported to ") + out);
}

void tst_export_archive::dateRanges()
{
    TestFolder folder;
    QVERIFY(addHistory(folder.context.params.historyPath,
                       {visit("Before", "A", "Loans", QDate(2003, 12, 14)),
                        visit("First", "A", "Loans", QDate(2003, 12, 15)),
                        visit("Late", "A", "Loans", QDate(2003, 12, 31)),
                        visit("Early", "A", "Loans", QDate(2004, 1, 2)),
                        visit("Last", "A", "Loans", QDate(2004, 1, 10)),
                        visit("After", "A", "Loans", QDate(2004, 1, 11))}));
    const QString out = folder.filePath(QStringLiteral("export/out.csv"));
    HistoryExport spanning(folder.context.params.historyPath, range("12/15/2003", "01/10/2004"),
                           annLee());
    QCOMPARE(spanning.writeTo(out), HistoryExport::Outcome::Written);
    const QList<QByteArray> lines = readFile(out).split('\n');
    QCOMPARE(spanning.count(), 4);
    QVERIFY(lines.at(0).startsWith("12/15/2003,\"First\""));
    QVERIFY(lines.at(3).startsWith("1/10/2004,\"Last\""));

    HistoryExport oneDay(folder.context.params.historyPath, range("12/31/2003", "12/31/2003"),
                         annLee());
    QCOMPARE(oneDay.writeTo(out), HistoryExport::Outcome::Written);
    QCOMPARE(oneDay.count(), 1);
}

void tst_export_archive::rangeChecks_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("wrongEntry");
    QTest::newRow("spans two years") << "12/15/2003"
                                     << "01/10/2004"
                                     << "" << -1;
    QTest::newRow("end before start")
        << "01/10/2004"
        << "12/15/2003"
        << "Starting date can not be greater than the ending date." << 0;
    QTest::newRow("partly blank start") << "12/__/2003"
                                        << "12/15/2003"
                                        << "Invalid starting date." << 0;
    QTest::newRow("no such day") << "02/30/2004"
                                 << "12/15/2003"
                                 << "Invalid starting date." << 0;
    QTest::newRow("bad end") << "12/15/2003"
                             << "13/01/2004"
                             << "Invalid ending date." << 1;
}

void tst_export_archive::rangeChecks()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    QFETCH(int, wrongEntry);
    ExportSelection selection;
    int wrong = 42;
    QCOMPARE(HistoryExport::checkRange(from, to, selection, &wrong), message);
    QCOMPARE(wrong, wrongEntry);
}

void tst_export_archive::filters()
{
    TestFolder folder;
    const QDate day(2026, 12, 6);
    QVERIFY(addHistory(folder.context.params.historyPath,
                       {visit("A", "x", "Loans", day, 7), visit("B", "x", "Loans", day, 8),
                        visit("C", "x", "Farmer's loans", day, 7),
                        visit("D", "x", "Farmer''s loans", day, 7)}));
    const QString out = folder.filePath(QStringLiteral("export/out.csv"));
    ExportSelection selection = range("12/06/2026", "12/06/2026");
    selection.servicedBy = 7;
    HistoryExport byUser(folder.context.params.historyPath, selection, annLee());
    QCOMPARE(byUser.writeTo(out), HistoryExport::Outcome::Written);
    QCOMPARE(byUser.count(), 3);

    // The service is matched as typed: an apostrophe is not doubled into another name.
    selection.byService = true;
    selection.service = QStringLiteral("Farmer's loans");
    HistoryExport byService(folder.context.params.historyPath, selection, annLee());
    QCOMPARE(byService.writeTo(out), HistoryExport::Outcome::Written);
    QCOMPARE(byService.count(), 1);
    QVERIFY(readFile(out).contains("\"C\""));

    selection.service.clear();
    HistoryExport emptyService(folder.context.params.historyPath, selection, annLee());
    QCOMPARE(emptyService.writeTo(out), HistoryExport::Outcome::NoRecords);
}

void tst_export_archive::fortyThousandRows()
{
    TestFolder folder;
    HistoryRows rows;
    for (int i = 0; i < 40000; ++i)
        rows.append(visit(QStringLiteral("F%1").arg(i), "L", "Loans",
                          QDate(2026, 1, 1).addDays(i % 300), 40000 + i % 3));
    QVERIFY(addHistory(folder.context.params.historyPath, rows));
    RepNames names;
    names.add(40001, QStringLiteral("Big Number"));
    const QString out = folder.filePath(QStringLiteral("export/out.csv"));
    HistoryExport job(folder.context.params.historyPath, range("01/01/2026", "12/31/2026"), names);
    QCOMPARE(job.countRows(), 40000);
    qint64 lastProgress = 0;
    QCOMPARE(job.writeTo(out,
                         [&lastProgress](qint64 written) {
                             lastProgress = written;
                             return true;
                         }),
             HistoryExport::Outcome::Written);
    QCOMPARE(job.count(), 40000);
    QCOMPARE(lastProgress, 40000);
    QVERIFY(job.completeText(out).contains(QStringLiteral("  40000 records were exported")));
    const QByteArray content = readFile(out);
    QCOMPARE(content.count("\r\n"), 40000);
    QCOMPARE(content.count("\"Big Number\""), 13333);
}

void tst_export_archive::failureKeepsExistingFile()
{
    TestFolder folder;
    HistoryRows rows;
    for (int i = 0; i < 5000; ++i)
        rows.append(visit(QStringLiteral("F%1").arg(i), "L", "Loans", QDate(2026, 12, 6)));
    QVERIFY(addHistory(folder.context.params.historyPath, rows));
    const QString exportFolder = folder.filePath(QStringLiteral("export"));
    const QString out = exportFolder + QStringLiteral("/payroll.csv");
    writeFile(out, "last month's payroll\r\n");
    const ExportSelection day = range("12/06/2026", "12/06/2026");

    // A file that is not a history database.
    HistoryExport wrongDatabase(folder.context.params.queuePath, day, annLee());
    QCOMPARE(wrongDatabase.writeTo(out), HistoryExport::Outcome::Failed);
    QVERIFY(wrongDatabase.failureText().startsWith(
        QStringLiteral("Export has failed due to database errors.  Error:  ")));

    // The disk fills part-way through the rows.
    {
        FileSizeLimit limit(64 * 1024);
        HistoryExport diskFull(folder.context.params.historyPath, day, annLee());
        QCOMPARE(diskFull.writeTo(out), HistoryExport::Outcome::Failed);
    }

    // Cancelled after the first thousand rows.
    HistoryExport cancelled(folder.context.params.historyPath, day, annLee());
    QCOMPARE(cancelled.writeTo(out, [](qint64) { return false; }),
             HistoryExport::Outcome::Cancelled);

    QCOMPARE(readFile(out), QByteArray("last month's payroll\r\n"));
    QCOMPARE(filesBeside(exportFolder), QStringList{QStringLiteral("payroll.csv")});
}

void tst_export_archive::noRecordsMakesNoFile()
{
    TestFolder folder;
    const QString out = folder.filePath(QStringLiteral("export/out.csv"));
    HistoryExport job(folder.context.params.historyPath, range("12/06/2026", "12/06/2026"),
                      annLee());
    QCOMPARE(job.writeTo(out), HistoryExport::Outcome::NoRecords);
    QVERIFY(!QFile::exists(out));
}

void tst_export_archive::outputOntoTheSystemIsRefused_data()
{
    QTest::addColumn<QString>("output"); // in the program folder
    QTest::addColumn<QString>("linkTo"); // when not empty, `output` is a link to this
    QTest::newRow("the history") << "data/history.mdb"
                                 << "";
    QTest::newRow("the history through ..") << "export/../data/history.mdb"
                                            << "";
    QTest::newRow("the history through a link") << "export/link.csv"
                                                << "data/history.mdb";
    QTest::newRow("a link to a new file in data") << "export/link.csv"
                                                  << "data/new.csv";
    QTest::newRow("the queue file") << "data/lobbyData.xml"
                                    << "";
    QTest::newRow("an archive") << "data/archive/QV1206261.mdb"
                                << "";
    QTest::newRow("the template") << "system/history.mdb"
                                  << "";
    QTest::newRow("a file of the export folder") << "export/december.csv"
                                                 << "";
}

// A refused path is refused alike by the window and by quorvelctl, and nothing is written.
void tst_export_archive::outputOntoTheSystemIsRefused()
{
    QFETCH(QString, output);
    QFETCH(QString, linkTo);
    TestFolder folder;
    const SystemParameters &params = folder.context.params;
    QVERIFY(addHistory(params.historyPath, {visit("Jane", "Doe", "Loans", QDate(2026, 12, 6))}));
    QVERIFY(QFile::copy(params.historyTemplatePath(),
                        params.archiveFolder() + QStringLiteral("/QV1206261.mdb")));
    const QString path = folder.filePath(output);
    if (!linkTo.isEmpty())
        QVERIFY(QFile::link(folder.filePath(linkTo), path));
    const QByteArray before = readFile(path);

    const bool refused = output != "export/december.csv";
    const QString refusal = OutputPath::refusal(path, params.historyPath, params);
    QCOMPARE(!refusal.isEmpty(), refused);
    QCOMPARE(runQuorvelctl(folder,
                           {"export", "--from", "12/06/2026", "--to", "12/06/2026", "--out", path}),
             refused ? 1 : 0);
    if (refused) {
        QVERIFY(refusal.startsWith("The export can not be written to " + path + ": it "));
        QCOMPARE(readFile(path), before);
        QVERIFY(!QFile::exists(folder.filePath("data/new.csv")));
    }
}

void tst_export_archive::archiveFileNames()
{
    QCOMPARE(HistoryArchive::archiveFileName(QDateTime(QDate(2003, 12, 6), QTime(10, 5, 7))),
             QStringLiteral("QV12060357.mdb"));
    QCOMPARE(HistoryArchive::archiveFileName(QDateTime(QDate(2003, 12, 6), QTime(10, 45, 30))),
             QStringLiteral("QV1206034530.mdb"));
    QCOMPARE(HistoryArchive::archiveFileName(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0))),
             QStringLiteral("QV01022600.mdb"));
}

void tst_export_archive::archiveAndExportFromArchive()
{
    TestFolder folder;
    const SystemParameters &params = folder.context.params;
    // A template of the first version gains the visit key before it is copied.
    QVERIFY(makeFirstVersionHistory(params.historyTemplatePath()));
    QVERIFY(addHistory(params.historyPath, {visit("Jane", "Doe", "Loans", QDate(2026, 12, 6))}));
    QVERIFY(QFile::setPermissions(params.historyPath, QFile::permissions(params.historyPath) |
                                                          QFile::ReadGroup | QFile::WriteGroup));
    const QString before = folder.filePath(QStringLiteral("export/before.csv"));
    const ExportSelection day = range("12/06/2026", "12/06/2026");
    HistoryExport current(params.historyPath, day, annLee());
    QCOMPARE(current.writeTo(before), HistoryExport::Outcome::Written);

    QString archivePath;
    Failure failure;
    QVERIFY2(HistoryArchive::archiveDB(folder.context, archivePath, failure),
             qPrintable(failure.description));
    QCOMPARE(archivePath, params.archiveFolder() + QStringLiteral("/QV12062659.mdb"));
    QCOMPARE(firstNames(params.historyPath), QStringList());
    QVERIFY(hasColumn(params.historyPath, "visitKey"));
    QVERIFY(hasColumn(params.historyTemplatePath(), "visitKey"));
    QCOMPARE(QFile::permissions(params.historyPath), QFile::permissions(archivePath));
    QCOMPARE(filesBeside(params.dataPath),
             QStringList({QStringLiteral("format.ini"), QStringLiteral("history.mdb"),
                          QStringLiteral("lobbyData.xml"), QStringLiteral("systemData.mdb")}));
    QVERIFY(folder.prompter.boxes.isEmpty());

    const QString after = folder.filePath(QStringLiteral("export/after.csv"));
    HistoryExport archived(archivePath, day, annLee());
    QCOMPARE(archived.writeTo(after), HistoryExport::Outcome::Written);
    QCOMPARE(readFile(after), readFile(before));
}

// An export reads in batches; an archive may come between two. Reading on would take the new
// history's journal for the archive's own: the export stops and says why.
void tst_export_archive::archiveBetweenBatchesStopsTheExport()
{
    TestFolder folder;
    const SystemParameters &params = folder.context.params;
    HistoryRows rows;
    for (int i = 0; i < 20 * HistoryExport::ProgressStep; ++i)
        rows.append(visit(QStringLiteral("F%1").arg(i), "L", "Loans", QDate(2026, 12, 6)));
    QVERIFY(addHistory(params.historyPath, rows));
    QString archivePath;
    Failure archiveFailure;
    std::atomic<bool> archived = false, exported = false;
    std::thread archiving;
    const auto archiveThenSignOut = [&] {
        archived = HistoryArchive::archiveDB(folder.context, archivePath, archiveFailure);
        // A sign-out half-way in the new history. Written without syncs, its journal is whole at
        // once, as a synced one is while its commit runs.
        Database signingOut(params.historyPath);
        if (signingOut.open() && signingOut.exec("PRAGMA synchronous = OFF") &&
            signingOut.exec("BEGIN IMMEDIATE") &&
            signingOut.exec("INSERT INTO history (firstName) VALUES ('New')")) {
            while (!exported)
                QThread::msleep(10);
            signingOut.exec("COMMIT");
        }
    };
    const QString out = folder.filePath(QStringLiteral("export/out.csv"));
    HistoryExport job(params.historyPath, range("12/06/2026", "12/06/2026"), annLee());
    const HistoryExport::Outcome outcome = job.writeTo(out, [&](qint64) {
        if (!archiving.joinable())
            archiving = std::thread(archiveThenSignOut);
        QThread::msleep(150); // past the batch's time: the next row ends the batch
        return true;
    });
    exported = true;
    archiving.join();
    QVERIFY2(archived, qPrintable(archiveFailure.description));
    QCOMPARE(outcome, HistoryExport::Outcome::Failed);
    QVERIFY2(job.failureText().contains("The history was archived while it was being exported"),
             qPrintable(job.failureText()));
    QVERIFY(!QFile::exists(out));
    QCOMPARE(firstNames(archivePath).size(), rows.size());
    QCOMPARE(firstNames(params.historyPath), QStringList{QStringLiteral("New")});
}

void tst_export_archive::writeOnTheMovedFileIsRefused()
{
    // Another instance opened the history just before the archive and writes just after it: the
    // write must fail (and be seen to fail) rather than land in the archive unseen.
    TestFolder folder;
    const SystemParameters &params = folder.context.params;
    Database late(params.historyPath);
    QVERIFY(late.open());
    QString archivePath;
    Failure failure;
    QVERIFY(HistoryArchive::archiveDB(folder.context, archivePath, failure));
    QVERIFY(!late.exec(QStringLiteral("INSERT INTO history (firstName) VALUES ('Late')")));
    QCOMPARE(firstNames(archivePath), QStringList());
    QCOMPARE(firstNames(params.historyPath), QStringList());
}

void tst_export_archive::archiveRefusedChangesNothing_data()
{
    QTest::addColumn<QString>("broken");
    QTest::addColumn<QString>("said"); // in the failure's text; %1 is the program folder
    QTest::newRow("archive folder missing") << "archive folder"
                                            << "%1/data/archive";
    QTest::newRow("template missing") << "template missing"
                                      << "%1/system/history.mdb";
    // The office's next sign-out would fail on it.
    QTest::newRow("template empty") << "template empty"
                                    << "%1/system/history.mdb";
    QTest::newRow("template of another database") << "template of systemData"
                                                  << "%1/system/history.mdb";
    QTest::newRow("archived once this second")
        << "archived"
        << "File already exists: %1/data/archive/QV12062659.mdb";
    // The archive never moves the history from under a write; it gives up instead.
    QTest::newRow("a sign-out half-way, the queue locked") << "queue locked"
                                                           << "in use by another workstation";
    QTest::newRow("a history write not yet committed") << "history written"
                                                       << "database is locked";
}

void tst_export_archive::archiveRefusedChangesNothing()
{
    QFETCH(QString, broken);
    QFETCH(QString, said);
    TestFolder folder;
    const SystemParameters &params = folder.context.params;
    QString archivePath, earlier;
    Failure failure;
    if (broken == "archived")
        QVERIFY(HistoryArchive::archiveDB(folder.context, earlier, failure));
    QVERIFY(addHistory(params.historyPath, {visit("Kept", "Here", "Loans", QDate(2026, 12, 6))}));
    QStringList kept{QStringLiteral("Kept")};
    const QString gone = params.historyTemplatePath();
    std::optional<LiveLockHolder> signingOut;
    std::optional<Database> writer;
    if (broken == "archive folder") {
        QVERIFY(QDir(params.archiveFolder()).removeRecursively());
    } else if (broken == "template missing") {
        QVERIFY(QFile::remove(gone));
    } else if (broken == "template empty") {
        QVERIFY(writeFile(gone, QByteArray()));
    } else if (broken == "template of systemData") {
        QVERIFY(writeFile(gone, readFile(params.systemPath)));
    } else if (broken == "queue locked") {
        signingOut.emplace(params.queuePath);
        QVERIFY(signingOut->isHolding());
    } else if (broken == "history written") {
        writer.emplace(params.historyPath);
        QVERIFY(writer->open() && writer->exec("BEGIN IMMEDIATE"));
        QVERIFY(writer->exec("INSERT INTO history (firstName) VALUES ('Late')"));
        kept << QStringLiteral("Late");
    }
    QueueLock::setTimeouts(300, 60000);
    Database::setBusyTimeout(300);
    const bool archived = HistoryArchive::archiveDB(folder.context, archivePath, failure);
    QueueLock::resetTimeouts();
    Database::setBusyTimeout(10000);
    QVERIFY(!archived);
    QCOMPARE(archivePath, params.archiveFolder() + QStringLiteral("/QV12062659.mdb"));
    QVERIFY2(HistoryArchive::failureText(failure).contains(said.replace("%1", folder.path())),
             qPrintable(failure.description));
    if (writer)
        QVERIFY(writer->exec("COMMIT"));
    writer.reset();
    signingOut.reset(); // a reader of the history waits for the queue lock too
    QCOMPARE(firstNames(params.historyPath), kept);
    QCOMPARE(filesBeside(params.dataPath).size(), 4); // no copy of the template left behind
    QCOMPARE(filesBeside(params.archiveFolder()).size(), earlier.isEmpty() ? 0 : 1);
    if (!earlier.isEmpty())
        QCOMPARE(firstNames(earlier), QStringList());
}

QTEST_GUILESS_MAIN(tst_export_archive)
#include "tst_export_archive.moc"
