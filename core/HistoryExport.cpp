#include "HistoryExport.h"

#include "Database.h"
#include "TextForms.h"

#include <QSaveFile>
#include <QSqlError>
#include <QVariant>

namespace {
// Large enough that writes are few, small enough that memory stays flat.
constexpr qsizetype FlushBytes = 1 << 20;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

/// A stored ISO date as M/d/yyyy; read character by character, as a million rows go by here.
void appendDate(QByteArray &line, const QString &stored)
{
    if (stored.size() >= 10 && stored.at(4) == QLatin1Char('-') &&
        stored.at(7) == QLatin1Char('-') && isDigit(stored.at(5)) && isDigit(stored.at(8))) {
        const auto appendNumber = [&line, &stored](int at) {
            if (stored.at(at) != QLatin1Char('0'))
                line.append(char(stored.at(at).unicode()));
            line.append(char(stored.at(at + 1).unicode()));
        };
        appendNumber(5);
        line.append('/');
        appendNumber(8);
        line.append('/');
        line.append(stored.left(4).toLatin1());
        return;
    }
    line.append(TextForms::queueDate(TextForms::parseDbDate(stored)).toLatin1());
}

/// A stored time as "hh:mm"; empty for NULL.
void appendTime(QByteArray &line, const QVariant &column)
{
    if (column.isNull())
        return;
    const QString stored = column.toString();
    if (stored.size() >= 5 && stored.at(2) == QLatin1Char(':') && isDigit(stored.at(0)) &&
        isDigit(stored.at(1)) && isDigit(stored.at(3)) && isDigit(stored.at(4))) {
        line.append(stored.left(5).toLatin1());
        return;
    }
    line.append(TextForms::screenTimeShort(TextForms::parseDbTime(stored)).toLatin1());
}

/// A text field in double quotes, a double quote inside it doubled.
void appendQuoted(QByteArray &line, const QString &value)
{
    line.append('"');
    QByteArray text = value.toUtf8();
    if (text.contains('"'))
        text.replace("\"", "\"\"");
    line.append(text);
    line.append('"');
}

const QString rowColumns =
    QStringLiteral("SELECT lobbyDateIn, firstName, lastName, serviceRequested, servicedBy, "
                   "lobbyTimeIn, timeServiced, timeOut, serviceTime FROM history ");
} // namespace

HistoryExport::HistoryExport(const QString &databasePath, const ExportSelection &selection,
                             const RepNames &repNames)
    : m_databasePath(databasePath), m_selection(selection)
{
    // The first name added wins, as the table's own look-up does.
    for (const RepNames::Entry &entry : repNames.entries())
        if (!m_names.contains(entry.userNumber))
            m_names.insert(entry.userNumber, entry.name);
}

QString HistoryExport::whereClause() const
{
    QString where = QStringLiteral("WHERE lobbyDateIn >= ? AND lobbyDateIn <= ?");
    if (m_selection.servicedBy != 0)
        where += QStringLiteral(" AND servicedBy = ?");
    if (m_selection.byService)
        where += QStringLiteral(" AND serviceRequested = ?");
    return where;
}

QVariantList HistoryExport::boundValues() const
{
    QVariantList values = {dbValue(m_selection.from), dbValue(m_selection.to)};
    if (m_selection.servicedBy != 0)
        values.append(m_selection.servicedBy);
    if (m_selection.byService)
        values.append(m_selection.service);
    return values;
}

qint64 HistoryExport::countRows()
{
    Database db(m_databasePath);
    if (!db.open()) {
        m_failure = db.failure();
        return -1;
    }
    QSqlQuery query = db.prepare(QStringLiteral("SELECT COUNT(*) FROM history ") + whereClause());
    for (const QVariant &value : boundValues())
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
    Database db(m_databasePath);
    if (!db.open()) {
        m_failure = db.failure();
        return Outcome::Failed;
    }
    // The index on (lobbyDateIn, lobbyTimeIn) yields this order without sorting.
    QSqlQuery query = db.prepare(rowColumns + whereClause() +
                                 QStringLiteral(" ORDER BY lobbyDateIn, lobbyTimeIn, id"));
    for (const QVariant &value : boundValues())
        query.addBindValue(value);
    if (db.failure().number != 0 || !db.exec(query)) {
        m_failure = db.failure();
        return Outcome::Failed;
    }
    if (!query.next()) {
        if (query.lastError().isValid()) {
            db.setFailureFrom(query);
            m_failure = db.failure();
            return Outcome::Failed;
        }
        return Outcome::NoRecords;
    }

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
        appendDate(buffer, query.value(0).toString());
        for (int column = 1; column <= 3; ++column) {
            buffer.append(',');
            appendQuoted(buffer, query.value(column).toString());
        }
        buffer.append(',');
        appendQuoted(buffer, m_names.value(query.value(4).toInt()));
        for (int column = 5; column <= 7; ++column) {
            buffer.append(',');
            appendTime(buffer, query.value(column));
        }
        buffer.append(',');
        const QVariant minutes = query.value(8);
        if (!minutes.isNull())
            buffer.append(QByteArray::number(minutes.toLongLong()));
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
    if (query.lastError().isValid()) {
        db.setFailureFrom(query);
        m_failure = db.failure();
        return Outcome::Failed;
    }
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
