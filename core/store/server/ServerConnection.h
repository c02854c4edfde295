#pragma once

#include "Failure.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>

/// Our failure number for what the server refused or could not do; the box's text carries the
/// server's own words.
namespace FailureNumber {
constexpr int ServerCall = 3146;
}

/// One QtSql `QPSQL` connection to the office's server, named by a libpq connection string or
/// URI. Passwords and TLS stay libpq's: `.pgpass`, `PGPASSFILE`, `pg_service.conf`, `sslmode=`.
class ServerConnection
{
public:
    explicit ServerConnection(const QString &connection);
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    /// The libpq key=value options a connection string or URI stands for.
    static QString connectOptions(const QString &connection);

    bool open(Failure &failure);
    bool isOpen() const;
    void close();
    /// True when the server answers now; a dropped connection is closed.
    bool alive();

    QSqlDatabase &database() { return m_db; }

    /// Runs `statement` with `values` bound in order; false with `failure` set when it fails.
    bool exec(QSqlQuery &query, const QString &statement, const QVariantList &values,
              Failure &failure);
    /// Runs `work` in one transaction and commits it; anything that fails rolls it all back.
    bool transaction(const std::function<bool(Failure &)> &work, Failure &failure);

    static Failure failureOf(const QSqlError &error);

private:
    QString m_name;
    QString m_options;
    QSqlDatabase m_db;
};
