#include "SqliteStatement.h"

#include "Database.h"

#include <QSqlDriver>
#include <QVariant>

SqliteStatement::SqliteStatement(sqlite3 *db, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    m_result = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_statement, nullptr);
}

sqlite3 *SqliteStatement::handleOf(Database &db, Failure &failure)
{
    const QVariant handle = db.connection().driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0 || !handle.data()) {
        failure = {FailureNumber::InvalidArgument, QStringLiteral("Not an SQLite connection.")};
        return nullptr;
    }
    return *static_cast<sqlite3 *const *>(handle.data());
}

bool SqliteStatement::bind(const QVariantList &values)
{
    for (int i = 0; i < values.size() && m_result == SQLITE_OK; ++i) {
        if (values[i].typeId() == QMetaType::Int) {
            m_result = sqlite3_bind_int64(m_statement, i + 1, values[i].toInt());
        } else {
            const QByteArray text = values[i].toString().toUtf8();
            m_result = sqlite3_bind_text(m_statement, i + 1, text.constData(), int(text.size()),
                                         SQLITE_TRANSIENT);
        }
    }
    return m_result == SQLITE_OK;
}

Failure SqliteStatement::failureOf(sqlite3 *db)
{
    return {sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))};
}
