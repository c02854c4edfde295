// Times the statistics of a year of 1,000,000 visits, grouped by hour, service and
// representative (the read and the figures, as quorvelctl report runs them), beside a small C
// program that computes the same figures through SQLite's C API, and checks that both agree.
#include "BenchFolder.h"
#include "BenchHistory.h"
#include "BenchTiming.h"
#include "HistoryVisits.h"
#include "StatisticsTable.h"
#include "TextForms.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace {
constexpr int Rows = 1000000;
constexpr double MaxLimit = 10;

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("?");
}

/// The figures as CSV lines without the header, sorted, for comparing.
QStringList lines(const QByteArray &csv)
{
    QStringList all;
    for (const QString &line : QString::fromUtf8(csv).split(QStringLiteral("\n")))
        if (!line.trimmed().isEmpty())
            all.append(line.trimmed());
    all.sort();
    return all;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchFolder folder;
    const QString historyPath = folder.context.params.historyPath;
    if (!folder.isValid() || !fillHistory(historyPath, Rows, FillOrder::ByDay)) {
        std::fprintf(stderr, "could not fill the history\n");
        return 1;
    }
    ExportSelection year;
    year.from = FirstDay;
    year.to = FirstDay.addDays(Days - 1);
    const QString reference = QCoreApplication::applicationDirPath() + "/statistics_reference";

    std::printf("load before: %s\n\n", loadAverage().constData());
    std::printf("| grouping | report ms | read ms | C program ms | ratio | report CPU ms | "
                "C CPU ms | CPU ratio | same figures |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---|\n");
    for (const Grouping grouping : {Grouping::Hour, Grouping::Service, Grouping::Representative}) {
        StatisticsReport report;
        double readMs = 1e12;
        const Timing ours = bestOf([&] {
            VisitHistory history;
            Failure failure;
            QElapsedTimer timer;
            timer.start();
            if (HistoryVisits::read(historyPath, year, history, failure) !=
                HistoryVisits::Outcome::Read)
                return false;
            readMs = std::min(readMs, double(timer.nsecsElapsed()) / 1e6);
            report = HistoryStatistics::compute(history, grouping, MaxLimit, {});
            return report.total.visits == Rows;
        });
        QByteArray referenceOut;
        const Timing theirs = bestOf([&] {
            QProcess program;
            program.start(reference, {historyPath, HistoryStatistics::groupingName(grouping),
                                      TextForms::dbDate(year.from), TextForms::dbDate(year.to),
                                      QString::number(MaxLimit)});
            const bool done = program.waitForFinished(600000) && program.exitCode() == 0;
            referenceOut = program.readAllStandardOutput();
            return done;
        });
        if (ours.wallMs < 0 || theirs.wallMs < 0) {
            std::fprintf(stderr, "a report failed\n");
            return 1;
        }
        const bool same =
            lines(StatisticsTable::csv({}, StatisticsTable::rows(report))) == lines(referenceOut);
        std::printf("| %s | %.0f | %.0f | %.0f | %.2fx | %.0f | %.0f | %.2fx | %s |\n",
                    qPrintable(HistoryStatistics::groupingName(grouping)), ours.wallMs, readMs,
                    theirs.wallMs, ours.wallMs / theirs.wallMs, ours.processorMs,
                    theirs.processorMs, ours.processorMs / theirs.processorMs, same ? "yes" : "NO");
        std::fflush(stdout);
    }
    std::printf("\nload after: %s\n", loadAverage().constData());
    return 0;
}
