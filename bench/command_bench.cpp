// Whole quorvelctl commands as a terminal runs them (a process each) on a queue of 100
// customers, against `queue_floor`, a small C program doing the same file work. Each is timed
// in turn with the other, call by call, beside a start of each; the figures are medians. "Net"
// takes away the start of a process: `quorvelctl` with no arguments for quorvelctl, `true` for
// the C program; the net ratio is the median of the rounds' own ratios.
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
#include <sys/wait.h>

extern char **environ;

namespace {
/// Milliseconds from starting `command` to its end, its output thrown away.
double runMs(const QStringList &command)
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
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid)
        std::fprintf(stderr, "%s could not run\n", argv[0]);
    else if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && command.size() > 1))
        std::fprintf(stderr, "%s %s failed\n", argv[0], argv[2]);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    return ms;
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
                "quorvelctl ms | net C ms | net ratio |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    QByteArray machineLine = "net";
    for (const Command &command : commands) {
        std::vector<double> mine, plain, ctlStarts, trueStarts, netMine, netPlain, netRatios;
        for (int i = 0; i < rounds; ++i) {
            const double ctlStart = runMs({ctl});
            const double trueStart = runMs({QStringLiteral("true")});
            command.prepare();
            const double a = runMs(QStringList{ctl, "--folder", dir} + command.arguments());
            restore();
            command.prepare();
            QStringList floorArguments = command.arguments();
            floorArguments.removeAll(QStringLiteral("--user"));
            const double b = runMs(QStringList{floorProgram, dir} + floorArguments);
            restore();
            mine.push_back(a);
            plain.push_back(b);
            ctlStarts.push_back(ctlStart);
            trueStarts.push_back(trueStart);
            netMine.push_back(a - ctlStart);
            netPlain.push_back(b - trueStart);
            netRatios.push_back((a - ctlStart) / std::max(b - trueStart, 0.01));
        }
        const double netRatio = median(netRatios);
        std::printf("| %s | %.2f | %.2f | %.2fx | %.2f | %.2f | %.2f | %.2f | %.2fx |\n",
                    command.name, median(mine), median(plain), median(mine) / median(plain),
                    median(ctlStarts), median(trueStarts), median(netMine), median(netPlain),
                    netRatio);
        machineLine += QByteArray(" ") + command.name + '=' + QByteArray::number(netRatio, 'f', 2);
    }
    std::printf("\n%s\n", machineLine.constData());
    return 0;
}
