#pragma once

#include "Clock.h"
#include "CoreContext.h"
#include "HistoryList.h"
#include "LockRecord.h"
#include "ProgramEnd.h"
#include "Prompter.h"
#include "Store.h"

#include <QList>
#include <QProcess>
#include <QQueue>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <csignal>
#include <functional>
#include <thread>

#include <sys/resource.h>

class QSqlQuery;

/// A clock that stands still until the test moves it.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(const QDateTime &now = QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)))
        : m_now(now)
    {
    }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void setTime(const QTime &time) { m_now.setTime(time); }
    void advance(int seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

/// Records every box; answers questions from a script (No when the script is empty).
class RecordingPrompter final : public Prompter
{
public:
    struct Box
    {
        QString text;
        QString title;
        Icon icon;
        bool question;
    };

    void message(const QString &text, const QString &title, Icon icon) override;
    bool ask(const QString &text, const QString &title, Icon icon) override;

    /// Answers for the next questions, in order.
    void answer(bool yes) { m_answers.enqueue(yes); }
    /// Runs while a box is "open", as a modal box would let the event loop run.
    std::function<void(const Box &)> onBox;

    QList<Box> boxes;
    QStringList titles() const;
    QStringList texts() const;
    void clear() { boxes.clear(); }

private:
    QQueue<bool> m_answers;
};

/// Records that the program would have ended, instead of ending it.
class RecordingProgramEnd final : public ProgramEnd
{
public:
    void endProgram(int exitCode) override
    {
        ended = true;
        this->exitCode = exitCode;
    }
    bool ended = false;
    int exitCode = 0;
};

/// A fresh program folder laid out as quorvelctl init lays it out, with a core context on it; in
/// `parent` when given, else in the temporary folder.
class TestFolder
{
public:
    /// On the test server when QUORVEL_TEST_SERVER names its connection file, else on the folder;
    /// the folder lies in `parent` when given, else in the temporary folder.
    explicit TestFolder(bool demo = false, const QString &parent = {});
    ~TestFolder();
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;

    /// The test server's connection; empty when the tests run on the folder.
    static QString testServer();
    static bool onServer() { return !testServer().isEmpty(); }

    bool isValid() const { return m_valid; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    FakeClock clock;
    RecordingPrompter prompter;
    RecordingProgramEnd programEnd;
    CoreContext context;

    /// Writes `content` as the queue file.
    void writeQueue(const QByteArray &content) const;
    QByteArray readQueue() const;

    /// The queue's records as the store holds them, in queue order; empty when unreadable.
    QList<StoredQueueRecord> queued() const;
    /// "First Last" of every queued record, in queue order.
    QStringList queuedNames() const;
    /// Runs `statement` once for each of `rows` (its bound values), in one transaction, where
    /// the store the folder works on keeps `table` (users, services, history or events), as an
    /// older program or an administrator might; no change signal is given.
    bool execute(const QString &table, const QString &statement,
                 const QList<QVariantList> &rows = {{}}) const;
    /// The first column of every row `statement` selects where the store keeps `table`.
    QVariantList firstColumn(const QString &table, const QString &statement) const;
    /// Writes `row`, keys of the test's choosing included, into `table`.
    bool insertRow(const QString &table, const QVariantMap &row) const;

    /// On the test server, names in vedez.ini a role of the office's own holding `privileges`
    /// on its tables, as an administrator sets the desks up; nothing to do on the folder.
    bool useOfficeRole(const QString &privileges);

private:
    bool useServerSchema(const QString &server);
    /// Runs `statement` for each of `rows` in one transaction where the store keeps `table`,
    /// handing each result to `read` when given.
    bool run(const QString &table, const QString &statement, const QList<QVariantList> &rows,
             const std::function<void(QSqlQuery &)> &read) const;
    /// Runs `statements` in turn on the server at `connection`, saying why when one fails.
    static bool runOnServer(const QString &connection, const QStringList &statements);
    /// Names `connection` in vedez.ini as the office's server.
    bool nameServer(const QString &connection);

    QTemporaryDir m_dir;
    bool m_valid = false;
    QString m_schema;
};

/// Skips the test when it runs on the server store: `why` names what of the data folder it is
/// about.
#define SKIP_ON_SERVER(why)                                                                        \
    do {                                                                                           \
        if (TestFolder::onServer())                                                                \
            QSKIP(why);                                                                            \
    } while (false)

/// Adds the representatives R1 to R`count` to a folder that has none yet, so that they hold the
/// user numbers 1 to `count`.
bool addRepresentatives(const TestFolder &folder, int count);

/// Inserts `rows` into the history database at `historyPath` in one transaction (ids are
/// assigned by the database; a null time or date is stored as NULL).
bool addHistory(const QString &historyPath, const HistoryRows &rows);
/// The same into the history of the store `folder` works on.
bool addHistory(const TestFolder &folder, const HistoryRows &rows);

/// The desk of every row of the history database at `path`, "NULL" where it has none.
QStringList historyDesks(const QString &path);

/// SQLite's verdict on the database at `path`: "ok", or what is wrong with it.
QString integrityCheck(const QString &path);

/// Replaces the history database at `path` by an empty one of the first version, before any
/// column was added to its table.
bool makeFirstVersionHistory(const QString &path);

/// Holds the queue lock beside `queuePath` as a live instance on another workstation does: the
/// lock file naming it, its beat counted up while it holds, until destroyed (which leaves the
/// file, as a crash would).
class LiveLockHolder
{
public:
    explicit LiveLockHolder(const QString &queuePath);
    ~LiveLockHolder();
    LiveLockHolder(const LiveLockHolder &) = delete;
    LiveLockHolder &operator=(const LiveLockHolder &) = delete;

    bool isHolding() const { return m_holding; }

private:
    void beat();

    int m_fd = -1;
    bool m_holding = false;
    LockRecord m_record;
    QAtomicInt m_stop;
    std::thread m_beater;
};

/// The share stand the tests' fixture started: one folder served by a local sshd and mounted
/// twice through sshfs, as two workstations mount one server folder.
class ShareStand
{
public:
    ShareStand();
    /// Why there is no stand (or none for these tests: the server store keeps no queue on a
    /// share); empty when there is one.
    const QString &unavailable() const { return m_unavailable; }
    /// The served folder, on the local disk.
    const QString &served() const { return m_served; }
    /// `servedPath` (inside the served folder) as mount `side` (0 or 1) shows it.
    QString onMount(int side, const QString &servedPath) const;

private:
    QString m_unavailable;
    QString m_served;
    QStringList m_mounts;
};

/// The whole file; empty when it cannot be read.
QByteArray readFile(const QString &path);
/// Writes `content` as the whole file; false when it cannot be written.
bool writeFile(const QString &path, const QByteArray &content);

/// The path of one of our executables in the build (quorvelctl, harbrin, quorvelClient).
QString builtProgram(const QString &name);

struct ProgramRun;
/// Runs quorvelctl on the program folder at `folder` as another workstation would, to its end
/// (at most a minute).
ProgramRun quorvelctl(const QString &folder, const QStringList &arguments);
/// The same on `folder`; its exit code (-1 when it did not finish within a minute).
int runQuorvelctl(const TestFolder &folder, const QStringList &arguments);
/// The verdict quorvelctl doctor printed for `subject`; empty when there is no such line.
QString doctorVerdict(const ProgramRun &run, const QString &subject);

/// Lowers the largest file this process may write, so that writing a bigger file fails.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

/// What one run of a program printed and how it ended.
struct ProgramRun
{
    int exitCode = -1; // -1 when it crashed or did not end in time
    QString out;
    QString err;
};

/// Waits for a started `process` to end (at most a minute), killing it after that.
ProgramRun finishRun(QProcess &process);

/// Runs `program` with `args` to its end (at most a minute).
ProgramRun
runProgram(const QString &program, const QStringList &args,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
