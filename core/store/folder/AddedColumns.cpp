#include "AddedColumns.h"

#include "Database.h"

#include <QSet>

namespace {
/// The columns `table` has now.
bool columnsOf(Database &db, const QString &table, QSet<QString> &columns, Failure &failure)
{
    QSqlQuery query;
    // A table name cannot be bound; ours are fixed names, never a user's text.
    if (!db.exec(query, QStringLiteral("PRAGMA table_info(%1)").arg(table), {})) {
        failure = db.failure();
        return false;
    }
    columns.clear();
    while (query.next())
        columns.insert(query.value(1).toString().toLower());
    return true;
}

/// The columns of `wanted` that the database lacks.
bool missingColumns(Database &db, const QList<AddedColumn> &wanted, QList<AddedColumn> &missing,
                    Failure &failure)
{
    missing.clear();
    QSet<QString> columns;
    QString table;
    for (const AddedColumn &column : wanted) {
        if (column.table != table) {
            table = column.table;
            if (!columnsOf(db, table, columns, failure))
                return false;
        }
        if (!columns.contains(column.name.toLower()))
            missing.append(column);
    }
    return true;
}
} // namespace

namespace AddedColumns {

bool addMissing(const QString &path, const QList<AddedColumn> &columns, Failure &failure)
{
    Database db(path);
    QList<AddedColumn> missing;
    if (!db.open()) {
        failure = db.failure();
        return false;
    }
    if (!missingColumns(db, columns, missing, failure))
        return false;
    if (missing.isEmpty())
        return true;
    // Two programs may find the same column missing: the second looks again once the first is
    // done, inside its own write transaction. A failure leaves the transaction to the closing
    // connection, which rolls it back.
    if (!db.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        failure = db.failure();
        return false;
    }
    if (!missingColumns(db, columns, missing, failure))
        return false;
    for (const AddedColumn &column : std::as_const(missing)) {
        const QString add = QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                .arg(column.table, column.name, column.type);
        if (!db.exec(add) || (!column.index.isEmpty() && !db.exec(column.index))) {
            failure = db.failure();
            return false;
        }
    }
    if (!db.exec(QStringLiteral("COMMIT"))) {
        failure = db.failure();
        return false;
    }
    return true;
}

const QList<AddedColumn> &history()
{
    static const QList<AddedColumn> columns = {
        {QStringLiteral("history"), QStringLiteral("visitKey"), QStringLiteral("TEXT"),
         QStringLiteral("CREATE UNIQUE INDEX history_visitKey ON history (visitKey)")},
    };
    return columns;
}

bool upgradeHistory(const QString &path, Failure &failure)
{
    return addMissing(path, history(), failure);
}

} // namespace AddedColumns
