#pragma once

#include "Failure.h"

#include <QString>
#include <QVariantList>

#include <sqlite3.h>

class Database;

/// A statement on the connection's own SQLite handle, finalised when it goes: for reads of a
/// million rows, which through `QSqlQuery` would convert every value twice.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *db, const QString &text);
    ~SqliteStatement() { sqlite3_finalize(m_statement); }
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    /// The SQLite handle under `db`'s open connection; null with `failure` set when it has none.
    static sqlite3 *handleOf(Database &db, Failure &failure);

    bool bind(const QVariantList &values);

    /// True while a row is there; afterwards `failed()` tells an error from the end.
    bool step()
    {
        m_result = sqlite3_step(m_statement);
        return m_result == SQLITE_ROW;
    }
    bool failed() const
    {
        return m_result != SQLITE_OK && m_result != SQLITE_DONE && m_result != SQLITE_ROW;
    }
    sqlite3_stmt *row() const { return m_statement; }

    /// The connection's last error.
    static Failure failureOf(sqlite3 *db);

private:
    sqlite3_stmt *m_statement = nullptr;
    int m_result = SQLITE_OK;
};

/// The text of a column as SQLite holds it (UTF-8); empty for NULL.
inline QByteArrayView columnText(sqlite3_stmt *row, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(row, column));
    return text ? QByteArrayView(text, sqlite3_column_bytes(row, column)) : QByteArrayView();
}
