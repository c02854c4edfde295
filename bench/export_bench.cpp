// Times the history export of a whole year, 100,000 and 1,000,000 rows, beside the sqlite3
// shell writing the same rows to CSV with the same query, and reports the export's memory.
#include "BenchFolder.h"
#include "BenchHistory.h"
#include "BenchTiming.h"
#include "HistoryExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace {
/// The process's peak resident memory so far, in MiB.
double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

bool shellExport(const QString &historyPath, const QString &outputPath)
{
    const QString script =
        QStringLiteral(".mode csv\n.once %1\nSELECT lobbyDateIn, firstName, lastName, "
                       "serviceRequested, servicedBy, lobbyTimeIn, timeServiced, timeOut, "
                       "serviceTime FROM history WHERE lobbyDateIn >= '2026-01-01' AND "
                       "lobbyDateIn <= '2026-12-31' ORDER BY lobbyDateIn, lobbyTimeIn, id;\n")
            .arg(outputPath);
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), historyPath});
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    return shell.waitForFinished(600000) && shell.exitCode() == 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    RepNames names;
    for (int user = 1; user <= Representatives; ++user)
        names.add(user, QStringLiteral("Rep %1 Name").arg(user));
    ExportSelection year;
    year.from = FirstDay;
    year.to = FirstDay.addDays(Days - 1);

    std::printf("| rows | export ms | sqlite3 shell ms | ratio | export CPU ms | shell CPU ms | "
                "CPU ratio | file MB | peak RSS MiB before / after |\n"
                "|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const int rows : {100000, 1000000}) {
        BenchFolder folder;
        const QString historyPath = folder.context.params.historyPath;
        if (!folder.isValid() || !fillHistory(historyPath, rows, FillOrder::ByDay)) {
            std::fprintf(stderr, "could not fill the history\n");
            return 1;
        }
        const QString exportPath = folder.context.params.programFolder + "/export/year.csv";
        const QString shellPath = folder.context.params.programFolder + "/export/shell.csv";
        qint64 written = 0;
        const double before = peakMiB();
        const Timing exported = bestOf([&] {
            HistoryExport job(historyPath, year, names);
            const bool done = job.writeTo(exportPath) == HistoryExport::Outcome::Written;
            written = job.count();
            return done;
        });
        const double peak = peakMiB();
        const Timing shell = bestOf([&] { return shellExport(historyPath, shellPath); });
        if (exported.wallMs < 0 || shell.wallMs < 0 || written != rows) {
            std::fprintf(stderr, "an export failed (%lld rows written)\n", written);
            return 1;
        }
        std::printf("| %d | %.0f | %.0f | %.2fx | %.0f | %.0f | %.2fx | %.1f | %.1f / %.1f |\n",
                    rows, exported.wallMs, shell.wallMs, exported.wallMs / shell.wallMs,
                    exported.processorMs, shell.processorMs,
                    exported.processorMs / shell.processorMs,
                    double(QFile(exportPath).size()) / 1e6, before, peak);
        std::fflush(stdout);
    }
    return 0;
}
