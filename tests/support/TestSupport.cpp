#include "TestSupport.h"

#include "Database.h"
#include "Directory.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "QueueLock.h"
#include "ServerConnection.h"
#include "ServerSchema.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

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

TestFolder::TestFolder(bool demo) : context(prompter, clock, programEnd)
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
    if (m_schema.isEmpty())
        return;
    ServerConnection connection(testServer());
    Failure failure;
    QSqlQuery query;
    if (connection.open(failure) &&
        connection.exec(query, QStringLiteral("SET client_min_messages TO warning"), {}, failure))
        connection.exec(query, QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema), {}, failure);
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
    ServerConnection admin(server);
    Failure failure;
    QSqlQuery query;
    if (!admin.open(failure) ||
        !admin.exec(query, QStringLiteral("CREATE SCHEMA %1").arg(schema), {}, failure)) {
        qWarning("TestFolder: %s", qPrintable(failure.description));
        return false;
    }
    m_schema = schema;
    const QString connection = server + QStringLiteral(" options='-c search_path=%1'").arg(schema);
    ServerConnection office(connection);
    QString report, error;
    if (!ServerSchema::install(office, report, error) ||
        !IniFile::writeString(m_dir.filePath(QStringLiteral("vedez.ini")), QStringLiteral("server"),
                              QStringLiteral("Connection"), connection, &error)) {
        qWarning("TestFolder: %s", qPrintable(error));
        return false;
    }
    return true;
}

void TestFolder::writeQueue(const QByteArray &content) const
{
    QFile file(context.params.queuePath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

QByteArray TestFolder::readQueue() const
{
    QFile file(context.params.queuePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString builtProgram(const QString &name)
{
    const QByteArray dir = qgetenv("QUORVEL_BIN_DIR");
    return (dir.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(dir)) +
           QLatin1Char('/') + name;
}

int runQuorvelctl(const TestFolder &folder, const QStringList &arguments)
{
    return runProgram(builtProgram(QStringLiteral("quorvelctl")),
                      QStringList{QStringLiteral("--folder"), folder.path()} + arguments)
        .exitCode;
}

bool addRepresentatives(const TestFolder &folder, int count)
{
    for (int n = 1; n <= count; ++n) {
        const QString name = QStringLiteral("R%1").arg(n);
        int userNumber = 0;
        Failure failure;
        if (!Directory::addUser(folder.context.params.systemPath, {0, name, name, name, 1},
                                userNumber, failure) ||
            userNumber != n)
            return false;
    }
    return true;
}

bool addHistory(const QString &historyPath, const HistoryRows &rows)
{
    Database db(historyPath);
    if (!db.open() || !db.exec(QStringLiteral("BEGIN")))
        return false;
    QSqlQuery query = db.prepare(QStringLiteral(
        "INSERT INTO history (firstName, lastName, serviceRequested, lobbyDateIn, lobbyTimeIn, "
        "timeServiced, timeOut, servicedBy, serviceTime) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const HistoryRow &row : rows) {
        for (const QVariant &value : QVariantList{
                 row.firstName, row.lastName, row.serviceRequested, dbValue(row.lobbyDateIn),
                 dbValue(row.lobbyTimeIn), dbValue(row.timeServiced), dbValue(row.timeOut),
                 row.servicedBy, row.serviceTime})
            query.addBindValue(value);
        if (!db.exec(query))
            return false;
    }
    return db.exec(QStringLiteral("COMMIT"));
}

LiveLockHolder::LiveLockHolder(const QString &queuePath)
    : m_fd(::open(QFile::encodeName(QueueLock::lockPathFor(queuePath)).constData(),
                  O_RDWR | O_CREAT | O_CLOEXEC, 0666))
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    m_holding = m_fd >= 0 && ::fcntl(m_fd, F_OFD_SETLK, &lock) == 0;
}

LiveLockHolder::~LiveLockHolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
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
