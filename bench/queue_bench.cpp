// Times the queue operations on queues of 10, 100 and 1000 records against the floor of reading
// the same file and rewriting its bytes once through a synced atomic replace. Floor and operation
// are timed in turn, call by call (floor, operation, floor), so that a disk that slows down for a
// while slows both alike; each call's ratio is its time over the mean of the floors beside it.
#include "BenchFolder.h"
#include "Store.h"
#include "TextForms.h"
#include "VisitKey.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Figures
{
    double floorMicros = 0;
    double operationMicros = 0;
    double ratio = 0;
};

/// One operation: an untimed `prepare`, the timed `body`, an untimed `cleanup` that keeps the
/// queue at its size.
struct Operation
{
    const char *name;
    std::function<void()> prepare;
    std::function<void()> body;
    std::function<void()> cleanup;
};

qint64 nanos(const std::function<void()> &body)
{
    QElapsedTimer timer;
    timer.start();
    body();
    return timer.nsecsElapsed();
}

Figures measure(int rounds, const std::function<void()> &floor, const Operation &operation)
{
    std::vector<double> floors, operations, ratios;
    for (int i = 0; i < rounds; ++i) {
        operation.prepare();
        const double before = double(nanos(floor));
        const double took = double(nanos(operation.body));
        const double after = double(nanos(floor));
        operation.cleanup();
        floors.push_back(before);
        floors.push_back(after);
        operations.push_back(took);
        ratios.push_back(took / ((before + after) / 2));
    }
    return {median(floors) / 1000, median(operations) / 1000, median(ratios)};
}

QByteArray queueOf(int records)
{
    QByteArray xml = "<?xml version=\"1.0\"?><LOBBY>";
    for (int i = 0; i < records; ++i) {
        const QTime in = QTime(8, 0).addSecs(i * 20);
        xml += QStringLiteral("<QUEUE_REC id=\"%1\"><FIRST_NAME value=\"First%2\"/>"
                              "<LAST_NAME value=\"Last%2\"/><LOBBY_STATUS value=\"%3\"/>"
                              "<SERVICE value=\"Taxes\"/><USER_ID value=\"%4\"/>"
                              "<TIME_IN value=\"%5\"/><DATE_IN value=\"12/6/2026\"/>"
                              "<TIME_SEEN value=\"\"/><VISIT_KEY value=\"%6\"/></QUEUE_REC>")
                   .arg(86400 + in.msecsSinceStartOfDay() / 1000)
                   .arg(i)
                   .arg(i % 5 == 0 ? 1 : 0)
                   .arg(i % 5 == 0 ? QStringLiteral("3") : QString())
                   .arg(TextForms::queueTime(in))
                   .arg(VisitKey::make())
                   .toUtf8();
    }
    return xml + "</LOBBY>";
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Fewer rounds where every call is a round trip (a share): `queue_bench 30`.
    const int givenRounds = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 0;
    const char *const names[] = {"add", "update", "take", "remove", "signout", "list"};
    std::printf("| records | floor us | add | update | take | remove | signout | list |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    double watchDogMicros = 0;
    QByteArray machineLine = "ratio@100";
    for (int records : {10, 100, 1000}) {
        BenchFolder folder;
        if (!folder.isValid())
            return 1;
        CoreContext &context = folder.context;
        const QString path = context.params.queuePath;
        {
            QFile file(path);
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(queueOf(records));
        }
        const int rounds = givenRounds > 0 ? givenRounds : records >= 1000 ? 60 : 300;
        const auto nothing = [] {};
        const auto floor = [&] {
            QFile in(path);
            in.open(QIODevice::ReadOnly);
            const QByteArray bytes = in.readAll();
            QSaveFile out(path);
            out.open(QIODevice::WriteOnly);
            out.write(bytes);
            out.commit();
        };

        clsQuorvel desk(context);
        QueueListing listing;
        desk.loadQueue(listing, true);
        const int middle = listing.waiting.at(listing.waiting.size() / 2).id;
        desk.loadLobbyEntry(middle);
        desk.visitKey.clear(); // the desk adds and removes other customers too

        int added = 0;
        int visits = 0;
        clsQuorvel mine(context);
        // A customer of its own each time, so every sign-out writes its history row.
        const auto checkIn = [&] {
            added = desk.addCustomerToQueue("Ann", QStringLiteral("Lee %1").arg(++visits), "Taxes");
        };
        const auto removeAdded = [&] { desk.removeCustomerFromLobby(added); };
        const auto checkInAndTake = [&] {
            checkIn();
            context.store().takeCustomer(added, {}, 5, mine, {});
        };
        const Operation operations[] = {
            {"add", nothing, checkIn, removeAdded},
            {"update", nothing, [&] { desk.updateLobbyEntry(middle); }, nothing},
            {"take", checkIn, [&] { context.store().takeCustomer(added, {}, 5, mine, {}); },
             removeAdded},
            {"remove", checkIn, removeAdded, nothing},
            {"signout", checkInAndTake, [&] { context.store().signOutCustomer(mine, added); },
             nothing},
            {"list", nothing, [&] { desk.loadQueue(listing, true); }, nothing},
        };
        std::vector<Figures> figures;
        for (const Operation &operation : operations)
            figures.push_back(measure(rounds, floor, operation));

        std::printf("| %d | %.0f |", records, median([&] {
                        std::vector<double> floors;
                        for (const Figures &f : figures)
                            floors.push_back(f.floorMicros);
                        return floors;
                    }()));
        for (const Figures &f : figures)
            std::printf(" %.2fx |", f.ratio);
        std::printf("\n");
        if (records == 100)
            for (std::size_t i = 0; i < figures.size(); ++i)
                machineLine +=
                    QByteArray(" ") + names[i] + '=' + QByteArray::number(figures[i].ratio, 'f', 2);

        clsQuorvel watcher(context);
        const QString signal = context.params.watchDogPath();
        watcher.CheckWatchDog(signal);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 20000; ++i)
            watcher.CheckWatchDog(signal);
        watchDogMicros = double(timer.nsecsElapsed()) / 20000 / 1000;
    }
    std::printf("\nCheckWatchDog: %.2f us per check\n%s\n", watchDogMicros,
                machineLine.constData());
    return 0;
}
