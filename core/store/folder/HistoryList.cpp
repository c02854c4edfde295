#include "HistoryList.h"

#include "Database.h"
#include "HistoryRowColumns.h"
#include "TextForms.h"

#include <QSqlError>
#include <QVariant>

namespace {
HistoryRows readRows(const QString &historyPath, const QString &where, const QVariantList &values,
                     Failure &failure, Database::Mode mode = Database::Mode::ReadOnly)
{
    HistoryRows rows;
    Database db(historyPath, mode);
    if (!db.open()) {
        failure = db.failure();
        return rows;
    }
    QSqlQuery query = db.prepare(historyRowSelect() + where);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (db.failure().number != 0 || !db.exec(query)) {
        failure = db.failure();
        return rows;
    }
    while (query.next())
        rows.append(historyRowFrom(query));
    // A step that fails part-way (a file locked or damaged meanwhile) ends the rows early.
    if (query.lastError().isValid()) {
        db.setFailureFrom(query);
        failure = db.failure();
    }
    return rows;
}
} // namespace

HistoryRows historyOfDay(const QString &historyPath, const QDate &day, int servicedBy,
                         Failure &failure)
{
    // The id breaks ties, so rows checked in within one second keep their order.
    if (servicedBy == 0)
        return readRows(historyPath,
                        QStringLiteral("WHERE lobbyDateIn = ? ORDER BY lobbyTimeIn, id"),
                        {dbValue(day)}, failure);
    return readRows(
        historyPath,
        QStringLiteral("WHERE servicedBy = ? AND lobbyDateIn = ? ORDER BY lobbyTimeIn, id"),
        {servicedBy, dbValue(day)}, failure);
}

HistoryRows historySince(const QString &historyPath, const QDate &firstDay, Failure &failure)
{
    return readRows(historyPath, QStringLiteral("WHERE lobbyDateIn >= ?"), {dbValue(firstDay)},
                    failure, Database::Mode::ReadOnly);
}

bool historyRecord(const QString &historyPath, int id, HistoryRow &row, bool &found,
                   Failure &failure)
{
    Failure readFailure;
    const HistoryRows rows =
        readRows(historyPath, QStringLiteral("WHERE id = ?"), {id}, readFailure);
    if (readFailure.number != 0) {
        failure = readFailure;
        return false;
    }
    found = !rows.isEmpty();
    if (found)
        row = rows.first();
    return true;
}
