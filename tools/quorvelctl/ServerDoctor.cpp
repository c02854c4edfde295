#include "ServerDoctor.h"

#include "ServerConnection.h"
#include "ServerSchema.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlDriver>
#include <QTimer>

namespace {
using Check = FolderDoctor::Check;

const QStringList tables = {QStringLiteral("queue"),  QStringLiteral("history"),
                            QStringLiteral("users"),  QStringLiteral("services"),
                            QStringLiteral("events"), QStringLiteral("schema_version")};
// A notification slower than this would leave the other desks a poll behind.
constexpr int NotifyWaitMs = 2000;
// Check-in and service times come from each workstation's clock.
constexpr qint64 ClockToleranceMs = 2000;

/// The first column of the one row `statement` returns; an invalid value on failure.
QVariant single(ServerConnection &server, const QString &statement, const QVariantList &values,
                Failure &failure)
{
    QSqlQuery query;
    if (!server.exec(query, statement, values, failure))
        return {};
    return query.next() ? query.value(0) : QVariant();
}

Check schema(ServerConnection &server)
{
    const QString subject = QStringLiteral("server schema");
    QString error;
    const int installed = ServerSchema::installedVersion(server, error);
    const int current = ServerSchema::currentVersion();
    if (installed == current)
        return {subject, {}, QStringLiteral("version %1").arg(installed)};
    if (installed < 0)
        return {subject, error.isEmpty() ? QStringLiteral("the database holds tables that are "
                                                          "not Quorvel's")
                                         : error};
    if (installed == 0)
        return {subject, QStringLiteral("the database is empty: run quorvelctl init --server")};
    return {subject, installed < current
                         ? QStringLiteral("version %1, this program needs %2: run quorvelctl "
                                          "init --server to upgrade it")
                               .arg(installed)
                               .arg(current)
                         : QStringLiteral("version %1 is newer than this program (version %2)")
                               .arg(installed)
                               .arg(current)};
}

Check privileges(ServerConnection &server)
{
    const QString subject = QStringLiteral("server privileges");
    Failure failure;
    QStringList missing;
    for (const QString &table : tables) {
        // A list of privileges asks whether any is held, so each is asked alone.
        const QVariant granted =
            single(server,
                   QStringLiteral("SELECT has_table_privilege(to_regclass(?), 'SELECT') AND "
                                  "has_table_privilege(to_regclass(?), 'INSERT') AND "
                                  "has_table_privilege(to_regclass(?), 'UPDATE') AND "
                                  "has_table_privilege(to_regclass(?), 'DELETE')"),
                   QVariantList(4, table), failure);
        if (failure.number != 0)
            return {subject, failure.description};
        if (!granted.toBool())
            missing << table;
    }
    const QVariant sequence =
        single(server, QStringLiteral("SELECT has_sequence_privilege('change_count', 'USAGE')"), {},
               failure);
    if (failure.number != 0)
        return {subject, failure.description};
    if (!sequence.toBool())
        missing << QStringLiteral("change_count (USAGE)");
    if (!missing.isEmpty())
        return {subject, QStringLiteral("this role lacks SELECT, INSERT, UPDATE or DELETE on: ") +
                             missing.join(QStringLiteral(", "))};
    // More than the programs need is a risk, not a fault: a mistake at a desk could drop tables.
    const QVariant more = single(
        server,
        QStringLiteral("SELECT rolsuper OR EXISTS (SELECT 1 FROM pg_tables WHERE schemaname = "
                       "current_schema() AND tableowner = current_user) FROM pg_roles WHERE "
                       "rolname = current_user"),
        {}, failure);
    if (failure.number != 0)
        return {subject, failure.description};
    if (more.toBool())
        return {subject,
                QStringLiteral("this role owns the tables or is a superuser; the programs need "
                               "only SELECT, INSERT, UPDATE and DELETE on them"),
                {},
                true};
    return {subject, {}, QStringLiteral("SELECT, INSERT, UPDATE, DELETE")};
}

Check notifications(ServerConnection &listener, const QString &connection)
{
    const QString subject = QStringLiteral("server notifications");
    const QString channel = QStringLiteral("quorvel_doctor");
    QSqlDriver *driver = listener.database().driver();
    if (!driver->subscribeToNotification(channel))
        return {subject, QStringLiteral("the server refused to LISTEN")};
    QEventLoop loop;
    QElapsedTimer elapsed;
    qint64 heardAfter = -1;
    QObject::connect(driver, &QSqlDriver::notification, &loop, [&](const QString &name) {
        if (name != channel)
            return;
        heardAfter = elapsed.elapsed();
        loop.quit();
    });
    QTimer::singleShot(NotifyWaitMs, &loop, &QEventLoop::quit);
    ServerConnection sender(connection);
    Failure failure;
    QSqlQuery query;
    elapsed.start();
    if (!sender.open(failure) ||
        !sender.exec(query, QStringLiteral("SELECT pg_notify(?, '')"), {channel}, failure))
        return {subject, failure.description};
    loop.exec();
    driver->unsubscribeFromNotification(channel);
    if (heardAfter < 0)
        return {subject, QStringLiteral("a notification sent from a second connection did not "
                                        "arrive within %1 s; the programs will see changes "
                                        "only at their slow poll")
                             .arg(NotifyWaitMs / 1000)};
    return {subject, {}, QStringLiteral("heard after %1 ms").arg(heardAfter)};
}

Check clock(ServerConnection &server)
{
    const QString subject = QStringLiteral("server clock");
    QElapsedTimer roundTrip;
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    roundTrip.start();
    Failure failure;
    const QVariant serverMs = single(
        server, QStringLiteral("SELECT (extract(epoch FROM clock_timestamp()) * 1000)::bigint"), {},
        failure);
    if (failure.number != 0)
        return {subject, failure.description};
    // The server read its clock somewhere in the round trip: half way is the best guess.
    const qint64 here = before + roundTrip.elapsed() / 2;
    const qint64 difference = serverMs.toLongLong() - here;
    const QString text =
        QStringLiteral("the server's clock is %1 s %2 this workstation's")
            .arg(double(qAbs(difference)) / 1000.0, 0, 'f', 1)
            .arg(difference > 0 ? QStringLiteral("ahead of") : QStringLiteral("behind"));
    if (qAbs(difference) > ClockToleranceMs)
        return {subject,
                text + QStringLiteral("; times in the queue come from each "
                                      "workstation's clock: set both right"),
                {},
                true};
    return {subject, {}, text};
}
} // namespace

namespace ServerDoctor {

QList<Check> checks(const QString &connection)
{
    ServerConnection server(connection);
    Failure failure;
    if (!server.open(failure))
        return {{QStringLiteral("server reachable"), failure.description.simplified()}};
    QList<Check> found;
    Failure versionFailure;
    found.append(
        {QStringLiteral("server reachable"),
         {},
         QStringLiteral("PostgreSQL ") +
             single(server, QStringLiteral("SHOW server_version"), {}, versionFailure).toString()});
    found.append(schema(server));
    found.append(privileges(server));
    found.append(notifications(server, connection));
    found.append(clock(server));
    return found;
}

} // namespace ServerDoctor
