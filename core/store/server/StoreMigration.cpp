#include "StoreMigration.h"

#include "Database.h"
#include "ProgramFolder.h"
#include "Prompter.h"
#include "QueueDocument.h"
#include "ServerConnection.h"
#include "ServerSchema.h"
#include "TextForms.h"
#include "kzrXML.h"

#include <QDir>
#include <QFile>
#include <QSqlError>

namespace {
/// A table both stores hold with the same columns; the first is the key.
struct Table
{
    const char *name;
    const char *file; // the folder's database
    QStringList columns;
};

const QList<Table> &tables()
{
    static const QList<Table> all = {
        {"users",
         "systemData.mdb",
         {"userNumber", "firstName", "lastName", "department", "username", "status"}},
        {"services", "systemData.mdb", {"id", "serviceName", "status"}},
        {"history",
         "history.mdb",
         {"id", "firstName", "lastName", "serviceRequested", "lobbyDateIn", "lobbyTimeIn",
          "timeServiced", "timeOut", "servicedBy", "serviceTime", "desk", "visitKey"}},
        {"events",
         "systemData.mdb",
         {"eventID", "userNumber", "eventDate", "eventTime", "event", "eventAlarm"}},
    };
    return all;
}

const char *const queueElements[] = {"FIRST_NAME", "LAST_NAME", "LOBBY_STATUS", "SERVICE",
                                     "USER_ID",    "TIME_IN",   "DATE_IN",      "TIME_SEEN",
                                     "VISIT_KEY",  "DESK"};
const QString queueColumns = QStringLiteral("id, firstName, lastName, lobbyStatus, service, userId, "
                                            "timeIn, dateIn, timeSeen, visitKey, desk");

QString selectAll(const Table &table)
{
    return QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
        .arg(table.columns.join(QStringLiteral(", ")), QLatin1String(table.name),
             table.columns.first());
}

QString insertAll(const QString &table, const QString &columns, qsizetype count)
{
    QStringList marks(count, QStringLiteral("?"));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columns, marks.join(QStringLiteral(", ")));
}

QVariantList rowOf(const QSqlQuery &query, qsizetype columns)
{
    QVariantList values;
    for (int i = 0; i < columns; ++i)
        values << query.value(i);
    return values;
}

/// New rows of `table` go on from the highest `key` copied; an empty table starts at 1.
QString continueKeys(const QString &table, const QString &key)
{
    return QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                          "COALESCE((SELECT max(%2) FROM %1), 0) + 1, false)")
        .arg(table, key);
}

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

class Silent final : public Prompter
{
public:
    void message(const QString &, const QString &, Icon) override {}
    bool ask(const QString &, const QString &, Icon) override { return false; }
};

/// Appends the rows `source` returns, in the column order of `table`, to the same table of the
/// SQLite file `path`, in one transaction of the file.
bool writeRows(QSqlQuery &source, const Table &table, const QString &path, qint64 &rows,
               QString &error)
{
    Database db(path);
    if (!db.open() || !db.connection().transaction()) {
        error = db.failure().description;
        return false;
    }
    const QString insert = insertAll(
        QLatin1String(table.name), table.columns.join(QStringLiteral(", ")), table.columns.size());
    while (source.next()) {
        if (!db.exec(insert, rowOf(source, table.columns.size()))) {
            error = db.failure().description;
            return false;
        }
        ++rows;
    }
    if (!db.connection().commit()) {
        error = db.connection().lastError().text();
        return false;
    }
    return true;
}

/// Appends the server's rows of `table` to the same table of the SQLite file `path`.
bool copyToFile(ServerConnection &server, const Table &table, const QString &path, qint64 &rows,
                QString &error)
{
    QSqlQuery source;
    Failure failure;
    if (!server.exec(source, selectAll(table), {}, failure)) {
        error = failure.description;
        return false;
    }
    return writeRows(source, table, path, rows, error);
}

const Table &historyTable()
{
    return tables()[2];
}

bool verify(ServerConnection &server, const StoreMigration::Counts &counts, Failure &failure)
{
    for (const StoreMigration::Count &count : counts) {
        QSqlQuery query;
        if (!server.exec(query, QStringLiteral("SELECT count(*) FROM %1").arg(count.table), {},
                         failure) ||
            !query.next())
            return false;
        if (query.value(0).toLongLong() != count.rows) {
            failure = {FailureNumber::ServerCall,
                       QStringLiteral("The server holds %1 rows of %2 after the copy, not %3.")
                           .arg(query.value(0).toLongLong())
                           .arg(count.table)
                           .arg(count.rows)};
            return false;
        }
    }
    return true;
}
} // namespace

namespace StoreMigration {

QString countsText(const Counts &counts)
{
    QStringList parts;
    for (const Count &count : counts)
        parts << QStringLiteral("%1 %2").arg(count.table).arg(count.rows);
    return parts.join(QStringLiteral(", "));
}

bool toServer(const QString &dataPath, const QString &connection, Counts &counts, QString &error)
{
    ServerConnection server(connection);
    QString report;
    if (!ServerSchema::install(server, report, error))
        return false;
    QSqlQuery query;
    Failure failure;
    for (const QString &table :
         {QStringLiteral("queue"), QStringLiteral("users"), QStringLiteral("services"),
          QStringLiteral("history"), QStringLiteral("events")}) {
        if (!server.exec(query, QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(table), {},
                         failure)) {
            error = failure.description;
            return false;
        }
        if (query.next()) {
            error = QStringLiteral("The server's database already holds an office (its %1 has "
                                   "rows); nothing was copied.")
                        .arg(table);
            return false;
        }
    }

    const bool copied = server.transaction(
        [&](Failure &f) {
            counts.clear();
            for (const Table &table : tables()) {
                Database db(QDir(dataPath).filePath(QLatin1String(table.file)),
                            Database::Mode::ReadOnly);
                QSqlQuery rows;
                if (!db.open() || !db.exec(rows, selectAll(table), {})) {
                    f = db.failure();
                    return false;
                }
                Count count{QLatin1String(table.name), 0};
                const QString insert =
                    insertAll(QLatin1String(table.name), table.columns.join(QStringLiteral(", ")),
                              table.columns.size());
                while (rows.next()) {
                    if (!server.exec(query, insert, rowOf(rows, table.columns.size()), f))
                        return false;
                    ++count.rows;
                }
                if (!server.exec(
                        query,
                        continueKeys(QLatin1String(table.name), table.columns.first().toLower()),
                        {}, f))
                    return false;
                counts << count;
            }
            QueueDocument doc;
            if (doc.load(QDir(dataPath).filePath(QStringLiteral("lobbyData.xml"))) !=
                QueueDocument::LoadState::Loaded) {
                f = doc.loadFailure();
                return false;
            }
            Count queue{QStringLiteral("queue"), 0};
            for (const pugi::xml_node &record : doc.records()) {
                int id = 0;
                QueueDocument::recordId(record, id);
                QStringList texts;
                for (const char *element : queueElements)
                    texts << QString::fromUtf8(record.child(element).attribute("value").value());
                const QString userId = texts[4].trimmed();
                if (!server.exec(query, insertAll(QStringLiteral("queue"), queueColumns, 11),
                                 {id, texts[0], texts[1], texts[2].toInt(), texts[3],
                                  userId.isEmpty() ? QVariant(QMetaType(QMetaType::Int))
                                                   : QVariant(userId.toInt()),
                                  TextForms::parseQueueTime(texts[5]),
                                  TextForms::parseQueueDate(texts[6]), textOrNull(texts[7]),
                                  textOrNull(texts[8]), textOrNull(texts[9])},
                                 f))
                    return false;
                ++queue.rows;
            }
            counts.prepend(queue);
            return server.exec(query, continueKeys(QStringLiteral("queue"), QStringLiteral("id")),
                               {}, f) &&
                   verify(server, counts, f);
        },
        failure);
    if (!copied)
        error = failure.description;
    return copied;
}

bool toFolder(const QString &connection, const QString &folder, Counts &counts, QString &error)
{
    if (!ProgramFolder::create(folder, error))
        return false;
    ServerConnection server(connection);
    Failure failure;
    if (!server.open(failure)) {
        error = failure.description;
        return false;
    }
    const QString dataPath = QDir(folder).filePath(QStringLiteral("data"));
    counts.clear();
    QSqlQuery rows;
    // One snapshot of the server for every table.
    server.database().transaction();
    QSqlQuery(server.database())
        .exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL "
                             "REPEATABLE READ"));
    Count queue{QStringLiteral("queue"), 0};
    Silent silent;
    kzrXML xml(silent);
    QueueDocument doc;
    doc.load(QDir(dataPath).filePath(QStringLiteral("lobbyData.xml")));
    if (!server.exec(
            rows,
            QStringLiteral("SELECT %1 FROM queue ORDER BY dateIn, timeIn, id").arg(queueColumns),
            {}, failure)) {
        error = failure.description;
        return false;
    }
    while (rows.next()) {
        pugi::xml_document scratch;
        QueueDocument::buildRecord(scratch, rows.value(0).toInt(),
                                   {rows.value(1).toString(), rows.value(2).toString(),
                                    rows.value(3).toString(), rows.value(4).toString(),
                                    rows.value(5).isNull() ? QString() : rows.value(5).toString(),
                                    TextForms::queueTime(rows.value(6).toTime()),
                                    TextForms::queueDate(rows.value(7).toDate()),
                                    rows.value(8).toString(), rows.value(9).toString(),
                                    rows.value(10).toString()},
                                   xml);
        doc.append(scratch);
        ++queue.rows;
    }
    if (!doc.save(QDir(dataPath).filePath(QStringLiteral("lobbyData.xml")), failure)) {
        error = failure.description;
        return false;
    }
    counts << queue;
    for (const Table &table : tables()) {
        Count count{QLatin1String(table.name), 0};
        if (!copyToFile(server, table, QDir(dataPath).filePath(QLatin1String(table.file)),
                        count.rows, error))
            return false;
        counts << count;
    }
    server.database().rollback();
    return true;
}

bool historyToFile(ServerConnection &server, const QString &path, QString &error)
{
    qint64 rows = 0;
    return ProgramFolder::createHistoryDatabase(path, error) &&
           copyToFile(server, historyTable(), path, rows, error);
}

bool moveHistoryToFile(ServerConnection &server, const QString &path, QString &error)
{
    if (QFile::exists(path)) {
        error = QStringLiteral("File already exists: ") + path;
        return false;
    }
    // Made whole under a name of its own, then put in place, never over another file.
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    const Table &history = historyTable();
    QSqlQuery rows;
    Failure failure;
    qint64 count = 0;
    if (!ProgramFolder::createHistoryDatabase(partial, error))
        return false;
    if (!server.exec(rows,
                     QStringLiteral("DELETE FROM history RETURNING ") +
                         history.columns.join(QStringLiteral(", ")),
                     {}, failure))
        error = failure.description;
    else if (writeRows(rows, history, partial, count, error) && !QFile::rename(partial, path))
        error = QStringLiteral("File already exists: ") + path;
    else if (error.isEmpty())
        return true;
    QFile::remove(partial);
    return false;
}

} // namespace StoreMigration
