#include "HistoryExport.h"

#include "Database.h"
#include "SqliteStatement.h"
#include "TextForms.h"

#include <QElapsedTimer>
#include <QSaveFile>
#include <QSqlError>
#include <QVariant>

#include <memory>

namespace {
// Large enough that writes are few, small enough that memory stays flat.
constexpr qsizetype FlushBytes = 1 << 20;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// A stored ISO date as M/d/yyyy.
void appendDate(QByteArray &line, QByteArrayView stored)
{
    if (stored.size() >= 10 && stored[4] == '-' && stored[7] == '-' && isDigit(stored[5]) &&
        isDigit(stored[6]) && isDigit(stored[8]) && isDigit(stored[9])) {
        for (const qsizetype at : {5, 8}) {
            if (stored[at] != '0')
                line.append(stored[at]);
            line.append(stored[at + 1]);
            line.append('/');
        }
        line.append(stored.first(4));
        return;
    }
    line.append(TextForms::queueDate(TextForms::parseDbDate(QString::fromUtf8(stored))).toLatin1());
}

/// A stored time as "hh:mm"; empty for NULL.
void appendTime(QByteArray &line, QByteArrayView stored)
{
    if (stored.isEmpty())
        return;
    if (stored.size() >= 5 && stored[2] == ':' && isDigit(stored[0]) && isDigit(stored[1]) &&
        isDigit(stored[3]) && isDigit(stored[4])) {
        line.append(stored.first(5));
        return;
    }
    line.append(
        TextForms::screenTimeShort(TextForms::parseDbTime(QString::fromUtf8(stored))).toLatin1());
}

/// A text field in double quotes, a double quote inside it doubled.
void appendQuoted(QByteArray &line, QByteArrayView value)
{
    line.append('"');
    for (qsizetype from = 0;;) {
        const qsizetype quote = value.indexOf('"', from);
        line.append(value.sliced(from, (quote < 0 ? value.size() : quote + 1) - from));
        if (quote < 0)
            break;
        line.append('"');
        from = quote + 1;
    }
    line.append('"');
}

const QString rowColumns =
    QStringLiteral("SELECT lobbyDateIn, firstName, lastName, serviceRequested, servicedBy, "
                   "lobbyTimeIn, timeServiced, timeOut, serviceTime, id FROM history ");
constexpr int DateColumn = 0, TimeInColumn = 5, IdColumn = 9;

// How long one batch may keep the history read. A reader holds off every writer until its read
// ends, and a desk's sign-out must not wait more than a moment, however long the export.
constexpr int BatchMs = 100;

/// Whether the file this connection reads has left its path, as an archive moves the history.
bool hasMoved(sqlite3 *connection)
{
    int moved = 0;
    return sqlite3_file_control(connection, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
           moved != 0;
}

/// The selected rows in check-in order, read in batches: each batch a read of its own that ends
/// after `BatchMs`, the next one going on after the last row read. Between batches the history
/// is free, so a waiting write goes first. The rows are those of the history as the first batch
/// found it: a visit signed out meanwhile is left to the next export.
class BatchedRows
{
public:
    BatchedRows(sqlite3 *connection, const ExportSelection &selection)
        : m_connection(connection), m_selection(selection)
    {
    }

    /// Steps to the next row; false at the end, or on a failure (`failed()`).
    bool next()
    {
        // A batch never ends inside rows without a time in: the next one could not tell where
        // to go on.
        if (m_query && m_batch.hasExpired(BatchMs) &&
            sqlite3_column_type(m_query->row(), TimeInColumn) != SQLITE_NULL) {
            m_resumeAfter = {QString::fromUtf8(columnText(m_query->row(), DateColumn)),
                             QString::fromUtf8(columnText(m_query->row(), TimeInColumn)),
                             int(sqlite3_column_int64(m_query->row(), IdColumn))};
            m_query.reset(); // the read ends here
        }
        if (m_query)
            return m_query->step();
        if (!startBatch())
            return false;
        const bool row = m_query->step();
        // Between batches an archive may have moved the history away. This connection would go on
        // reading the archive and take the new history's journal for its own, so the export
        // stops. Checked while the batch holds the read, no move can follow before it ends.
        m_moved = (row || m_query->failed()) && hasMoved(m_connection);
        return row && !m_moved;
    }

    sqlite3_stmt *row() const { return m_query->row(); }
    bool failed() const { return m_moved || m_query->failed(); }
    bool moved() const { return m_moved; }

private:
    bool startBatch()
    {
        if (m_resumeAfter.isEmpty()) {
            // Every visit signed out from here on gets a higher id.
            m_query = std::make_unique<SqliteStatement>(
                m_connection, QStringLiteral("SELECT coalesce(max(id), 0) FROM history"));
            if (!m_query->step())
                return false;
            m_lastId = sqlite3_column_int64(m_query->row(), 0);
        }
        QString where = m_selection.whereClause() + QStringLiteral(" AND id <= ?");
        QVariantList values = m_selection.boundValues() << m_lastId;
        if (!m_resumeAfter.isEmpty()) {
            // The first bound is the lowest date: the last row's date, never below it, lets the
            // index start there rather than at the selection's first day every batch.
            values.first() = m_resumeAfter.first();
            where += QStringLiteral(" AND (lobbyDateIn, lobbyTimeIn, id) > (?, ?, ?)");
            values += m_resumeAfter;
        }
        // The index on (lobbyDateIn, lobbyTimeIn) yields this order without sorting.
        m_query = std::make_unique<SqliteStatement>(
            m_connection,
            rowColumns + where + QStringLiteral(" ORDER BY lobbyDateIn, lobbyTimeIn, id"));
        m_batch.start();
        return m_query->bind(values);
    }

    sqlite3 *m_connection;
    const ExportSelection &m_selection;
    std::unique_ptr<SqliteStatement> m_query;
    QElapsedTimer m_batch;
    QVariantList m_resumeAfter; // date, time in and id of the last row of the batch before
    qint64 m_lastId = 0;        // the highest id when the export began
    bool m_moved = false;
};

} // namespace

HistoryExport::HistoryExport(const QString &databasePath, const ExportSelection &selection,
                             const RepNames &repNames)
    : m_databasePath(databasePath), m_selection(selection)
{
    // The first name added wins, as the table's own look-up does.
    for (const RepNames::Entry &entry : repNames.entries())
        if (!m_names.contains(entry.userNumber))
            m_names.insert(entry.userNumber, entry.name.toUtf8());
}

QString ExportSelection::whereClause() const
{
    QString where = QStringLiteral("WHERE lobbyDateIn >= ? AND lobbyDateIn <= ?");
    if (servicedBy != 0)
        where += QStringLiteral(" AND servicedBy = ?");
    if (byService)
        where += QStringLiteral(" AND serviceRequested = ?");
    return where;
}

QVariantList ExportSelection::boundValues() const
{
    QVariantList values = {dbValue(from), dbValue(to)};
    if (servicedBy != 0)
        values.append(servicedBy);
    if (byService)
        values.append(service);
    return values;
}

qint64 HistoryExport::countRows()
{
    Database db(m_databasePath, Database::Mode::ReadOnly);
    if (!db.open()) {
        m_failure = db.failure();
        return -1;
    }
    QSqlQuery query =
        db.prepare(QStringLiteral("SELECT COUNT(*) FROM history ") + m_selection.whereClause());
    for (const QVariant &value : m_selection.boundValues())
        query.addBindValue(value);
    if (db.failure().number != 0 || !db.exec(query) || !query.next()) {
        if (db.failure().number == 0)
            db.setFailureFrom(query);
        m_failure = db.failure();
        return -1;
    }
    return query.value(0).toLongLong();
}

HistoryExport::Outcome HistoryExport::writeTo(const QString &outputPath, const Progress &progress)
{
    m_count = 0;
    m_failure = {};
    Database db(m_databasePath, Database::Mode::ReadOnly);
    if (!db.open()) {
        m_failure = db.failure();
        return Outcome::Failed;
    }
    // A million rows pass through here: they are read through SQLite's own interface, as UTF-8
    // straight into the file, rather than as nine converted values a row.
    sqlite3 *connection = SqliteStatement::handleOf(db, m_failure);
    if (!connection)
        return Outcome::Failed;
    const auto sqliteFailure = [&] {
        m_failure = SqliteStatement::failureOf(connection);
        return Outcome::Failed;
    };
    BatchedRows query(connection, m_selection);
    const auto readFailure = [&] {
        if (!query.moved())
            return sqliteFailure();
        m_failure = {FailureNumber::ChangedElsewhere,
                     QStringLiteral("The history was archived while it was being exported; "
                                    "nothing was written. The visits before the archive are in "
                                    "the newest archive database.")};
        return Outcome::Failed;
    };
    if (!query.next())
        return query.failed() ? readFailure() : Outcome::NoRecords;

    QSaveFile file(outputPath);
    if (!file.open(QIODevice::WriteOnly)) {
        m_failure = {FailureNumber::PathAccess, file.errorString()};
        return Outcome::Failed;
    }
    QByteArray buffer;
    buffer.reserve(FlushBytes + 4096);
    const auto flush = [&] {
        const bool written = file.write(buffer) == buffer.size();
        buffer.clear();
        if (!written)
            m_failure = {FailureNumber::PathAccess, file.errorString()};
        return written;
    };
    do {
        sqlite3_stmt *row = query.row();
        appendDate(buffer, columnText(row, 0));
        for (int column = 1; column <= 3; ++column) {
            buffer.append(',');
            appendQuoted(buffer, columnText(row, column));
        }
        buffer.append(',');
        appendQuoted(buffer, m_names.value(sqlite3_column_int64(row, 4)));
        for (int column = 5; column <= 7; ++column) {
            buffer.append(',');
            appendTime(buffer, columnText(row, column));
        }
        buffer.append(',');
        if (sqlite3_column_type(row, 8) != SQLITE_NULL)
            buffer.append(QByteArray::number(sqlite3_column_int64(row, 8)));
        buffer.append("\r\n");
        ++m_count;
        if (buffer.size() >= FlushBytes && !flush())
            return Outcome::Failed; // the save file is discarded unfinished
        if (progress && m_count % ProgressStep == 0 && !progress(m_count)) {
            file.cancelWriting();
            return Outcome::Cancelled;
        }
    } while (query.next());
    // A step that fails part-way (a file damaged or locked meanwhile) must not pass as the end.
    if (query.failed())
        return readFailure();
    if (!flush())
        return Outcome::Failed;
    if (!file.commit()) {
        m_failure = {FailureNumber::PathAccess, file.errorString()};
        return Outcome::Failed;
    }
    return Outcome::Written;
}

QString HistoryExport::checkRange(const QString &fromText, const QString &toText,
                                  ExportSelection &sel, int *wrongEntry)
{
    sel.from = TextForms::parseScreenDate(fromText);
    sel.to = TextForms::parseScreenDate(toText);
    int wrong = -1;
    QString message;
    if (!sel.from.isValid()) {
        wrong = 0;
        message = QStringLiteral("Invalid starting date.");
    } else if (!sel.to.isValid()) {
        wrong = 1;
        message = QStringLiteral("Invalid ending date.");
    } else if (sel.from > sel.to) {
        wrong = 0;
        message = QStringLiteral("Starting date can not be greater than the ending date.");
    }
    if (wrongEntry)
        *wrongEntry = wrong;
    return message;
}

QString HistoryExport::noRecordsText()
{
    return QStringLiteral("No records found for your selection.");
}

QString HistoryExport::completeText(const QString &outputPath) const
{
    return QStringLiteral("Export Complete.  %1 records were exported to %2")
        .arg(m_count)
        .arg(outputPath);
}

QString HistoryExport::failureText() const
{
    return QStringLiteral("Export has failed due to database errors.  Error:  ") +
           m_failure.description;
}
