#include "TestSupport.h"

#include "QueueLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The stale time of the programs: a lock watched unchanged this long counts as abandoned.
constexpr int StaleMilliseconds = 30000;

} // namespace

/// Two workstations on one share, played by the two mounts of the share stand.
class tst_shares : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        if (!m_stand.unavailable().isEmpty())
            QSKIP(qPrintable(m_stand.unavailable()));
    }
    void pausedHolderChangesNothing();
    void farOffClockNeverBreaksALiveLock();
    void doctorSeesAProbeHeldOnTheOtherMount();

private:
    ShareStand m_stand;
};

// A holder stopped for longer than the stale time: the other workstation breaks its lock and
// makes its change; the holder, continued, finds the lock gone and writes nothing.
void tst_shares::pausedHolderChangesNothing()
{
    TestFolder folder(false, m_stand.served());
    const QString queueOnA = m_stand.onMount(0, folder.context.params.queuePath);
    const pid_t holder = ::fork();
    if (holder == 0) {
        QueueLock lock(queueOnA);
        Failure failure;
        if (!lock.acquire(failure))
            ::_exit(2);
        ::raise(SIGSTOP);
        const bool wrote = QueueLock::commit(queueOnA, "<LOBBY/>", failure);
        lock.release();
        ::_exit(wrote ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(::waitpid(holder, &status, WUNTRACED), holder);
    QVERIFY(WIFSTOPPED(status));

    QElapsedTimer timer;
    timer.start();
    const ProgramRun add =
        quorvelctl(m_stand.onMount(1, folder.path()), {"add", "Ann", "Lee", "Taxes"});
    QCOMPARE(add.exitCode, 0);
    QVERIFY(timer.elapsed() >= StaleMilliseconds);
    ::kill(holder, SIGCONT);
    QCOMPARE(::waitpid(holder, &status, 0), holder);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(folder.readQueue().contains("\"Ann\""));
    QVERIFY(!QFile::exists(QueueLock::lockPathFor(folder.context.params.queuePath)));
}

// A workstation whose clock is ten minutes behind waits for a lock held longer than the stale
// time, and never breaks it while its holder keeps it.
void tst_shares::farOffClockNeverBreaksALiveLock()
{
    const QString faketime = QStandardPaths::findExecutable("faketime");
    if (faketime.isEmpty())
        QSKIP("faketime is not installed (Debian package faketime)");
    TestFolder folder(false, m_stand.served());
    const QString queueOnA = m_stand.onMount(0, folder.context.params.queuePath);
    QueueLock lock(queueOnA);
    Failure failure;
    QVERIFY(lock.acquire(failure));
    QProcess late;
    late.start(faketime, QStringList{"-f", "-10m", builtProgram("quorvelctl")} +
                             QStringList{"--folder", m_stand.onMount(1, folder.path()), "add",
                                         "Bob", "Ray", "Taxes"});
    QVERIFY(late.waitForStarted());
    QTest::qWait(StaleMilliseconds + 5000);
    QCOMPARE(late.state(), QProcess::Running);
    QVERIFY2(QueueLock::commit(queueOnA, folder.readQueue(), failure),
             qPrintable(failure.description));
    lock.release();
    const ProgramRun run = finishRun(late);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(folder.readQueue().contains("\"Bob\""));
}

void tst_shares::doctorSeesAProbeHeldOnTheOtherMount()
{
    TestFolder folder(false, m_stand.served());
    QProcess hold;
    hold.start(builtProgram("quorvelctl"),
               {"--folder", m_stand.onMount(0, folder.path()), "doctor", "--hold"});
    QVERIFY(hold.waitForReadyRead(10000));
    const ProgramRun run = quorvelctl(m_stand.onMount(1, folder.path()), {"doctor"});
    hold.terminate();
    QVERIFY(hold.waitForFinished(10000));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(doctorVerdict(run, "share type").startsWith("fuse.sshfs is a FUSE share"),
             qPrintable(run.out));
    const QString across = doctorVerdict(run, "locks across desks");
    QVERIFY2(across.contains("exclusive create refused here, its changes seen here; file locks do "
                             "not reach here"),
             qPrintable(run.out));
    QVERIFY(!QFile::exists(folder.filePath("data/.doctor-probe")));
}

QTEST_GUILESS_MAIN(tst_shares)
#include "tst_shares.moc"
