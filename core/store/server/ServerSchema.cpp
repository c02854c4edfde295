#include "ServerSchema.h"

#include "ServerConnection.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>

// Outside any namespace, as Qt's resource initialiser must be.
static void loadMigrations()
{
    Q_INIT_RESOURCE(migrations);
}

namespace {
const QString migrationFolder = QStringLiteral(":/quorvel/migrations");

QStringList migrationFiles()
{
    loadMigrations();
    return QDir(migrationFolder).entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
}

/// The statements of one file, split at the semicolons that end a line.
QStringList statements(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList result;
    QString current;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("--")))
            continue;
        current += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            result << current.trimmed().chopped(1);
            current.clear();
        }
    }
    return result;
}
} // namespace

namespace ServerSchema {

int currentVersion()
{
    return int(migrationFiles().size());
}

int installedVersion(ServerConnection &connection, QString &error)
{
    Failure failure;
    QSqlQuery query;
    if (!connection.exec(query,
                         QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = "
                                        "current_schema()"),
                         {}, failure) ||
        !query.next()) {
        error = failure.description;
        return -1;
    }
    if (query.value(0).toInt() == 0)
        return 0;
    if (!connection.exec(query,
                         QStringLiteral("SELECT 1 FROM pg_tables WHERE schemaname = "
                                        "current_schema() AND tablename = 'schema_version'"),
                         {}, failure) ||
        !query.next())
        return -1;
    if (!connection.exec(query, QStringLiteral("SELECT max(version) FROM schema_version"), {},
                         failure) ||
        !query.next()) {
        error = failure.description;
        return -1;
    }
    return query.value(0).toInt();
}

bool install(ServerConnection &connection, QString &report, QString &error)
{
    Failure failure;
    if (!connection.open(failure)) {
        error = failure.description;
        return false;
    }
    const int installed = installedVersion(connection, error);
    if (installed < 0) {
        if (error.isEmpty())
            error = QStringLiteral("The database holds tables that are not Quorvel's; nothing "
                                   "was changed.");
        return false;
    }
    const QStringList files = migrationFiles();
    if (installed > files.size()) {
        error = QStringLiteral("The database's schema (version %1) is newer than this program "
                               "(version %2).")
                    .arg(installed)
                    .arg(files.size());
        return false;
    }
    for (int version = installed + 1; version <= files.size(); ++version) {
        const QString path = migrationFolder + QLatin1Char('/') + files[version - 1];
        if (!connection.transaction(
                [&](Failure &f) {
                    QSqlQuery query;
                    for (const QString &statement : statements(path))
                        if (!connection.exec(query, statement, {}, f))
                            return false;
                    return connection.exec(
                        query,
                        version == 1
                            ? QStringLiteral("INSERT INTO schema_version (version) VALUES (?)")
                            : QStringLiteral("UPDATE schema_version SET version = ?"),
                        {version}, f);
                },
                failure)) {
            error = files[version - 1] + QStringLiteral(": ") + failure.description;
            return false;
        }
    }
    report = installed == files.size()
                 ? QStringLiteral("The schema is up to date (version %1).").arg(installed)
             : installed == 0 ? QStringLiteral("Created the schema (version %1).").arg(files.size())
                              : QStringLiteral("Upgraded the schema from version %1 to %2.")
                                    .arg(installed)
                                    .arg(files.size());
    return true;
}

} // namespace ServerSchema
