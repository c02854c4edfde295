#include "SchemaCheck.h"

#include "Database.h"

#include <QFileInfo>
#include <QSqlRecord>

namespace SchemaCheck {

const QList<Table> &historyTables()
{
    static const QList<Table> tables = {
        {QStringLiteral("history"),
         {"id", "firstName", "lastName", "serviceRequested", "lobbyDateIn", "lobbyTimeIn",
          "timeServiced", "timeOut", "servicedBy", "serviceTime"}},
    };
    return tables;
}

const QList<Table> &systemTables()
{
    static const QList<Table> tables = {
        {QStringLiteral("users"),
         {"userNumber", "firstName", "lastName", "department", "username", "status"}},
        {QStringLiteral("services"), {"id", "serviceName", "status"}},
        {QStringLiteral("events"),
         {"eventID", "userNumber", "eventDate", "eventTime", "event", "eventAlarm"}},
    };
    return tables;
}

QString problem(const QString &path, const QList<Table> &tables)
{
    Database db(path, Database::Mode::ReadOnly);
    if (!db.open())
        return QFileInfo::exists(path)
                   ? QStringLiteral("cannot be opened: ") + db.failure().description
                   : QStringLiteral("missing");
    if (!db.exec(QStringLiteral("PRAGMA schema_version")))
        return QStringLiteral("cannot be read: ") + db.failure().description;
    const QStringList present = db.connection().tables();
    for (const Table &table : tables) {
        if (!present.contains(table.name, Qt::CaseInsensitive))
            return QStringLiteral("has no table %1").arg(table.name);
        const QSqlRecord record = db.connection().record(table.name);
        for (const QString &column : table.columns)
            if (record.indexOf(column) < 0)
                return QStringLiteral("table %1 has no column %2").arg(table.name, column);
    }
    return {};
}

} // namespace SchemaCheck
