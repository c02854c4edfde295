#include "HistoryColumns.h"

#include "Database.h"

#include <QSet>

namespace HistoryColumns {

namespace {
struct Column
{
    const char *name;
    const char *definition; // nullable: the rows written before the column have no value for it
    const char *index;      // the CREATE INDEX that goes with it, or null
};

// Oldest first.
const Column added[] = {
    {"desk", "desk TEXT", nullptr}, // where the customer was called to
    {"visitKey", "visitKey TEXT", "CREATE UNIQUE INDEX history_visitKey ON history (visitKey)"},
};

bool missingColumns(Database &db, QList<const Column *> &missing, Failure &failure)
{
    QSqlQuery query;
    if (!db.exec(query, QStringLiteral("PRAGMA table_info(history)"), {})) {
        failure = db.failure();
        return false;
    }
    QSet<QString> present;
    while (query.next())
        present.insert(query.value(1).toString().toLower());
    missing.clear();
    for (const Column &column : added)
        if (!present.contains(QString::fromLatin1(column.name).toLower()))
            missing.append(&column);
    return true;
}
} // namespace

bool addMissing(const QString &path, Failure &failure)
{
    Database db(path);
    QList<const Column *> missing;
    if (!db.open()) {
        failure = db.failure();
        return false;
    }
    if (!missingColumns(db, missing, failure))
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
    if (!missingColumns(db, missing, failure))
        return false;
    for (const Column *column : std::as_const(missing)) {
        if (!db.exec(QStringLiteral("ALTER TABLE history ADD COLUMN ") +
                     QLatin1String(column->definition)) ||
            (column->index && !db.exec(QLatin1String(column->index)))) {
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

} // namespace HistoryColumns
