#include "ServerConnection.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>

namespace {
QString quoted(const QString &value)
{
    QString text = value;
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}
} // namespace

QString ServerConnection::connectOptions(const QString &connection)
{
    const QString text = connection.trimmed();
    if (!text.startsWith(QLatin1String("postgresql://")) &&
        !text.startsWith(QLatin1String("postgres://")))
        return text;
    // QtSql hands libpq key=value options only, so a URI is spelt out.
    const QUrl url(text);
    QStringList options;
    const auto add = [&options](const char *key, const QString &value) {
        if (!value.isEmpty())
            options << QLatin1String(key) + QLatin1Char('=') + quoted(value);
    };
    add("host", url.host());
    if (url.port() > 0)
        add("port", QString::number(url.port()));
    add("dbname", url.path().mid(1));
    add("user", url.userName());
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        add(key.toUtf8().constData(), value);
    return options.join(QLatin1Char(' '));
}

ServerConnection::ServerConnection(const QString &connection)
    : m_options(connectOptions(connection))
{
    static QAtomicInteger<quint64> serial;
    m_name = QStringLiteral("quorvel-server-%1").arg(++serial);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    m_db.setConnectOptions(m_options);
}

ServerConnection::~ServerConnection()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool ServerConnection::open(Failure &failure)
{
    if (m_db.isOpen())
        return true;
    if (!m_db.isValid()) {
        failure = {FailureNumber::ServerCall,
                   QStringLiteral("The PostgreSQL driver (QPSQL) is not installed.")};
        return false;
    }
    if (m_db.open())
        return true;
    failure = failureOf(m_db.lastError());
    return false;
}

bool ServerConnection::isOpen() const
{
    return m_db.isOpen();
}

void ServerConnection::close()
{
    m_db.close();
}

bool ServerConnection::alive()
{
    if (!m_db.isOpen())
        return false;
    QSqlQuery query(m_db);
    if (query.exec(QStringLiteral("SELECT 1")))
        return true;
    m_db.close();
    return false;
}

Failure ServerConnection::failureOf(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return {FailureNumber::ServerCall, text};
}

bool ServerConnection::exec(QSqlQuery &query, const QString &statement, const QVariantList &values,
                            Failure &failure)
{
    query = QSqlQuery(m_db);
    // A statement without values runs as it is: PostgreSQL prepares no DDL.
    if (values.isEmpty()) {
        if (query.exec(statement))
            return true;
        failure = failureOf(query.lastError());
        return false;
    }
    if (!query.prepare(statement)) {
        failure = failureOf(query.lastError());
        return false;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        failure = failureOf(query.lastError());
        return false;
    }
    return true;
}

bool ServerConnection::transaction(const std::function<bool(Failure &)> &work, Failure &failure)
{
    if (!m_db.transaction()) {
        failure = failureOf(m_db.lastError());
        return false;
    }
    if (!work(failure)) {
        m_db.rollback();
        return false;
    }
    // Everyone else hears of the change once it is committed, never before.
    QSqlQuery query(m_db);
    if (!query.exec(
            QStringLiteral("SELECT pg_notify('quorvel_change', nextval('change_count')::text)"))) {
        failure = failureOf(query.lastError());
        m_db.rollback();
        return false;
    }
    if (!m_db.commit()) {
        failure = failureOf(m_db.lastError());
        m_db.rollback();
        return false;
    }
    return true;
}
