// Times, on a history of 100,000 visits over a year: the list of one day, the insert of one
// history row (a connection of its own, as every operation opens one), and a whole sign-out
// (lock, verify, history row, queue rewrite, change signal).
#include "BenchFolder.h"
#include "BenchHistory.h"
#include "Database.h"
#include "HistoryList.h"
#include "Store.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr int VisitCount = 100000;

struct Figures
{
    double median = 0;
    double p95 = 0;
};

/// Milliseconds per call of `body`, over `rounds` calls (each after an untimed `prepare`).
Figures timed(int rounds, const std::function<void(int)> &prepare,
              const std::function<void(int)> &body)
{
    QList<double> samples;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        prepare(i);
        timer.start();
        body(i);
        samples.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(samples.begin(), samples.end());
    return {samples.at(rounds / 2), samples.at(rounds * 95 / 100)};
}

void print(const char *what, const Figures &figures)
{
    std::printf("| %s | %.2f | %.2f |\n", what, figures.median, figures.p95);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchFolder folder;
    if (!folder.isValid())
        return 1;
    CoreContext &context = folder.context;
    const QString historyPath = context.params.historyPath;
    if (!fillHistory(historyPath, VisitCount)) {
        std::fprintf(stderr, "could not fill the history\n");
        return 1;
    }

    std::printf("%d history rows over %d days (%d a day), %d representatives\n\n", VisitCount, Days,
                VisitCount / Days, Representatives);
    std::printf("| operation | median ms | p95 ms |\n|---|---:|---:|\n");
    const auto nothing = [](int) {};
    std::size_t listed = 0;
    const auto dayOf = [](int i) { return FirstDay.addDays(i * 7 % Days); };
    const auto everyonesDay = [&](int i) {
        Failure failure;
        listed += historyOfDay(historyPath, dayOf(i), 0, failure).size();
    };
    const auto oneRepresentativesDay = [&](int i) {
        Failure failure;
        listed += historyOfDay(historyPath, dayOf(i), 1 + i % Representatives, failure).size();
    };
    print("history of one day, all representatives", timed(200, nothing, everyonesDay));
    print("history of one day, one representative", timed(200, nothing, oneRepresentativesDay));

    const auto insertRow = [&](int i) {
        Database db(historyPath);
        if (!db.open() || !db.exec(insertStatement, visit(VisitCount + i)))
            std::fprintf(stderr, "insert failed: %s\n", qPrintable(db.failure().description));
    };
    const Figures insert = timed(300, nothing, insertRow);
    print("insert of one history row", insert);

    // Ten customers wait; each sign-out comes after an untimed check-in and take, of a customer
    // of its own: every sign-out writes its row.
    clsQuorvel desk(context);
    for (int i = 0; i < 10; ++i)
        desk.addCustomerToQueue(QStringLiteral("Waiting"), QString::number(i),
                                QStringLiteral("Taxes"));
    int id = 0;
    clsQuorvel mine(context);
    const auto checkInAndTake = [&](int i) {
        id = desk.addCustomerToQueue("Ann", QStringLiteral("Lee %1").arg(i), "Taxes");
        context.store().takeCustomer(id, {}, 5, mine, {});
    };
    const auto signOut = [&](int) {
        if (!context.store().signOutCustomer(mine, id).done())
            std::fprintf(stderr, "sign-out failed\n");
    };
    print("sign-out (signOutCustomer)", timed(200, checkInAndTake, signOut));

    std::printf("\nhistory inserts: %.0f a second (median)\n", 1000.0 / insert.median);
    std::printf("rows listed per day list: %.0f on average\n", double(listed) / 400);
    return 0;
}
