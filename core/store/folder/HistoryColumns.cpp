#include "HistoryColumns.h"

#include "Database.h"

#include <QSet>

namespace HistoryColumns {

namespace {
struct Column
{
    const char *name;
    const char *definition;
};

// Each nullable: the rows written before the column have no value for it.
const Column added[] = {
    {"desk", "desk TEXT"}, // where the customer was called to
};
} // namespace

bool addMissing(const QString &path, QString &error)
{
    Database db(path);
    QSqlQuery query;
    if (!db.open() || !db.exec(query, QStringLiteral("PRAGMA table_info(history)"), {})) {
        error = db.failure().description;
        return false;
    }
    QSet<QString> present;
    while (query.next())
        present.insert(query.value(1).toString());
    for (const Column &column : added) {
        if (present.contains(QLatin1String(column.name)))
            continue;
        if (!db.exec(QStringLiteral("ALTER TABLE history ADD COLUMN ") +
                     QLatin1String(column.definition))) {
            error = db.failure().description;
            return false;
        }
    }
    return true;
}

} // namespace HistoryColumns
