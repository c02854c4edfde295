#include "HistoryList.h"

#include "Database.h"
#include "HistoryRowColumns.h"
#include "SqliteStatement.h"
#include "TextForms.h"

#include <QVariant>

namespace {
/// A column as the QtSql driver would give it, for values stored in an unusual type.
QVariant valueOf(sqlite3_stmt *row, int column)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_INTEGER:
        return qint64(sqlite3_column_int64(row, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(row, column);
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(row, column)),
                          sqlite3_column_bytes(row, column));
    }
    return QString::fromUtf8(columnText(row, column));
}

/// The UTF-8 of a text column as it lies; any other value as its text would read.
QByteArrayView textOf(sqlite3_stmt *row, int column, QByteArray &converted)
{
    const int type = sqlite3_column_type(row, column);
    if (type == SQLITE_TEXT || type == SQLITE_NULL)
        return columnText(row, column);
    converted = valueOf(row, column).toString().toUtf8();
    return converted;
}

int numberOf(sqlite3_stmt *row, int column)
{
    return sqlite3_column_type(row, column) == SQLITE_INTEGER ? sqlite3_column_int(row, column)
                                                              : valueOf(row, column).toInt();
}

std::optional<int> numberOrNull(sqlite3_stmt *row, int column)
{
    return sqlite3_column_type(row, column) == SQLITE_NULL ? std::nullopt
                                                           : std::optional(numberOf(row, column));
}

HistoryRow rowFrom(sqlite3_stmt *row)
{
    QByteArray converted;
    const auto text = [&](int column) { return QString::fromUtf8(textOf(row, column, converted)); };
    const auto time = [&](int column) {
        return TextForms::parseDbTimeUtf8(textOf(row, column, converted));
    };
    return {numberOf(row, 0),
            text(1),
            text(2),
            text(3),
            TextForms::parseDbDateUtf8(textOf(row, 4, converted)),
            time(5),
            time(6),
            time(7),
            numberOrNull(row, 8),
            numberOrNull(row, 9)};
}

// Read through the connection's own SQLite handle: through QSqlQuery every value became a
// QVariant and a UTF-16 text before it was read, several times what SQLite itself takes.
HistoryRows readRows(const QString &historyPath, const QString &where, const QVariantList &values,
                     Failure &failure, Database::Mode mode = Database::Mode::ReadOnly)
{
    HistoryRows rows;
    Database db(historyPath, mode);
    if (!db.open()) {
        failure = db.failure();
        return rows;
    }
    sqlite3 *connection = SqliteStatement::handleOf(db, failure);
    if (!connection)
        return rows;
    for (int pause = 0;;) {
        SqliteStatement query(connection, historyRowSelect() + where);
        if (query.bind(values)) {
            while (query.step())
                rows.append(rowFrom(query.row()));
            if (!query.failed())
                return rows;
        }
        // A step that fails part-way (a file locked or damaged meanwhile) ends the rows early;
        // a file half-written by another workstation before the first row is read again.
        const Failure stepFailure = SqliteStatement::failureOf(connection);
        if (!rows.isEmpty() || !db.retryRead(stepFailure, pause)) {
            failure = stepFailure;
            return rows;
        }
    }
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
