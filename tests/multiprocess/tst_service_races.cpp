#include "TestSupport.h"

#include "Database.h"
#include "clsQuorvel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <pugixml.hpp>

#include <memory>
#include <thread>
#include <vector>

namespace {
using Run = ProgramRun;

QStringList withFolder(const TestFolder &folder, const QStringList &args)
{
    return QStringList{"--folder", folder.path()} + args;
}

Run ctl(const TestFolder &folder, const QStringList &args)
{
    return quorvelctl(folder.path(), args);
}

/// Starts every run at once, then waits for all of them.
QList<Run> race(const TestFolder &folder, const QList<QStringList> &runs)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList &args : runs) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(builtProgram("quorvelctl"), withFolder(folder, args));
    }
    QList<Run> results;
    for (auto &process : processes)
        results.append(finishRun(*process));
    return results;
}

/// The first and last names of the visits the store holds for today, as "first last".
QStringList historyNames(TestFolder &folder)
{
    QStringList names;
    Failure failure;
    for (const HistoryRow &row :
         folder.context.store().historyOfDay(QDate::currentDate(), 0, failure))
        names << row.firstName + ' ' + row.lastName;
    return names;
}

/// The same for every customer in the queue, waiting or in service.
QStringList queueNames(TestFolder &folder)
{
    QueueListing listing;
    clsQuorvel(folder.context).loadQueue(listing, true);
    QStringList names;
    for (const QueueRow &row : listing.waiting + listing.inService)
        names << row.text();
    return names;
}

/// The first and last names of every history row of the database at `historyPath`.
QStringList historyNames(const QString &historyPath)
{
    QStringList names;
    Database db(historyPath, Database::Mode::ReadOnly);
    if (!db.open())
        return names;
    QSqlQuery query = db.prepare("SELECT firstName, lastName FROM history");
    if (db.exec(query))
        while (query.next())
            names << query.value(0).toString() + ' ' + query.value(1).toString();
    return names;
}

int count(const QList<Run> &runs, int exitCode)
{
    return int(std::count_if(runs.begin(), runs.end(),
                             [exitCode](const Run &run) { return run.exitCode == exitCode; }));
}
} // namespace

class tst_service_races : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void quorvelctlDrivesAFreshFolder();
    void eightTakeOneCustomer();
    void eightSignOutOneCustomer();
    void addersAndRepresentativesKeepEveryVisit_data();
    void addersAndRepresentativesKeepEveryVisit();
    void unreadableQueueIsSaidAndKept_data();
    void unreadableQueueIsSaidAndKept();
    void signOutsRacingAnArchiveKeepEveryVisit();
    void anotherProcessChangeIsHeard();
    void serverRestartLosesNoCheckIn();
};

void tst_service_races::quorvelctlDrivesAFreshFolder()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    QCOMPARE(ctl(folder, {"users", "add", "Ann", "O'Neil", "ann"}).out, QString("1\n"));
    QCOMPARE(ctl(folder, {"users", "add", "Zoë", "Say \"hi\"", "zoe"}).out, QString("2\n"));
    QCOMPARE(ctl(folder, {"users", "list"}).out,
             QString("1\tAnn\tO'Neil\tann\t1\n2\tZoë\tSay \"hi\"\tzoe\t1\n"));
    QCOMPARE(ctl(folder, {"services", "add", "Taxes"}).out, QString("1\n"));
    QCOMPARE(ctl(folder, {"services", "add", "'); DROP TABLE history;--"}).out, QString("2\n"));
    QCOMPARE(ctl(folder, {"services", "list"}).out,
             QString("2\t'); DROP TABLE history;--\n1\tTaxes\n"));
    QCOMPARE(ctl(folder, {"services", "add", "  "}).exitCode, 1); // blanks name nothing
    QCOMPARE(ctl(folder, {"users", "add", "Al", " ", "al"}).exitCode, 1);

    const QDate today = QDate::currentDate();
    const QString id = ctl(folder, {"add", "Bob", "O'Neil", "Tax \"A\""}).out.trimmed();
    const Run nobody = ctl(folder, {"take", id, "--user", "99"});
    QCOMPARE(nobody.exitCode, 3);
    QCOMPARE(nobody.err, QString("quorvelctl: There is no user with number 99.\n"));
    const QString key = ctl(folder, {"list"}).out.trimmed().split('\t').last();
    QCOMPARE(key.size(), 32);
    QCOMPARE(ctl(folder, {"remove", id, "--key", "another"}).exitCode, 3);
    QCOMPARE(ctl(folder, {"take", id, "--user", "1", "--key", "another"}).exitCode, 3);
    QCOMPARE(ctl(folder, {"take", id, "--user", "1", "--key", key}).exitCode, 0);
    const Run refused = ctl(folder, {"take", id, "--user", "2"});
    QCOMPARE(refused.exitCode, 3);
    QCOMPARE(
        refused.err,
        QString("Customer Retrieval: This customer has been taken by another representative.\n"));
    QCOMPARE(ctl(folder, {"return", id, "--user", "1"}).exitCode, 0);
    QVERIFY(ctl(folder, {"list"}).out.startsWith(id + "\t0\tBob\tO'Neil\tTax \"A\"\t"));
    QCOMPARE(ctl(folder, {"take", id, "--user", "2"}).exitCode, 0);
    QCOMPARE(ctl(folder, {"complete", id, "--user", "1"}).exitCode, 3);
    QCOMPARE(ctl(folder, {"complete", id, "--user", "2"}).exitCode, 0);
    QCOMPARE(ctl(folder, {"complete", id, "--user", "2"}).err,
             QString("Service Error: This customer record was removed by the Harbrin.\n"));
    QCOMPARE(ctl(folder, {"take", id, "--user", "2"}).err,
             QString("Quorvel: This customer has been removed from the Lobby Queue.\n"));
    QCOMPARE(ctl(folder, {"list"}).out, QString());

    const Run history = ctl(folder, {"history", today.toString("M/d/yyyy")});
    QCOMPARE(history.exitCode, 0);
    const QStringList fields = history.out.trimmed().split('\t');
    QCOMPARE(fields.size(), 10);
    QCOMPARE(fields.mid(0, 5),
             QStringList({"1", "Bob", "O'Neil", "Tax \"A\"", today.toString("MM/dd/yyyy")}));
    QCOMPARE(fields[8], QString("2"));
    QCOMPARE(ctl(folder, {"history", today.toString("M/d/yyyy"), "--user", "1"}).out, QString());
    QCOMPARE(ctl(folder, {"history", "13/45/2026"}).exitCode, 2);
    if (TestFolder::onServer())
        return; // the row below is written into the folder's history
    {
        Database db(folder.context.params.historyPath);
        QVERIFY(db.open() && db.exec("INSERT INTO history (firstName, lastName, serviceRequested, "
                                     "lobbyDateIn) VALUES ('Cy', 'Lo', 'Taxes', '2026-01-05')"));
    }
    // A column without a value prints empty, never as 0.
    QCOMPARE(ctl(folder, {"history", "1/5/2026"}).out,
             QString("2\tCy\tLo\tTaxes\t01/05/2026\t\t\t\t\t\n"));
}

void tst_service_races::eightTakeOneCustomer()
{
    TestFolder folder;
    QVERIFY(addRepresentatives(folder, 8));
    for (int round = 0; round < 5; ++round) {
        const QString id =
            ctl(folder, {"add", "Ann", QString::number(round), "Taxes"}).out.trimmed();
        QList<QStringList> takes;
        for (int user = 1; user <= 8; ++user)
            takes.append({"take", id, "--user", QString::number(user)});
        const QList<Run> runs = race(folder, takes);
        QCOMPARE(count(runs, 0), 1);
        QCOMPARE(count(runs, 3), 7);
        int winner = 0;
        for (int i = 0; i < runs.size(); ++i) {
            if (runs[i].exitCode == 0)
                winner = i + 1;
            else
                QCOMPARE(runs[i].err, QString("Customer Retrieval: This customer has been taken "
                                              "by another representative.\n"));
        }
        const QStringList lines = ctl(folder, {"list"}).out.split('\n', Qt::SkipEmptyParts);
        const QStringList fields =
            lines.filter(QRegularExpression('^' + id + '\t')).first().split('\t');
        QCOMPARE(fields[1], QString("1"));
        QCOMPARE(fields[7], QString::number(winner));
    }
}

void tst_service_races::eightSignOutOneCustomer()
{
    TestFolder folder;
    QVERIFY(addRepresentatives(folder, 1));
    for (int round = 0; round < 5; ++round) {
        const QString last = QString::number(round);
        const QString id = ctl(folder, {"add", "Ann", last, "Taxes"}).out.trimmed();
        QCOMPARE(ctl(folder, {"take", id, "--user", "1"}).exitCode, 0);
        const QList<Run> runs =
            race(folder, QList<QStringList>(8, {"complete", id, "--user", "1"}));
        QCOMPARE(count(runs, 0), 1);
        QCOMPARE(count(runs, 3), 7);
        QCOMPARE(historyNames(folder).count("Ann " + last), 1);
    }
    QCOMPARE(ctl(folder, {"list"}).out, QString());
}

void tst_service_races::addersAndRepresentativesKeepEveryVisit_data()
{
    QTest::addColumn<bool>("acrossMounts");
    QTest::addColumn<int>("adders");
    QTest::addColumn<int>("representatives");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("leastServed"); // sign-outs a working folder manages in that time
    QTest::newRow("local disk") << false << 4 << 8 << 45 << 40;
    QTest::newRow("two mounts of one share") << true << 6 << 14 << 60 << 1;
}

// Adders and representatives race on one folder (across two mounts: each process through one
// of them); every `list` reads a whole queue, no reported check-in is lost, none is doubled or
// in both places, and the history database stays sound. Across mounts a few changes may give up
// waiting for the lock, each retried where a desk would.
void tst_service_races::addersAndRepresentativesKeepEveryVisit()
{
    QFETCH(bool, acrossMounts);
    QFETCH(int, adders);
    QFETCH(int, representatives);
    QFETCH(int, seconds);
    QFETCH(int, leastServed);
    constexpr int perAdder = 20;
    const ShareStand stand;
    if (acrossMounts && !stand.unavailable().isEmpty())
        QSKIP(qPrintable(stand.unavailable()));
    TestFolder folder(false, acrossMounts ? stand.served() : QString());
    QVERIFY(addRepresentatives(folder, representatives));
    const auto side = [&](int process) {
        return acrossMounts ? stand.onMount(process % 2, folder.path()) : folder.path();
    };
    QMutex mutex;
    QStringList problems;
    QSet<QString> added;
    int notDone = 0;
    QAtomicInt addersLeft = adders;
    // True when `run` is a change that gave up waiting for the queue lock, which only a share
    // allows: there a change holds the lock for many round trips to the file server, and twenty
    // processes that change back to back keep it busy all the time, so a waiter that keeps
    // losing the race for it may reach its 45 s and say so, having changed nothing. "The change
    // did not happen" is never allowed: it would mean a live holder's lock was broken.
    const auto notMade = [&](const Run &run) {
        QMutexLocker lock(&mutex);
        const bool allowed = acrossMounts && run.err.contains("in use by another workstation");
        notDone += allowed ? 1 : 0;
        return allowed;
    };
    const auto problem = [&](const QString &what, const Run &run) {
        QMutexLocker lock(&mutex);
        problems << QString("%1: exit %2, %3").arg(what).arg(run.exitCode).arg(run.err.trimmed());
    };

    std::vector<std::thread> workers;
    for (int a = 0; a < adders; ++a) {
        workers.emplace_back([&, a] {
            for (int n = 0; n < perAdder; ++n) {
                const QString first = QString("A%1").arg(a), last = QString("N%1").arg(n);
                const Run run = quorvelctl(side(a), {"add", first, last, "Taxes"});
                if (run.exitCode == 0) {
                    QMutexLocker lock(&mutex);
                    added.insert(first + ' ' + last);
                } else if (!notMade(run)) {
                    problem("add", run);
                }
                QThread::msleep(40);
            }
            addersLeft.fetchAndAddOrdered(-1);
        });
    }
    const QDeadlineTimer deadline(seconds * 1000);
    for (int user = 1; user <= representatives; ++user) {
        workers.emplace_back([&, user] {
            const QString me = QString::number(user);
            QRandomGenerator random{quint32(user)};
            while (!deadline.hasExpired()) {
                QStringList waiting;
                const Run list = quorvelctl(side(user), {"list"});
                if (list.exitCode != 0)
                    problem("list", list);
                for (const QString &line : list.out.split('\n', Qt::SkipEmptyParts))
                    if (line.section('\t', 1, 1) == "0")
                        waiting << line.section('\t', 0, 0);
                if (waiting.isEmpty()) {
                    if (addersLeft.loadAcquire() == 0)
                        return;
                    QThread::msleep(30);
                    continue;
                }
                const QString id = waiting.at(random.bounded(int(waiting.size())));
                const Run take = quorvelctl(side(user), {"take", id, "--user", me});
                if (take.exitCode == 3)
                    continue; // another representative was quicker
                if (take.exitCode != 0) {
                    if (!notMade(take))
                        problem("take " + id, take);
                    continue;
                }
                // Now this customer is ours alone: returning and signing out must succeed.
                if (random.bounded(4) == 0) {
                    const Run back = quorvelctl(side(user), {"return", id, "--user", me});
                    if (back.exitCode != 0 && !notMade(back))
                        problem("return " + id, back);
                    continue;
                }
                Run done;
                do
                    done = quorvelctl(side(user + 1), {"complete", id, "--user", me});
                while (done.exitCode != 0 && notMade(done));
                if (done.exitCode != 0)
                    problem("complete " + id, done);
            }
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    qInfo("%d changes gave up waiting for the lock", notDone);
    QVERIFY(notDone * 10 <= adders * perAdder);
    const QStringList queued = queueNames(folder);
    const QSet<QString> inQueue(queued.begin(), queued.end());
    QCOMPARE(inQueue.size(), queued.size());
    const QStringList served = historyNames(folder);
    const QSet<QString> inHistory(served.begin(), served.end());
    QCOMPARE(inHistory.size(), served.size()); // none doubled
    QVERIFY(!inQueue.intersects(inHistory));   // none in both places
    QCOMPARE(inQueue + inHistory, added);      // none lost
    QVERIFY2(served.size() >= leastServed, qPrintable(QString::number(served.size())));
    if (!TestFolder::onServer())
        QCOMPARE(integrityCheck(folder.context.params.historyPath), QString("ok"));
}

void tst_service_races::unreadableQueueIsSaidAndKept_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: a folder in the queue file's place
    QTest::newRow("a folder") << QByteArray();
    QTest::newRow("empty") << QByteArray(" ");
    QTest::newRow("cut off") << QByteArray("<?xml version=\"1.0\"?><LOBBY><QUEUE_REC id=\"90");
}

// A queue file that cannot be read is said as such by every command, never taken for a queue
// without the customer, and left as it is.
void tst_service_races::unreadableQueueIsSaidAndKept()
{
    QFETCH(QByteArray, content);
    SKIP_ON_SERVER("The server store has no queue file.");
    TestFolder folder;
    QVERIFY(addRepresentatives(folder, 1));
    const QString queuePath = folder.context.params.queuePath;
    QVERIFY(QFile::remove(queuePath));
    if (content.isEmpty())
        QVERIFY(QDir().mkdir(queuePath));
    else
        folder.writeQueue(content.trimmed());
    for (const QStringList &args : QList<QStringList>{{"take", "90001", "--user", "1"},
                                                      {"complete", "90001", "--user", "1"},
                                                      {"remove", "90001"},
                                                      {"list"}}) {
        const Run run = ctl(folder, args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("The queue file cannot be read: "), qPrintable(run.err));
        QVERIFY2(!run.err.contains("removed"), qPrintable(run.err));
    }
    QCOMPARE(folder.readQueue(), content.trimmed());
    QCOMPARE(QFileInfo(queuePath).isDir(), content.isEmpty());
}

void tst_service_races::signOutsRacingAnArchiveKeepEveryVisit()
{
    TestFolder folder;
    QVERIFY(addRepresentatives(folder, 4));
    const SystemParameters &params = folder.context.params;
    QStringList signedOut;
    for (int round = 0; round < 3; ++round) {
        QList<QStringList> runs = {{"archive", "--to-file"}};
        for (int user = 1; user <= 4; ++user) {
            const QString last = QString("R%1U%2").arg(round).arg(user);
            const QString id = ctl(folder, {"add", "Ann", last, "Taxes"}).out.trimmed();
            QCOMPARE(ctl(folder, {"take", id, "--user", QString::number(user)}).exitCode, 0);
            runs.insert(user % 2 ? 0 : runs.size(),
                        {"complete", id, "--user", QString::number(user)});
            signedOut << "Ann " + last;
        }
        for (const Run &run : race(folder, runs))
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QThread::msleep(1100); // the next archive gets a name of its own
    }

    // On the server the current history is the server's; the archives are files on both.
    QStringList everywhere = TestFolder::onServer() ? historyNames(folder) : QStringList();
    QStringList databases =
        TestFolder::onServer() ? QStringList() : QStringList{params.historyPath};
    for (const QString &name : QDir(params.archiveFolder()).entryList(QDir::Files))
        databases << params.archiveFolder() + '/' + name;
    QCOMPARE(databases.size(), TestFolder::onServer() ? 3 : 4);
    for (const QString &path : databases) {
        QCOMPARE(integrityCheck(path), QString("ok"));
        everywhere += historyNames(path);
    }
    everywhere.sort();
    signedOut.sort();
    QCOMPARE(everywhere, signedOut); // each visit in exactly one database
    QCOMPARE(ctl(folder, {"list"}).out, QString());
}

void tst_service_races::anotherProcessChangeIsHeard()
{
    TestFolder folder;
    Store &store = folder.context.store();
    Store::ChangeMark mark;
    store.checkChanged(mark, false); // starts listening
    QSignalSpy heard(&store, &Store::changed);
    QCOMPARE(ctl(folder, {"add", "Ann", "Lee", "Taxes"}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(heard.count() > 0, 5000);
    QVERIFY(store.checkChanged(mark, false));
}

void tst_service_races::serverRestartLosesNoCheckIn()
{
    if (!TestFolder::onServer())
        QSKIP("only the server store has a server to restart");
    constexpr int processes = 4;
    constexpr int perProcess = 25;
    TestFolder folder;
    // A receptionist whose check-in failed tries again, as the failure box asks.
    const QString script = QStringLiteral(
        "for i in $(seq 1 %1); do until \"$0\" --folder \"$1\" add \"P$2\" \"C$i\" Taxes "
        ">/dev/null 2>&1; do sleep 0.2; done; done");
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int p = 0; p < processes; ++p) {
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->start("sh", {"-c", script.arg(perProcess), builtProgram("quorvelctl"),
                                  folder.path(), QString::number(p)});
    }
    QThread::msleep(300);
    const QString cluster = QFileInfo(qEnvironmentVariable("QUORVEL_TEST_SERVER")).path();
    QCOMPARE(QProcess::execute(qEnvironmentVariable("QUORVEL_PG_CLUSTER"), {"restart", cluster}),
             0);
    for (auto &run : runs) {
        QVERIFY(run->waitForFinished(120000));
        QCOMPARE(run->exitCode(), 0);
    }
    const QStringList queued = queueNames(folder);
    QCOMPARE(QSet<QString>(queued.begin(), queued.end()).size(), processes * perProcess);
    QCOMPARE(queued.size(), processes * perProcess);
}

QTEST_GUILESS_MAIN(tst_service_races)
#include "tst_service_races.moc"
