// How long a desk waits while long reads run on the same folder: check-ins, takes and sign-outs
// timed one after another while `quorvelctl export` reads a large history, and again while an
// archive waits behind that export.
#include "BenchFolder.h"
#include "BenchHistory.h"
#include "Store.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
struct Waits
{
    std::vector<double> add, take, signOut;
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

void print(const char *scenario, double readSeconds, const Waits &waits)
{
    const auto row = [&](const char *operation, const std::vector<double> &ms) {
        std::printf("| %s | %.1f | %s | %zu | %.1f | %.1f | %.1f |\n", scenario, readSeconds,
                    operation, ms.size(), percentile(ms, 0.5), percentile(ms, 0.99),
                    ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
    };
    row("check-in", waits.add);
    row("take", waits.take);
    row("sign-out", waits.signOut);
}

/// Runs desk changes, each a visit of its own, until every one of `readers` has finished.
Waits deskWhile(CoreContext &context, const std::vector<QProcess *> &readers)
{
    Waits waits;
    clsQuorvel desk(context), mine(context);
    QElapsedTimer timer;
    const auto timed = [&](std::vector<double> &into, auto &&change) {
        timer.start();
        change();
        into.push_back(double(timer.nsecsElapsed()) / 1e6);
    };
    for (int visit = 0; std::any_of(readers.begin(), readers.end(),
                                    [](QProcess *reader) { return !reader->waitForFinished(0); });
         ++visit) {
        int id = 0;
        timed(waits.add, [&] {
            id = desk.addCustomerToQueue("Ann", QStringLiteral("Lee %1").arg(visit), "Taxes");
        });
        timed(waits.take, [&] { context.store().takeCustomer(id, {}, 5, mine, {}); });
        timed(waits.signOut, [&] { context.store().signOutCustomer(mine, id); });
        // A busy office, not a flood: back to back, sign-outs alone would starve the reads.
        QThread::msleep(100);
    }
    return waits;
}

QStringList exportArguments(const QString &folder)
{
    return {QStringLiteral("--folder"),
            folder,
            QStringLiteral("export"),
            QStringLiteral("--from"),
            "01/01/2026",
            QStringLiteral("--to"),
            "12/31/2026",
            "--out",
            folder + QStringLiteral("/year.csv")};
}
/// How a long read ended: its exit code and what it said, so a failure beside the desks is
/// recorded with its reason.
void printEnd(const char *what, QProcess &process)
{
    std::printf("%s: exit %d; stdout: %s; stderr: %s\n", what, process.exitCode(),
                process.readAllStandardOutput().trimmed().constData(),
                process.readAllStandardError().trimmed().constData());
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 2400000;
    const QString quorvelctl =
        QCoreApplication::applicationDirPath() + QStringLiteral("/quorvelctl");
    BenchFolder folder;
    if (!folder.isValid() ||
        !fillHistory(folder.context.params.historyPath, rows, FillOrder::ByDay)) {
        std::fprintf(stderr, "could not fill the history\n");
        return 1;
    }
    std::printf("%d history rows\n\n| while | read s | change | count | median ms | p99 ms | "
                "longest ms |\n|---|---:|---|---:|---:|---:|---:|\n",
                rows);

    QElapsedTimer read;
    QProcess exporting;
    read.start();
    exporting.start(quorvelctl, exportArguments(folder.dir()));
    exporting.waitForStarted();
    const Waits duringExport = deskWhile(folder.context, {&exporting});
    print("export", double(read.elapsed()) / 1000, duringExport);
    printEnd("\nexport", exporting);

    QProcess exportingAgain, archiving;
    read.start();
    exportingAgain.start(quorvelctl, exportArguments(folder.dir()));
    exportingAgain.waitForStarted();
    archiving.start(quorvelctl, {QStringLiteral("--folder"), folder.dir(), "archive"});
    archiving.waitForStarted();
    const Waits duringArchive = deskWhile(folder.context, {&exportingAgain, &archiving});
    print("export, archive behind it", double(read.elapsed()) / 1000, duringArchive);
    printEnd("\nexport beside the archive", exportingAgain);
    printEnd("archive", archiving);
    return 0;
}
