// Times the queue operations on queues of 10, 100 and 1000 records beside the floor of
// reading the same file and rewriting its bytes through an atomic replace.
#include "BenchFolder.h"
#include "TextForms.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <functional>

namespace {
/// Microseconds per call of `body`, over `rounds` calls (each after an untimed `prepare`).
double perCall(int rounds, const std::function<void()> &prepare, const std::function<void()> &body)
{
    qint64 total = 0;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        prepare();
        timer.start();
        body();
        total += timer.nsecsElapsed();
    }
    return double(total) / rounds / 1000.0;
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
                              "<TIME_SEEN value=\"\"/></QUEUE_REC>")
                   .arg(86400 + in.msecsSinceStartOfDay() / 1000)
                   .arg(i)
                   .arg(i % 5 == 0 ? 1 : 0)
                   .arg(i % 5 == 0 ? QStringLiteral("3") : QString())
                   .arg(TextForms::queueTime(in))
                   .toUtf8();
    }
    return xml + "</LOBBY>";
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("| records | floor us | add | list | update | remove |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    double watchDogMicros = 0;
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
        const int rounds = records >= 1000 ? 60 : 300;
        const auto nothing = [] {};

        const double floor = perCall(rounds, nothing, [&] {
            QFile in(path);
            in.open(QIODevice::ReadOnly);
            const QByteArray bytes = in.readAll();
            QSaveFile out(path);
            out.open(QIODevice::WriteOnly);
            out.write(bytes);
            out.commit();
        });

        clsQuorvel entry(context);
        // Each timed add is undone, untimed, before the next, so the queue keeps its size.
        int added = 0;
        const auto undoAdd = [&] {
            if (added != 0)
                entry.removeCustomerFromLobby(added);
        };
        const double add = perCall(
            rounds, undoAdd, [&] { added = entry.addCustomerToQueue("Ann", "Lee", "Taxes"); });
        undoAdd();

        QueueListing listing;
        const double list = perCall(rounds, nothing, [&] { entry.loadQueue(listing, true); });

        const int middle = listing.waiting.at(listing.waiting.size() / 2).id;
        entry.loadLobbyEntry(middle);
        const double update = perCall(rounds, nothing, [&] { entry.updateLobbyEntry(middle); });

        const double remove = perCall(
            rounds, [&] { added = entry.addCustomerToQueue("Ann", "Lee", "Taxes"); },
            [&] { entry.removeCustomerFromLobby(added); });

        std::printf("| %d | %.0f | %.2fx | %.2fx | %.2fx | %.2fx |\n", records, floor, add / floor,
                    list / floor, update / floor, remove / floor);

        clsQuorvel watcher(context);
        const QString signal = context.params.watchDogPath();
        watcher.CheckWatchDog(signal);
        watchDogMicros = perCall(20000, nothing, [&] { watcher.CheckWatchDog(signal); });
    }
    std::printf("\nCheckWatchDog: %.2f us per check\n", watchDogMicros);
    return 0;
}
