// Whole quorvelctl commands as a terminal runs them (a process each) on a queue of 100
// customers, against `queue_floor`, a small C program doing the same file work. Each is timed
// in turn with the other, call by call, beside a start of each; the figures are medians. "Net"
// takes away the start of a process: `quorvelctl` with no arguments for quorvelctl, `true` for
// the C program; the net ratio is the median of the rounds' own ratios. The same is given of
// the processor time (user and system) each process used, which a loaded machine disturbs far
// less than the time a process takes from start to end.
//   command_bench [ROUNDS]
#include "BenchFolder.h"
#include "Directory.h"
#include "Store.h"
#include "WatchDog.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace {
struct Spent
{
    double ms = 0;  // from start to end
    double cpu = 0; // processor time, milliseconds
};

/// The time from starting `command` to its end, its output thrown away.
Spent run(const QStringList &command)
{
    std::vector<QByteArray> words;
    for (const QString &word : command)
        words.push_back(word.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    int status = 0;
    rusage usage = {};
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0 ||
        wait4(pid, &status, 0, &usage) != pid)
        std::fprintf(stderr, "%s could not run\n", argv[0]);
    else if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && command.size() > 1))
        std::fprintf(stderr, "%s %s failed\n", argv[0], argv[2]);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    const auto milliseconds = [](timeval t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {ms, milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime)};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// A command as both sides run it; `prepare` (untimed) makes the customer it needs.
struct Command
{
    const char *name;
    std::function<void()> prepare;
    std::function<QStringList()> arguments;
};
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    const QString bin = QCoreApplication::applicationDirPath();
    const QString ctl = bin + QStringLiteral("/quorvelctl");
    const QString floorProgram = bin + QStringLiteral("/queue_floor");

    BenchFolder folder;
    CoreContext &context = folder.context;
    int user = 0;
    Failure failure;
    if (!folder.isValid() || !Directory::addUser(context.params.systemPath,
                                                 {0, QStringLiteral("Desk"), QStringLiteral("One"),
                                                  QStringLiteral("desk1"), 1},
                                                 user, failure))
        return 1;
    clsQuorvel desk(context);
    for (int i = 0; i < 100; ++i)
        desk.addCustomerToQueue(QStringLiteral("Waiting"), QString::number(i),
                                QStringLiteral("Taxes"));
    QFile original(context.params.queuePath);
    original.open(QIODevice::ReadOnly);
    const QByteArray queue = original.readAll();
    const auto restore = [&] {
        QFile file(context.params.queuePath);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(queue);
        file.close();
        updateWatchDog(context); // as after any change, so no run finds an unsignalled one
    };

    int visits = 0, id = 0;
    QString name;
    const auto checkIn = [&] {
        name = QStringLiteral("R%1").arg(++visits);
        id = desk.addCustomerToQueue(QStringLiteral("Bench"), name, QStringLiteral("Taxes"));
    };
    const auto checkInAndTake = [&] {
        checkIn();
        clsQuorvel entry(context);
        context.store().takeCustomer(id, {}, user, entry, {});
    };
    const QString dir = folder.dir();
    const Command commands[] = {
        {"add", [&] { name = QStringLiteral("R%1").arg(++visits); },
         [&] {
             return QStringList{"add", "Bench", name, "Taxes"};
         }},
        {"take", checkIn,
         [&] {
             return QStringList{"take", QString::number(id), "--user", QString::number(user)};
         }},
        {"remove", checkIn,
         [&] {
             return QStringList{"remove", QString::number(id)};
         }},
        {"complete", checkInAndTake,
         [&] {
             return QStringList{"complete", QString::number(id), "--user", QString::number(user)};
         }},
        {"list", [] {}, [] { return QStringList{"list"}; }},
    };

    // Every round times the starts beside the commands, so a machine that slows down for a
    // while slows both sides of the round's net ratio alike.
    std::printf("| command | quorvelctl ms | C ms | ratio | quorvelctl start ms | true ms | net "
                "quorvelctl ms | net C ms | net ratio | net quorvelctl CPU ms | net C CPU ms | "
                "net CPU ratio |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    QByteArray machineLine = "net", cpuLine = "net CPU";
    for (const Command &command : commands) {
        std::vector<double> mine, plain, ctlStarts, trueStarts, netMine, netPlain, netRatios;
        std::vector<double> cpuMine, cpuPlain, cpuRatios;
        for (int i = 0; i < rounds; ++i) {
            const Spent ctlStart = run({ctl});
            const Spent trueStart = run({QStringLiteral("true")});
            command.prepare();
            const Spent a = run(QStringList{ctl, "--folder", dir} + command.arguments());
            restore();
            command.prepare();
            QStringList floorArguments = command.arguments();
            floorArguments.removeAll(QStringLiteral("--user"));
            const Spent b = run(QStringList{floorProgram, dir} + floorArguments);
            restore();
            mine.push_back(a.ms);
            plain.push_back(b.ms);
            ctlStarts.push_back(ctlStart.ms);
            trueStarts.push_back(trueStart.ms);
            netMine.push_back(a.ms - ctlStart.ms);
            netPlain.push_back(b.ms - trueStart.ms);
            netRatios.push_back((a.ms - ctlStart.ms) / std::max(b.ms - trueStart.ms, 0.01));
            cpuMine.push_back(a.cpu - ctlStart.cpu);
            cpuPlain.push_back(b.cpu - trueStart.cpu);
            cpuRatios.push_back((a.cpu - ctlStart.cpu) / std::max(b.cpu - trueStart.cpu, 0.01));
        }
        const double netRatio = median(netRatios);
        const double cpuRatio = median(cpuRatios);
        std::printf(
            "| %s | %.2f | %.2f | %.2fx | %.2f | %.2f | %.2f | %.2f | %.2fx | %.2f | %.2f | "
            "%.2fx |\n",
            command.name, median(mine), median(plain), median(mine) / median(plain),
            median(ctlStarts), median(trueStarts), median(netMine), median(netPlain), netRatio,
            median(cpuMine), median(cpuPlain), cpuRatio);
        machineLine += QByteArray(" ") + command.name + '=' + QByteArray::number(netRatio, 'f', 2);
        cpuLine += QByteArray(" ") + command.name + '=' + QByteArray::number(cpuRatio, 'f', 2);
    }
    std::printf("\n%s\n%s\n", machineLine.constData(), cpuLine.constData());
    return 0;
}
