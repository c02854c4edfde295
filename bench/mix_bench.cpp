// Twenty desks at once on one folder: each process checks a customer in, takes and signs that
// customer out, over and over, for half a minute. Each run on a folder of its own:
// - the core in each process, as the programs call it, against the same with each change
//   serialised by flock first (so the queue lock is never found busy), and against
//   `queue_floor mix` processes doing the same file work under flock;
// - a quorvelctl run per change, as a terminal would, against the same runs each wrapped in
//   `flock`, which serialises them without any wait of their own for the queue lock.
// Prints the changes a second of each, their ratio, and every visit lost or doubled; `core`
// runs the first two only.
//   mix_bench [PROCESSES [SECONDS [core]]]
#include "BenchFolder.h"
#include "Database.h"
#include "Directory.h"
#include "Store.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
/// Holds flock on `path` for its lifetime; nothing when `path` is empty.
class Flock
{
public:
    explicit Flock(const QString &path)
    {
        if (path.isEmpty())
            return;
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ::flock(m_fd, LOCK_EX);
    }
    ~Flock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Flock(const Flock &) = delete;
    Flock &operator=(const Flock &) = delete;

private:
    int m_fd = -1;
};

/// One desk: the mix until `seconds` have passed, each change under flock on `lock` when it is
/// given; prints the changes made.
int work(const QString &folder, double seconds, const QString &name, const QString &lock)
{
    BenchFolder opened(folder);
    CoreContext &context = opened.context;
    const QDeadlineTimer deadline(qint64(seconds * 1000));
    long changes = 0;
    for (int round = 1; !deadline.hasExpired(); ++round) {
        clsQuorvel desk(context);
        const int id = [&] {
            const Flock held(lock);
            return desk.addCustomerToQueue(name, QStringLiteral("R%1").arg(round),
                                           QStringLiteral("Taxes"));
        }();
        Directory::User user;
        bool found = false;
        Failure failure;
        clsQuorvel entry(context);
        const auto take = [&] {
            const Flock held(lock);
            return context.store().takeCustomer(id, {}, 1, entry, {}).done();
        };
        const auto signOut = [&] {
            const Flock held(lock);
            return context.store().signOutCustomer(entry, id).done();
        };
        if (id == 0 || !context.store().userByNumber(1, user, found, failure) || !found ||
            !take() || !signOut()) {
            std::fprintf(stderr, "%s: round %d failed\n", qPrintable(name), round);
            return 1;
        }
        changes += 3;
    }
    std::printf("%ld\n", changes);
    return 0;
}

/// One desk as a terminal: a quorvelctl run per change, through `flock LOCK` when `lock` is
/// given; prints the changes made.
int workThroughCtl(const QString &folder, double seconds, const QString &name, const QString &lock)
{
    const QString ctl = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvelctl");
    const auto run = [&](const QStringList &arguments, QByteArray *out = nullptr) {
        QProcess process;
        const QStringList command =
            QStringList{ctl, QStringLiteral("--folder"), folder} + arguments;
        if (lock.isEmpty())
            process.start(command.first(), command.mid(1));
        else
            process.start(QStringLiteral("flock"), QStringList{lock} + command);
        process.waitForFinished(-1);
        if (out)
            *out = process.readAllStandardOutput().trimmed();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    };
    const QDeadlineTimer deadline(qint64(seconds * 1000));
    long changes = 0;
    for (int round = 1; !deadline.hasExpired(); ++round) {
        QByteArray id;
        if (!run({QStringLiteral("add"), name, QStringLiteral("R%1").arg(round),
                  QStringLiteral("Taxes")},
                 &id) ||
            !run({QStringLiteral("take"), QString::fromLatin1(id), QStringLiteral("--user"),
                  QStringLiteral("1")}) ||
            !run({QStringLiteral("complete"), QString::fromLatin1(id), QStringLiteral("--user"),
                  QStringLiteral("1")})) {
            std::fprintf(stderr, "%s: round %d failed\n", qPrintable(name), round);
            return 1;
        }
        changes += 3;
    }
    std::printf("%ld\n", changes);
    return 0;
}

struct Outcome
{
    double changesPerSecond = 0;
    long visits = 0;
    long lost = 0;
    long doubled = 0;
};

/// Runs `processes` workers (`program` with `arguments` and the worker's name) on `folder`.
Outcome run(const QString &folder, int processes, double seconds, const QString &program,
            const QStringList &arguments)
{
    QList<QProcess *> workers;
    QElapsedTimer timer;
    timer.start();
    for (int p = 0; p < processes; ++p) {
        auto *worker = new QProcess;
        worker->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker->start(program, arguments + QStringList{QStringLiteral("P%1").arg(p)});
        workers.append(worker);
    }
    long changes = 0;
    for (QProcess *worker : std::as_const(workers)) {
        worker->waitForFinished(int(seconds * 1000) + 120000);
        changes += worker->readAllStandardOutput().trimmed().toLong();
        delete worker;
    }
    Outcome outcome;
    outcome.changesPerSecond = double(changes) / (double(timer.nsecsElapsed()) / 1e9);
    outcome.visits = changes / 3;
    // Every round's visit ends signed out: once in history, never also in the queue.
    Database db(folder + QStringLiteral("/data/history.mdb"));
    QSqlQuery rows = db.open()
                         ? db.prepare(QStringLiteral(
                               "SELECT COUNT(*), COUNT(DISTINCT firstName || ' ' || lastName) "
                               "FROM history WHERE firstName LIKE 'P%'"))
                         : QSqlQuery();
    if (db.exec(rows) && rows.next()) {
        outcome.doubled = rows.value(0).toLongLong() - rows.value(1).toLongLong();
        outcome.lost = outcome.visits - rows.value(1).toLongLong();
    }
    return outcome;
}

bool withUser(const QString &folder)
{
    int number = 0;
    Failure failure;
    return Directory::addUser(
               folder + QStringLiteral("/data/systemData.mdb"),
               {0, QStringLiteral("Desk"), QStringLiteral("One"), QStringLiteral("desk1"), 1},
               number, failure) &&
           number == 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args.at(1) == QLatin1String("--worker"))
        return work(args.at(2), args.at(3).toDouble(), args.at(5), args.at(4));
    if (args.size() == 6 && args.at(1) == QLatin1String("--ctl-worker"))
        return workThroughCtl(args.at(2), args.at(3).toDouble(), args.at(5), args.at(4));
    const int processes = args.size() > 1 ? args.at(1).toInt() : 20;
    const double seconds = args.size() > 2 ? args.at(2).toDouble() : 30;
    const int runs = args.size() > 3 && args.at(3) == QLatin1String("core") ? 2 : 5;
    const QString floorProgram = QCoreApplication::applicationDirPath() + "/queue_floor";

    BenchFolder core, coreFlocked, floor, ctl, flocked;
    for (const BenchFolder *folder : {&core, &coreFlocked, &floor, &ctl, &flocked})
        if (!folder->isValid() || !withUser(folder->dir()))
            return 1;
    const QString secondsText = QString::number(seconds);
    const QString self = app.applicationFilePath();
    const auto runNumber = [&](int number) -> Outcome {
        switch (number) {
        case 0:
            return run(core.dir(), processes, seconds, self,
                       {QStringLiteral("--worker"), core.dir(), secondsText, QString()});
        case 1:
            return run(coreFlocked.dir(), processes, seconds, self,
                       {QStringLiteral("--worker"), coreFlocked.dir(), secondsText,
                        coreFlocked.dir() + QStringLiteral("/data/flock")});
        case 2:
            return run(floor.dir(), processes, seconds, floorProgram,
                       {floor.dir(), QStringLiteral("mix"), secondsText});
        case 3:
            return run(ctl.dir(), processes, seconds, self,
                       {QStringLiteral("--ctl-worker"), ctl.dir(), secondsText, QString()});
        default:
            return run(flocked.dir(), processes, seconds, self,
                       {QStringLiteral("--ctl-worker"), flocked.dir(), secondsText,
                        flocked.dir() + QStringLiteral("/data/flock")});
        }
    };
    Outcome outcomes[5];
    for (int i = 0; i < runs; ++i)
        outcomes[i] = runNumber(i);
    const char *labels[] = {"core in each process", "the same, each change under flock",
                            "C floor under flock", "a quorvelctl run per change",
                            "the same runs under flock"};
    std::printf("| %d processes x %.0f s | changes/s | visits | lost | doubled |\n"
                "|---|---:|---:|---:|---:|\n",
                processes, seconds);
    for (int i = 0; i < runs; ++i)
        std::printf("| %s | %.1f | %ld | %ld | %ld |\n", labels[i], outcomes[i].changesPerSecond,
                    outcomes[i].visits, outcomes[i].lost, outcomes[i].doubled);
    std::printf("\ncore/flock=%.2f", outcomes[0].changesPerSecond / outcomes[1].changesPerSecond);
    if (runs == 5)
        std::printf(" core/C=%.2f quorvelctl/flock=%.2f",
                    outcomes[0].changesPerSecond / outcomes[2].changesPerSecond,
                    outcomes[3].changesPerSecond / outcomes[4].changesPerSecond);
    std::printf("\n");
    return 0;
}
