// Times the list of one day, all representatives and one, on histories of 100,000 and
// 1,000,000 visits over a year, against the same statement through SQLite's C API (a connection
// of its own each time, every column read); call by call in turn, medians of the ratios. Then,
// on 100,000 visits, the insert of one history row and a whole sign-out (lock, verify, history
// row, queue rewrite, change signal).
#include "BenchFolder.h"
#include "BenchHistory.h"
#include "Database.h"
#include "HistoryList.h"
#include "Store.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <sqlite3.h>

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// The floor of a day's list: the same statement on a read-only connection of its own, every
/// column of every row read as SQLite holds it. Returns the rows.
qsizetype dayThroughC(const QByteArray &path, const QDate &day, int servicedBy)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *query = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_prepare_v2(db,
                       servicedBy == 0
                           ? "SELECT id, firstName, lastName, serviceRequested, lobbyDateIn, "
                             "lobbyTimeIn, timeServiced, timeOut, servicedBy, serviceTime FROM "
                             "history WHERE lobbyDateIn = ? ORDER BY lobbyTimeIn, id"
                           : "SELECT id, firstName, lastName, serviceRequested, lobbyDateIn, "
                             "lobbyTimeIn, timeServiced, timeOut, servicedBy, serviceTime FROM "
                             "history WHERE servicedBy = ? AND lobbyDateIn = ? ORDER BY "
                             "lobbyTimeIn, id",
                       -1, &query, nullptr);
    const QByteArray date = day.toString(Qt::ISODate).toUtf8();
    int at = 1;
    if (servicedBy != 0)
        sqlite3_bind_int(query, at++, servicedBy);
    sqlite3_bind_text(query, at, date.constData(), int(date.size()), SQLITE_STATIC);
    qsizetype rows = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(query) == SQLITE_ROW) {
        ++rows;
        for (int column = 0; column < 10; ++column)
            bytes += column == 0 || column >= 8
                         ? std::size_t(sqlite3_column_int(query, column))
                         : std::size_t(sqlite3_column_bytes(query, column)) +
                               (sqlite3_column_text(query, column) != nullptr);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return bytes == 0 ? 0 : rows;
}

/// The day's list against the C floor, `rounds` days in turn; prints one table row.
void compareDayLists(const QString &historyPath, int visits, int rounds)
{
    const QByteArray path = QFile::encodeName(historyPath);
    for (const bool everyone : {true, false}) {
        std::vector<double> ours, floors, ratios;
        qsizetype rows = 0;
        for (int i = 0; i < rounds; ++i) {
            const QDate day = FirstDay.addDays(i * 7 % Days);
            const int rep = everyone ? 0 : 1 + i % Representatives;
            QElapsedTimer timer;
            timer.start();
            rows += dayThroughC(path, day, rep);
            const double before = double(timer.nsecsElapsed());
            timer.start();
            Failure failure;
            historyOfDay(historyPath, day, rep, failure);
            if (failure.number != 0)
                std::fprintf(stderr, "the day's list failed\n");
            const double took = double(timer.nsecsElapsed());
            timer.start();
            dayThroughC(path, day, rep);
            const double after = double(timer.nsecsElapsed());
            ours.push_back(took / 1e6);
            floors.push_back((before + after) / 2e6);
            ratios.push_back(took / ((before + after) / 2));
        }
        std::printf("| %d | %s | %lld | %.3f | %.3f | %.2fx |\n", visits,
                    everyone ? "all representatives" : "one representative",
                    static_cast<long long>(rows / rounds), median(ours), median(floors),
                    median(ratios));
    }
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("| visits | list of one day | rows | list ms | C API ms | ratio |\n"
                "|---:|---|---:|---:|---:|---:|\n");
    {
        BenchFolder large;
        if (!large.isValid() ||
            !fillHistory(large.context.params.historyPath, 1000000, FillOrder::ByDay))
            return 1;
        compareDayLists(large.context.params.historyPath, 1000000, 200);
    }
    BenchFolder folder;
    if (!folder.isValid())
        return 1;
    CoreContext &context = folder.context;
    const QString historyPath = context.params.historyPath;
    if (!fillHistory(historyPath, VisitCount, FillOrder::ByDay)) {
        std::fprintf(stderr, "could not fill the history\n");
        return 1;
    }
    compareDayLists(historyPath, VisitCount, 200);

    std::printf("\n%d history rows over %d days (%d a day), %d representatives\n\n", VisitCount,
                Days, VisitCount / Days, Representatives);
    std::printf("| operation | median ms | p95 ms |\n|---|---:|---:|\n");
    const auto nothing = [](int) {};
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
    return 0;
}
