#include "TestSupport.h"

#include "Database.h"
#include "Directory.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "QueueLock.h"
#include "ServerConnection.h"
#include "StoreMigration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

void RecordingPrompter::message(const QString &text, const QString &title, Icon icon)
{
    boxes.append({text, title, icon, false});
    if (onBox)
        onBox(boxes.last());
}

bool RecordingPrompter::ask(const QString &text, const QString &title, Icon icon)
{
    boxes.append({text, title, icon, true});
    if (onBox)
        onBox(boxes.last());
    return m_answers.isEmpty() ? false : m_answers.dequeue();
}

QStringList RecordingPrompter::titles() const
{
    QStringList result;
    for (const Box &box : boxes)
        result << box.title;
    return result;
}

QStringList RecordingPrompter::texts() const
{
    QStringList result;
    for (const Box &box : boxes)
        result << box.text;
    return result;
}

namespace {
/// What a statement's result is handed to, when the caller reads it.
using ResultReader = std::function<void(QSqlQuery &)>;

/// Runs `statement` once for each of `rows` in one transaction of the SQLite file `path`.
bool runAll(const QString &path, const QString &statement, const QList<QVariantList> &rows,
            Failure &failure, const ResultReader &read = {})
{
    Database db(path);
    bool done = db.open() && db.exec(QStringLiteral("BEGIN"));
    for (const QVariantList &values : rows) {
        QSqlQuery query;
        done = done && db.exec(query, statement, values);
        if (done && read)
            read(query);
    }
    done = done && db.exec(QStringLiteral("COMMIT"));
    if (!done)
        failure = db.failure();
    return done;
}

const QString historyInsert = QStringLiteral(
    "INSERT INTO history (firstName, lastName, serviceRequested, lobbyDateIn, lobbyTimeIn, "
    "timeServiced, timeOut, servicedBy, serviceTime) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");

/// The values of `historyInsert` for each row; a null time or date is stored as NULL.
QList<QVariantList> historyValues(const HistoryRows &rows)
{
    const auto number = [](std::optional<int> value) {
        return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Int));
    };
    QList<QVariantList> values;
    for (const HistoryRow &row : rows)
        values << QVariantList{row.firstName,
                               row.lastName,
                               row.serviceRequested,
                               dbValue(row.lobbyDateIn),
                               dbValue(row.lobbyTimeIn),
                               dbValue(row.timeServiced),
                               dbValue(row.timeOut),
                               number(row.servicedBy),
                               number(row.serviceTime)};
    return values;
}
} // namespace

TestFolder::TestFolder(bool demo, const QString &parent)
    : context(prompter, clock, programEnd),
      m_dir((parent.isEmpty() ? QDir::tempPath() : parent) + QStringLiteral("/quorvel-XXXXXX"))
{
    QString error;
    m_valid = m_dir.isValid() && ProgramFolder::create(m_dir.path(), error) &&
              (!demo || ProgramFolder::addDemoData(m_dir.path(), clock.now(), error));
    if (!m_valid)
        qWarning("TestFolder: %s", qPrintable(error));
    const QString server = testServer();
    if (m_valid && !server.isEmpty())
        m_valid = useServerSchema(server);
    loadSystemParameters(m_dir.path(), context.params);
    formFilePaths(context.params);
}

TestFolder::~TestFolder()
{
    if (!m_schema.isEmpty())
        runOnServer(testServer(), {QStringLiteral("SET client_min_messages TO warning"),
                                   QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema)});
}

QString TestFolder::testServer()
{
    const QString file = qEnvironmentVariable("QUORVEL_TEST_SERVER");
    QFile connection(file);
    return !file.isEmpty() && connection.open(QIODevice::ReadOnly)
               ? QString::fromUtf8(connection.readAll()).trimmed()
               : QString();
}

bool TestFolder::useServerSchema(const QString &server)
{
    // A schema of its own, so tests that run at once never meet.
    static int serial = 0;
    const QString schema =
        QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    if (!runOnServer(server, {QStringLiteral("CREATE SCHEMA %1").arg(schema)}))
        return false;
    m_schema = schema;
    const QString connection = server + QStringLiteral(" options='-c search_path=%1'").arg(schema);
    // The folder's own start (demo data or none) moves there, as an office's would.
    StoreMigration::Counts counts;
    QString error;
    if (!StoreMigration::toServer(m_dir.filePath(QStringLiteral("data")), connection, counts,
                                  error)) {
        qWarning("TestFolder: %s", qPrintable(error));
        return false;
    }
    return nameServer(connection);
}

bool TestFolder::useOfficeRole(const QString &privileges)
{
    const QString admin = context.params.serverConnection;
    if (admin.isEmpty())
        return true;
    static int serial = 0;
    const QString role =
        QStringLiteral("desk_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    return runOnServer(admin, {QStringLiteral("CREATE ROLE %1 LOGIN").arg(role),
                               QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(m_schema, role),
                               QStringLiteral("GRANT %1 ON ALL TABLES IN SCHEMA %2 TO %3")
                                   .arg(privileges, m_schema, role),
                               QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA %1 TO %2")
                                   .arg(m_schema, role)}) &&
           nameServer(admin + QStringLiteral(" user=") + role);
}

bool TestFolder::runOnServer(const QString &connection, const QStringList &statements)
{
    ServerConnection server(connection);
    Failure failure;
    QSqlQuery query;
    bool done = server.open(failure);
    for (const QString &statement : statements)
        done = done && server.exec(query, statement, {}, failure);
    if (!done)
        qWarning("TestFolder: %s", qPrintable(failure.description));
    return done;
}

bool TestFolder::nameServer(const QString &connection)
{
    QString error;
    if (IniFile::writeString(m_dir.filePath(QStringLiteral("vedez.ini")), QStringLiteral("server"),
                             QStringLiteral("Connection"), connection, &error))
        return true;
    qWarning("TestFolder: %s", qPrintable(error));
    return false;
}

void TestFolder::writeQueue(const QByteArray &content) const
{
    writeFile(context.params.queuePath, content);
}

QByteArray TestFolder::readQueue() const
{
    return readFile(context.params.queuePath);
}

QList<StoredQueueRecord> TestFolder::queued() const
{
    QList<StoredQueueRecord> records;
    Failure failure;
    if (!context.store().queueRecords(records, failure))
        qWarning("TestFolder: %s", qPrintable(failure.description));
    return records;
}

QStringList TestFolder::queuedNames() const
{
    QStringList names;
    for (const StoredQueueRecord &record : queued())
        names << record.texts.firstName + QLatin1Char(' ') + record.texts.lastName;
    return names;
}

bool TestFolder::execute(const QString &table, const QString &statement,
                         const QList<QVariantList> &rows) const
{
    return run(table, statement, rows, {});
}

QVariantList TestFolder::firstColumn(const QString &table, const QString &statement) const
{
    QVariantList values;
    run(table, statement, {{}}, [&values](QSqlQuery &query) {
        while (query.next())
            values.append(query.value(0));
    });
    return values;
}

bool TestFolder::run(const QString &table, const QString &statement,
                     const QList<QVariantList> &rows, const ResultReader &read) const
{
    Failure failure;
    if (const QString server = context.params.serverConnection; !server.isEmpty()) {
        ServerConnection connection(server);
        const auto runAllOnServer = [&](Failure &f) {
            for (const QVariantList &values : rows) {
                QSqlQuery query;
                if (!connection.exec(query, statement, values, f))
                    return false;
                if (read)
                    read(query);
            }
            return true;
        };
        if (connection.open(failure) && connection.transaction(runAllOnServer, failure))
            return true;
    } else if (runAll(table == QLatin1String("history") ? context.params.historyPath
                                                        : context.params.systemPath,
                      statement, rows, failure, read)) {
        return true;
    }
    qWarning("TestFolder: %s", qPrintable(failure.description));
    return false;
}

bool TestFolder::insertRow(const QString &table, const QVariantMap &row) const
{
    return execute(
        table,
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table, row.keys().join(QStringLiteral(", ")),
                 QStringList(row.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
        {row.values()});
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

QString builtProgram(const QString &name)
{
    const QByteArray dir = qgetenv("QUORVEL_BIN_DIR");
    return (dir.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(dir)) +
           QLatin1Char('/') + name;
}

ShareStand::ShareStand()
{
    if (TestFolder::onServer()) {
        m_unavailable = QStringLiteral("The server store keeps no queue on a share.");
        return;
    }
    const QString folder = qEnvironmentVariable("QUORVEL_SHARE_STAND");
    if (folder.isEmpty()) {
        m_unavailable = QStringLiteral("no share stand: run through ctest, which starts it");
        return;
    }
    const QSettings env(folder + QStringLiteral("/stand.env"), QSettings::IniFormat);
    m_unavailable = env.value(QStringLiteral("unavailable")).toString();
    m_served = env.value(QStringLiteral("served")).toString();
    m_mounts = {env.value(QStringLiteral("mountA")).toString(),
                env.value(QStringLiteral("mountB")).toString()};
    if (m_unavailable.isEmpty() && m_served.isEmpty())
        m_unavailable = QStringLiteral("the share stand did not start; see share_stand_start");
}

QString ShareStand::onMount(int side, const QString &servedPath) const
{
    return m_mounts.at(side) + servedPath.mid(m_served.size());
}

ProgramRun quorvelctl(const QString &folder, const QStringList &arguments)
{
    return runProgram(builtProgram(QStringLiteral("quorvelctl")),
                      QStringList{QStringLiteral("--folder"), folder} + arguments);
}

int runQuorvelctl(const TestFolder &folder, const QStringList &arguments)
{
    return quorvelctl(folder.path(), arguments).exitCode;
}

QString doctorVerdict(const ProgramRun &run, const QString &subject)
{
    for (const QString &line : run.out.split(QLatin1Char('\n')))
        if (line.startsWith(subject + QLatin1Char(' ')))
            return line.mid(subject.size()).trimmed();
    return {};
}

bool addRepresentatives(const TestFolder &folder, int count)
{
    for (int n = 1; n <= count; ++n) {
        const QString name = QStringLiteral("R%1").arg(n);
        int userNumber = 0;
        Failure failure;
        if (!folder.context.store().addUser({0, name, name, name, 1}, userNumber, failure) ||
            userNumber != n)
            return false;
    }
    return true;
}

QStringList historyDesks(const QString &path)
{
    Database db(path, Database::Mode::ReadOnly);
    QSqlQuery query;
    if (!db.open() || !db.exec(query, QStringLiteral("SELECT desk FROM history ORDER BY id"), {}))
        return {db.failure().description};
    QStringList desks;
    while (query.next())
        desks << (query.value(0).isNull() ? QStringLiteral("NULL") : query.value(0).toString());
    return desks;
}

QString integrityCheck(const QString &path)
{
    Database db(path, Database::Mode::ReadOnly);
    QSqlQuery check;
    return db.open() && db.exec(check, QStringLiteral("PRAGMA integrity_check"), {}) && check.next()
               ? check.value(0).toString()
               : db.failure().description;
}

bool addHistory(const QString &historyPath, const HistoryRows &rows)
{
    Failure failure;
    return runAll(historyPath, historyInsert, historyValues(rows), failure);
}

bool addHistory(const TestFolder &folder, const HistoryRows &rows)
{
    return folder.execute(QStringLiteral("history"), historyInsert, historyValues(rows));
}

bool makeFirstVersionHistory(const QString &path)
{
    QFile::remove(path);
    Database db(path, Database::Mode::Create);
    return db.open() &&
           db.exec(QStringLiteral(
               "CREATE TABLE history (id INTEGER PRIMARY KEY AUTOINCREMENT, firstName TEXT, "
               "lastName TEXT, serviceRequested TEXT, lobbyDateIn TEXT, lobbyTimeIn TEXT, "
               "timeServiced TEXT, timeOut TEXT, servicedBy INTEGER, serviceTime INTEGER)"));
}

LiveLockHolder::LiveLockHolder(const QString &queuePath)
    : m_fd(::open(QFile::encodeName(QueueLock::lockPathFor(queuePath)).constData(),
                  O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666))
{
    m_record = LockRecord::mine();
    m_record.pid = 4242;
    m_record.host = "another-desk";
    m_record.machine = "another-machine";
    m_holding = m_fd >= 0;
    beat();
    if (m_holding)
        m_beater = std::thread([this] {
            while (!m_stop.loadAcquire()) {
                QThread::msleep(20);
                beat();
            }
        });
}

LiveLockHolder::~LiveLockHolder()
{
    m_stop.storeRelease(1);
    if (m_beater.joinable())
        m_beater.join();
    if (m_fd >= 0)
        ::close(m_fd);
}

void LiveLockHolder::beat()
{
    ++m_record.beat;
    const QByteArray bytes = m_record.bytes();
    if (m_fd >= 0)
        ::pwrite(m_fd, bytes.constData(), size_t(bytes.size()), 0);
}

ProgramRun finishRun(QProcess &process)
{
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

ProgramRun runProgram(const QString &program, const QStringList &args,
                      const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    return finishRun(process);
}
