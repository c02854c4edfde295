#include "Database.h"

#include "StorableText.h"
#include "SystemParameters.h"
#include "TextForms.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QThread>
#include <QUrl>

namespace {
int busyTimeoutMs = 10000;

QString uniqueConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("quorvel-%1").arg(counter.fetchAndAddRelaxed(1));
}

Failure failureOf(const QSqlError &error)
{
    bool ok = false;
    const int number = error.nativeErrorCode().toInt(&ok);
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.driverText();
    return {ok && number != 0 ? number : 1, text};
}

/// SQLite's answers to a file another workstation is writing right now, or a writer left
/// half-written: read-only, I/O error, malformed, not a database, cannot open (its journal).
constexpr int FirstPause = 10;

bool halfWritten(int number)
{
    const int primary = number & 0xff; // an extended code carries its primary one
    return primary == 8 || primary == 10 || primary == 11 || primary == 14 || primary == 26;
}
} // namespace

Database::Database(const QString &path, Mode mode)
    : m_path(path), m_mode(mode), m_name(uniqueConnectionName())
{
}

Database::~Database()
{
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

bool Database::open()
{
    const QFileInfo info(m_path);
    if (m_mode != Mode::Create && !info.isFile()) {
        m_failure = {FailureNumber::FileNotFound,
                     QStringLiteral("Could not find file '%1'.").arg(m_path)};
        return false;
    }
    if (m_mode == Mode::ExistingOnly) {
        m_lock.emplace(joinPath(info.absolutePath(), QStringLiteral("lobbyData.xml")));
        if (!m_lock->acquire(m_failure))
            return false;
    }
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(m_path);
    // mode=rw or mode=ro: opening never creates a missing database.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    if (m_mode != Mode::Create)
        options += QStringLiteral(";QSQLITE_OPEN_URI");
    m_db.setConnectOptions(options);
    if (m_mode != Mode::Create)
        m_db.setDatabaseName(
            QStringLiteral("file:") + QString::fromUtf8(QUrl::toPercentEncoding(m_path, "/")) +
            (m_mode == Mode::ReadOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw")));
    if (!m_db.open()) {
        m_failure = failureOf(m_db.lastError());
        return false;
    }
    return true;
}

void Database::setBusyTimeout(int milliseconds)
{
    busyTimeoutMs = milliseconds;
}

int Database::busyTimeout()
{
    return busyTimeoutMs;
}

QSqlQuery Database::prepare(const QString &statement)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    int pause = FirstPause;
    while (!query.prepare(statement)) {
        setFailureFrom(query);
        if (!waitForWholeFile(pause))
            return query;
    }
    if (pause != FirstPause)
        m_failure = {};
    return query;
}

bool Database::exec(QSqlQuery &query)
{
    // Every text reaches the database through here, cleaned as it would be stored.
    const QVariantList values = query.boundValues();
    for (qsizetype i = 0; i < values.size(); ++i)
        if (values[i].typeId() == QMetaType::QString && !values[i].isNull())
            query.bindValue(int(i), storableText(values[i].toString()));
    int pause = FirstPause;
    while (!query.exec()) {
        setFailureFrom(query);
        query.finish(); // its read lock would keep a recovery out
        if (!waitForWholeFile(pause))
            return false;
    }
    if (pause != FirstPause)
        m_failure = {};
    return true;
}

bool Database::retryRead(const Failure &failure, int &pause)
{
    m_failure = failure;
    if (pause == 0)
        pause = FirstPause;
    return waitForWholeFile(pause);
}

bool Database::waitForWholeFile(int &pause)
{
    if (m_mode != Mode::ReadOnly || !halfWritten(m_failure.number) || pause > 640)
        return false;
    if (pause == 80)
        recoverCrashedWrite();
    QThread::msleep(pause);
    pause *= 2;
    return true;
}

void Database::recoverCrashedWrite()
{
    // Reading through a connection that may write rolls back a journal its writer left.
    Database writer(m_path);
    if (writer.open())
        writer.exec(QStringLiteral("PRAGMA schema_version"));
}

bool Database::exec(const QString &statement, const QVariantList &values)
{
    QSqlQuery query;
    return exec(query, statement, values);
}

bool Database::exec(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    query = prepare(statement);
    if (m_failure.number != 0)
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return exec(query);
}

void Database::setFailureFrom(const QSqlQuery &query)
{
    m_failure = failureOf(query.lastError().isValid() ? query.lastError() : m_db.lastError());
}
