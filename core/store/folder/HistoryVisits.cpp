#include "HistoryVisits.h"

#include "Database.h"
#include "SqliteStatement.h"
#include "TextForms.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace HistoryVisits {

namespace {
/// A stored time as seconds since midnight; -1 when empty or no time.
qint32 secondsOf(QByteArrayView stored)
{
    const QTime time = TextForms::parseDbTimeUtf8(stored);
    return time.isValid() ? time.msecsSinceStartOfDay() / 1000 : -1;
}

qint32 julianDayOf(QByteArrayView stored)
{
    const QDate date = TextForms::parseDbDateUtf8(stored);
    return date.isValid() ? qint32(date.toJulianDay()) : 0;
}

struct TextHash
{
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

/// Each service text once, numbered in the order met.
class ServiceIndex
{
public:
    explicit ServiceIndex(QStringList &services) : m_services(services) {}

    qint32 indexOf(QByteArrayView text)
    {
        const std::string_view key(text.data(), size_t(text.size()));
        const auto found = m_index.find(key);
        if (found != m_index.end())
            return found->second;
        const auto index = qint32(m_services.size());
        m_services.append(QString::fromUtf8(text));
        m_index.emplace(std::string(key), index);
        return index;
    }

private:
    QStringList &m_services;
    std::unordered_map<std::string, qint32, TextHash, std::equal_to<>> m_index;
};

qint64 countRows(sqlite3 *connection, const ExportSelection &selection)
{
    SqliteStatement count(connection, QStringLiteral("SELECT COUNT(*) FROM history ") +
                                          selection.whereClause());
    return count.bind(selection.boundValues()) && count.step()
               ? sqlite3_column_int64(count.row(), 0)
               : -1;
}
} // namespace

Outcome read(const QString &historyPath, const ExportSelection &selection, VisitHistory &history,
             Failure &failure, const Progress &progress)
{
    history = {};
    Database db(historyPath);
    if (!db.open()) {
        failure = db.failure();
        return Outcome::Failed;
    }
    sqlite3 *connection = SqliteStatement::handleOf(db, failure);
    if (!connection)
        return Outcome::Failed;
    const auto sqliteFailure = [&] {
        failure = SqliteStatement::failureOf(connection);
        return Outcome::Failed;
    };
    const qint64 total = progress ? countRows(connection, selection) : 0;
    if (total < 0)
        return sqliteFailure();
    history.visits.reserve(total);

    SqliteStatement query(connection, QStringLiteral("SELECT lobbyDateIn, lobbyTimeIn, "
                                                     "timeServiced, timeOut, servicedBy, "
                                                     "serviceRequested FROM history ") +
                                          selection.whereClause());
    if (!query.bind(selection.boundValues()))
        return sqliteFailure();
    ServiceIndex services(history.services);
    // A day's rows come together, so its date is read once.
    QByteArray lastDate;
    qint32 lastDay = 0;
    while (query.step()) {
        sqlite3_stmt *row = query.row();
        const QByteArrayView date = columnText(row, 0);
        if (date != lastDate) {
            lastDate = date.toByteArray();
            lastDay = julianDayOf(date);
        }
        history.visits.append({lastDay, secondsOf(columnText(row, 1)),
                               secondsOf(columnText(row, 2)), secondsOf(columnText(row, 3)),
                               qint32(sqlite3_column_int64(row, 4)),
                               services.indexOf(columnText(row, 5))});
        if (progress && history.visits.size() % ProgressStep == 0 &&
            !progress(history.visits.size(), total)) {
            history = {};
            return Outcome::Cancelled;
        }
    }
    // A step that fails part-way (a file damaged or locked meanwhile) must not pass as the end.
    if (query.failed()) {
        history = {};
        return sqliteFailure();
    }
    return Outcome::Read;
}

} // namespace HistoryVisits
