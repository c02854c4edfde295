#include "TestSupport.h"

#include "clsQuorvel.h"

#include <QProcess>
#include <QSet>
#include <QTest>

#include <memory>
#include <vector>

class tst_checkin_race : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eightProcessesKeepEveryCustomer();
};

void tst_checkin_race::eightProcessesKeepEveryCustomer()
{
    constexpr int processes = 8;
    constexpr int perProcess = 50;
    TestFolder folder;
    QVERIFY(folder.isValid());

    // Each process checks in its customers one quorvelctl run at a time, as a receptionist would.
    const QString ctl = builtProgram("quorvelctl");
    const QString script = QStringLiteral("for i in $(seq 1 %1); do \"$0\" --folder \"$1\" add "
                                          "\"P$2\" \"C$i\" Taxes || exit 1; done");
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int p = 0; p < processes; ++p) {
        auto run = std::make_unique<QProcess>();
        run->start("sh", {"-c", script.arg(perProcess), ctl, folder.path(), QString::number(p)});
        runs.push_back(std::move(run));
    }
    QSet<int> printedIds;
    for (auto &run : runs) {
        QVERIFY(run->waitForFinished(240000));
        QCOMPARE(run->exitCode(), 0);
        QVERIFY2(run->readAllStandardError().isEmpty(), "a check-in reported a failure");
        for (const QByteArray &line : run->readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                printedIds.insert(line.toInt());
    }
    QCOMPARE(printedIds.size(), processes * perProcess);

    QueueListing listing;
    clsQuorvel(folder.context).loadQueue(listing, false);
    QSet<int> storedIds;
    QSet<QString> names;
    for (const QueueRow &row : std::as_const(listing.waiting)) {
        storedIds.insert(row.id);
        names.insert(row.text());
    }
    QCOMPARE(storedIds, printedIds);
    QCOMPARE(names.size(), processes * perProcess);
}

QTEST_GUILESS_MAIN(tst_checkin_race)
#include "tst_checkin_race.moc"
