#include "ServerStore.h"

#include "CoreContext.h"
#include "DirectoryRules.h"
#include "HistoryArchive.h"
#include "HistoryRowColumns.h"
#include "RepNames.h"
#include "StorableText.h"
#include "StoreMigration.h"
#include "TextForms.h"
#include "VisitColumns.h"
#include "VisitKey.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>

#include <algorithm>

namespace {
constexpr int FirstRetryMs = 250;
constexpr int LastRetryMs = 8000;
const QString channel = QStringLiteral("quorvel_change");

// A queue row as every read takes it; `fillEntry` and `storedRecord` read this order.
const QString queueFields = QStringLiteral("id, firstName, lastName, lobbyStatus, service, userId, "
                                           "timeIn, dateIn, timeSeen, desk, visitKey");
const QString queueColumns =
    QStringLiteral("SELECT ") + queueFields + QStringLiteral(" FROM queue ");
const QString userColumns =
    QStringLiteral("SELECT userNumber, firstName, lastName, username, status FROM users ");
const QString eventColumns =
    QStringLiteral("SELECT eventID, userNumber, eventDate, eventTime, event FROM events ");
// The row `id` while it is the visit of the key bound second (any visit, when the key is empty).
// A server's ids never come round again, but a key checked here means the same on every store.
const QString thisVisit =
    QStringLiteral("id = ? AND COALESCE(visitKey, '') = COALESCE(NULLIF(?, ''), visitKey, '')");
// Not held by someone else: waiting, or already this desk's.
const QString freeFor = QStringLiteral("NOT (lobbyStatus >= 1 AND userId IS DISTINCT FROM ?)");

void fillEntry(const QSqlQuery &query, clsQuorvel &entry)
{
    entry.firstName = query.value(1).toString();
    entry.lastName = query.value(2).toString();
    entry.lobbystatus = qint16(query.value(3).toInt());
    entry.service = query.value(4).toString();
    entry.repID = entry.lobbystatus == 1 ? query.value(5).toInt() : 0;
    entry.Timein = query.value(6).toTime();
    entry.dateIn = query.value(7).toDate();
    const QTime seen = TextForms::parseQueueTime(query.value(8).toString());
    entry.timeSeen =
        entry.lobbystatus == 1 && seen.isValid() ? LooseTime::fromTime(seen) : LooseTime::null();
    entry.desk = entry.lobbystatus == 1 ? query.value(9).toString() : QString();
    entry.visitKey = query.value(10).toString();
}

/// A row of `queueColumns` in the texts the queue file would hold.
StoredQueueRecord storedRecord(const QSqlQuery &query)
{
    return {query.value(0).toInt(),
            {query.value(1).toString(), query.value(2).toString(), query.value(3).toString(),
             query.value(4).toString(),
             query.value(5).isNull() ? QString() : query.value(5).toString(),
             TextForms::queueTime(query.value(6).toTime()),
             TextForms::queueDate(query.value(7).toDate()), query.value(8).toString(),
             query.value(10).toString(), query.value(9).toString()}};
}

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

QVariant seenValue(const LooseTime &time)
{
    return textOrNull(time.queueText());
}

/// A queue row's desk: only a customer in service has one.
QVariant deskValue(const clsQuorvel &entry)
{
    return textOrNull(entry.lobbystatus == 1 ? entry.desk : QString());
}

Directory::User userFrom(const QSqlQuery &query)
{
    Directory::User user;
    user.userNumber = query.value(0).toInt();
    user.firstName = query.value(1).toString();
    user.lastName = query.value(2).toString();
    user.username = query.value(3).toString();
    bool ok = false;
    user.status = query.value(4).toInt(&ok);
    if (!ok)
        user.status = Directory::User::NoStatus;
    return user;
}

CalendarEvent eventFrom(const QSqlQuery &query)
{
    return {query.value(0).toInt(), query.value(1).toInt(),
            TextForms::parseDbDate(query.value(2).toString()),
            TextForms::parseDbTime(query.value(3).toString()), query.value(4).toString()};
}
} // namespace

ServerStore::ServerStore(CoreContext &context, const QString &connection)
    : m_context(context), m_connection(connection)
{
    m_retry.setSingleShot(true);
    QObject::connect(&m_retry, &QTimer::timeout, this, &ServerStore::retry);
}

QString ServerStore::unreachableText()
{
    return QStringLiteral("The server cannot be reached; retrying");
}

bool ServerStore::connect(Failure &failure)
{
    if (m_connection.isOpen())
        return true;
    if (!m_connection.open(failure)) {
        lost();
        return false;
    }
    QSqlDriver *driver = m_connection.database().driver();
    if (!driver->subscribedToNotifications().contains(channel)) {
        driver->subscribeToNotification(channel);
        QObject::connect(driver, &QSqlDriver::notification, this, [this] {
            ++m_heard;
            Q_EMIT changed();
        });
    }
    if (m_unreachable) {
        m_unreachable = false;
        m_backoffMs = 0;
        m_retry.stop();
        Q_EMIT reachability(unreachableText(), false);
        // What was missed while away shows at once.
        ++m_heard;
        Q_EMIT changed();
    }
    return true;
}

void ServerStore::lost()
{
    m_connection.close();
    if (!m_unreachable) {
        m_unreachable = true;
        Q_EMIT reachability(unreachableText(), true);
    }
    if (!m_retry.isActive()) {
        m_backoffMs = m_backoffMs == 0 ? FirstRetryMs : std::min(m_backoffMs * 2, LastRetryMs);
        m_retry.start(m_backoffMs);
    }
}

void ServerStore::retry()
{
    Failure failure;
    connect(failure);
}

bool ServerStore::read(const QString &statement, const QVariantList &values, const Rows &rows,
                       Failure &failure)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connect(failure))
            return false;
        QSqlQuery query;
        if (m_connection.exec(query, statement, values, failure)) {
            while (query.next())
                rows(query);
            return true;
        }
        if (m_connection.alive())
            return false;
        lost();
    }
    return false;
}

bool ServerStore::change(const std::function<bool(Failure &)> &work, Failure &failure)
{
    if (!connect(failure))
        return false;
    if (m_connection.transaction(work, failure))
        return true;
    if (!m_connection.alive())
        lost();
    return false;
}

bool ServerStore::changeRows(const QString &statement, const QVariantList &values,
                             const QString &gone, Failure &failure)
{
    return change(
        [&](Failure &f) {
            QSqlQuery query;
            if (!m_connection.exec(query, statement, values, f))
                return false;
            if (!gone.isEmpty() && query.numRowsAffected() == 0) {
                f = {FailureNumber::NoCurrentRecord, gone};
                return false;
            }
            return true;
        },
        failure);
}

bool ServerStore::guardedChange(const QString &select, const QVariantList &selectValues,
                                const std::function<bool(const QSqlQuery &row)> &stillAsSeen,
                                const QString &update, const QVariantList &updateValues,
                                const QString &gone, Failure &failure)
{
    return change(
        [&](Failure &f) {
            QSqlQuery row;
            if (!m_connection.exec(row, select + QStringLiteral(" FOR UPDATE"), selectValues, f))
                return false;
            if (!row.next()) {
                f = {FailureNumber::NoCurrentRecord, gone};
                return false;
            }
            if (!stillAsSeen(row)) {
                f = changedElsewhere();
                return false;
            }
            QSqlQuery query;
            return m_connection.exec(query, update, updateValues, f);
        },
        failure);
}

void ServerStore::report(const QString &prefix, const Failure &failure) const
{
    m_context.prompter().message(prefix + failure.description,
                                 QStringLiteral("Error %1").arg(failure.number),
                                 Prompter::Icon::Critical);
}

int ServerStore::addCustomer(const QString &firstName, const QString &lastName,
                             const QString &service)
{
    const QDateTime now = m_context.clock().now();
    int id = 0;
    Failure failure;
    const bool added = change(
        [&](Failure &f) {
            QSqlQuery query;
            if (!m_connection.exec(query,
                                   QStringLiteral("INSERT INTO queue (firstName, lastName, "
                                                  "service, timeIn, dateIn, visitKey) VALUES "
                                                  "(?, ?, ?, ?, ?, ?) RETURNING id"),
                                   {storableText(firstName), storableText(lastName),
                                    storableText(service), now.time(), now.date(),
                                    VisitKey::make()},
                                   f) ||
                !query.next())
                return false;
            id = query.value(0).toInt();
            return true;
        },
        failure);
    if (!added) {
        report(QStringLiteral("Error adding customer entry.  [addCustomerToQueue]: "), failure);
        return 0;
    }
    return id;
}

bool ServerStore::loadEntry(int id, clsQuorvel &entry)
{
    bool found = false;
    Failure failure;
    if (!read(
            queueColumns + QStringLiteral("WHERE id = ?"), {id},
            [&](QSqlQuery &query) {
                found = true;
                fillEntry(query, entry);
            },
            failure)) {
        report(QStringLiteral("XML error.  [loadLobbyEntry]:  "), failure);
        return false;
    }
    return found;
}

bool ServerStore::verifyEntry(int id, const QString &visitKey)
{
    bool found = false;
    Failure failure;
    if (!read(
            QStringLiteral("SELECT 1 FROM queue WHERE ") + thisVisit, {id, visitKey},
            [&](QSqlQuery &) { found = true; }, failure)) {
        report(QStringLiteral("XML error.  [verifyLobbyEntry]:  "), failure);
        return false;
    }
    return found;
}

bool ServerStore::updateEntry(int id, const clsQuorvel &entry)
{
    Failure failure;
    if (!changeRows(QStringLiteral("UPDATE queue SET firstName = ?, lastName = ?, lobbyStatus = ?, "
                                   "service = ?, userId = ?, timeIn = ?, dateIn = ?, timeSeen = ?, "
                                   "desk = ? WHERE ") +
                        thisVisit,
                    {entry.firstName, entry.lastName, int(entry.lobbystatus), entry.service,
                     entry.repID, entry.Timein, entry.dateIn, seenValue(entry.timeSeen),
                     deskValue(entry), id, entry.visitKey},
                    QString(), failure)) {
        report(QStringLiteral("XML error.  [updateLobbyEntry]: "), failure);
        return false;
    }
    return true;
}

bool ServerStore::removeEntry(int id, const QString &visitKey)
{
    Failure failure;
    if (!changeRows(QStringLiteral("DELETE FROM queue WHERE ") + thisVisit, {id, visitKey},
                    QString(), failure)) {
        report(QStringLiteral("Error deleting queue item.  [removeCustomerFromLobby]: "), failure);
        return false;
    }
    return true;
}

int ServerStore::loadQueue(QueueListing &listing, bool withInService, int userId,
                           const RepNames *repNames, QueueScan &scan)
{
    listing = QueueListing();
    scan.hasExpiredEntries = false;
    const QDateTime now = m_context.clock().now();
    const double maxLimit = m_context.params.MaxLimit;
    Failure failure;
    scan.queueRead = read(
        queueColumns + QStringLiteral("ORDER BY dateIn, timeIn, id"), {},
        [&](QSqlQuery &query) {
            QueueRow row;
            row.id = query.value(0).toInt();
            row.firstName = query.value(1).toString();
            row.lastName = query.value(2).toString();
            const int status = query.value(3).toInt();
            row.service = query.value(4).toString();
            row.timeIn = query.value(6).toTime();
            row.dateIn = query.value(7).toDate();
            if (status > 0) {
                row.userId = query.value(5).toInt();
                if (row.userId == userId)
                    scan.improperShutdown = row.id;
            }
            if (status == 0) {
                if (row.dateIn < now.date())
                    scan.hasExpiredEntries = true;
                row.overdue = isOverdue(row.timeIn, now.time(), maxLimit);
                if (row.overdue)
                    ++listing.overdueCount;
                ++listing.waitingCount;
                listing.waiting.append(row);
            } else if (status == 1 && withInService) {
                if (repNames)
                    row.repName = repNames->name(row.userId);
                row.timeSeen = TextForms::parseQueueTime(query.value(8).toString());
                row.desk = query.value(9).toString();
                listing.inService.append(row);
            }
        },
        failure);
    if (!scan.queueRead) {
        // The lists keep what they showed; the status bar says why.
        listing = QueueListing();
        return 0;
    }
    return listing.waitingCount;
}

bool ServerStore::queueRecords(QList<StoredQueueRecord> &records, Failure &failure)
{
    return read(
        queueColumns + QStringLiteral("ORDER BY dateIn, timeIn, id"), {},
        [&](QSqlQuery &query) { records.append(storedRecord(query)); }, failure);
}

SequenceOutcome ServerStore::whyRefused(int id, const QString &visitKey,
                                        const SequenceOutcome &whenGone, const QString &prefix)
{
    Failure failure;
    bool found = false;
    if (!read(
            QStringLiteral("SELECT 1 FROM queue WHERE ") + thisVisit, {id, visitKey},
            [&found](QSqlQuery &) { found = true; }, failure))
        return SequenceOutcome::failed(prefix, failure);
    return found ? SequenceOutcome::takenByOther() : whenGone;
}

SequenceOutcome ServerStore::takeCustomer(int id, const QString &visitKey, int userNumber,
                                          clsQuorvel &entry, const QString &desk)
{
    const QString prefix = QStringLiteral("Error.  [getMember]: ");
    const LooseTime seen = LooseTime::fromTime(m_context.clock().timeOfDay());
    bool taken = false;
    Failure failure;
    // One statement decides: two desks can never both hold the customer.
    if (!change(
            [&](Failure &f) {
                QSqlQuery query;
                if (!m_connection.exec(
                        query,
                        QStringLiteral("UPDATE queue SET lobbyStatus = 1, userId = ?, "
                                       "timeSeen = ?, desk = ? WHERE ") +
                            thisVisit + QStringLiteral(" AND ") + freeFor +
                            QStringLiteral(" RETURNING ") + queueFields,
                        {userNumber, seenValue(seen), textOrNull(desk), id, visitKey, userNumber},
                        f))
                    return false;
                taken = query.next();
                if (taken)
                    fillEntry(query, entry);
                return true;
            },
            failure))
        return SequenceOutcome::failed(prefix, failure);
    return taken ? SequenceOutcome()
                 : whyRefused(id, visitKey, SequenceOutcome::removedFromQueue(), prefix);
}

SequenceOutcome ServerStore::returnCustomer(int id, const QString &visitKey, int userNumber)
{
    const QString prefix = QStringLiteral("Error.  [updateLobbyEntry]: ");
    int count = 0;
    Failure failure;
    if (!change(
            [&](Failure &f) {
                QSqlQuery query;
                if (!m_connection.exec(query,
                                       QStringLiteral("UPDATE queue SET lobbyStatus = 0, "
                                                      "userId = ?, desk = NULL WHERE ") +
                                           thisVisit + QStringLiteral(" AND ") + freeFor,
                                       {userNumber, id, visitKey, userNumber}, f))
                    return false;
                count = query.numRowsAffected();
                return true;
            },
            failure))
        return SequenceOutcome::failed(prefix, failure);
    return count > 0 ? SequenceOutcome()
                     : whyRefused(id, visitKey, SequenceOutcome::removedFromQueue(), prefix);
}

bool ServerStore::insertVisit(const clsQuorvel &entry, const QString &removeFirst,
                              const QVariantList &removeValues, bool &removed, Failure &failure)
{
    QVariantList values;
    if (!VisitColumns::newRow(entry, values, failure))
        return false;
    values.removeLast(); // the desk is the queue row's own, whatever the entry says
    // The queue row goes and the history row comes in one statement: a sign-out retried after
    // the first one committed finds no row to move and writes nothing.
    QSqlQuery query;
    if (!m_connection.exec(
            query,
            QStringLiteral("WITH gone AS (DELETE FROM queue WHERE ") + removeFirst +
                QStringLiteral(" RETURNING id, desk, visitKey) INSERT INTO history (firstName, "
                               "lastName, serviceRequested, timeOut, servicedBy, lobbyTimeIn, "
                               "lobbyDateIn, timeServiced, serviceTime, desk, visitKey) SELECT ?, "
                               "?, ?, ?, ?, ?, ?, ?, ?, desk, visitKey FROM gone RETURNING id"),
            removeValues + values, failure))
        return false;
    removed = query.next();
    return true;
}

SequenceOutcome ServerStore::signOutCustomer(clsQuorvel &entry, int id)
{
    const QString prefix = QStringLiteral("Error.  [completeService]: ");
    entry.lobbystatus = 3;
    entry.Timeout =
        LooseTime::fromText(TextForms::screenTime12Seconds(m_context.clock().timeOfDay()));
    bool removed = false;
    Failure failure;
    const bool retried = !entry.visitKey.isEmpty() && m_signOutInDoubt == entry.visitKey;
    m_signOutInDoubt.clear();
    if (!change(
            [&](Failure &f) {
                return insertVisit(entry, thisVisit + QStringLiteral(" AND ") + freeFor,
                                   {id, entry.visitKey, entry.repID}, removed, f);
            },
            failure)) {
        if (m_unreachable)
            m_signOutInDoubt = entry.visitKey;
        return SequenceOutcome::failed(prefix, failure);
    }
    if (removed)
        return {};
    // The first attempt committed but its reply was lost: the visit is in history already,
    // which is what the desk asked for.
    bool signedOutHere = false;
    if (retried &&
        !read(QStringLiteral("SELECT 1 FROM history WHERE visitKey = ? AND servicedBy = ?"),
              {entry.visitKey, entry.repID}, [&](QSqlQuery &) { signedOutHere = true; }, failure))
        return SequenceOutcome::failed(prefix, failure);
    if (signedOutHere)
        return {};
    SequenceOutcome refused =
        whyRefused(id, entry.visitKey, SequenceOutcome::removedBeforeSignOut(), prefix);
    if (refused.kind == SequenceOutcome::Kind::TakenByOther)
        refused.title = QStringLiteral("Customer Sign Out");
    return refused;
}

SequenceOutcome ServerStore::readQueueEntry(int id, const QString &visitKey, clsQuorvel &entry)
{
    bool found = false;
    Failure failure;
    if (!read(
            queueColumns + QStringLiteral("WHERE ") + thisVisit, {id, visitKey},
            [&](QSqlQuery &query) {
                found = true;
                fillEntry(query, entry);
            },
            failure))
        return SequenceOutcome::failed(QStringLiteral("XML error.  [loadLobbyEntry]:  "), failure);
    return found ? SequenceOutcome() : SequenceOutcome::removedFromQueue();
}

SequenceOutcome ServerStore::removeWaitingCustomer(int id, const QString &visitKey)
{
    const QString prefix = QStringLiteral("Error:  [deleteQueueEntry]: ");
    int count = 0;
    Failure failure;
    if (!change(
            [&](Failure &f) {
                QSqlQuery query;
                if (!m_connection.exec(query,
                                       QStringLiteral("DELETE FROM queue WHERE ") + thisVisit +
                                           QStringLiteral(" AND lobbyStatus = 0"),
                                       {id, visitKey}, f))
                    return false;
                count = query.numRowsAffected();
                return true;
            },
            failure))
        return SequenceOutcome::failed(prefix, failure);
    if (count > 0)
        return {};
    const SequenceOutcome gone{SequenceOutcome::Kind::Removed, {}, {}, Prompter::Icon::Information};
    const SequenceOutcome why = whyRefused(id, visitKey, gone, prefix);
    return why.kind == SequenceOutcome::Kind::TakenByOther ? SequenceOutcome::inServiceNow() : why;
}

SequenceOutcome ServerStore::correctQueueEntry(clsQuorvel &entry, int id, const SeenEntry &seen,
                                               bool signOut)
{
    const QString prefix = QStringLiteral("XML error.  [updateLobbyEntry]: ");
    // Only while the entry still has the status and representative the reception saw. A
    // waiting entry has no representative, whatever number a desk that gave it back left.
    const QString asSeen = thisVisit + QStringLiteral(" AND lobbyStatus = ? AND CASE WHEN "
                                                      "lobbyStatus = 1 THEN COALESCE(userId, 0) "
                                                      "ELSE 0 END = ?");
    const QVariantList seenValues = {id, seen.visitKey, int(seen.lobbystatus),
                                     seen.lobbystatus == 1 ? seen.repID : 0};
    bool written = false;
    Failure failure;
    if (!change(
            [&](Failure &f) {
                if (signOut)
                    return insertVisit(entry, asSeen, seenValues, written, f);
                QSqlQuery query;
                if (!m_connection.exec(
                        query,
                        QStringLiteral("UPDATE queue SET firstName = ?, lastName = ?, "
                                       "lobbyStatus = ?, service = ?, userId = ?, timeIn = ?, "
                                       "dateIn = ?, timeSeen = ?, desk = CASE WHEN "
                                       "?::smallint = 1 THEN desk END WHERE ") +
                            asSeen,
                        QVariantList{entry.firstName, entry.lastName, int(entry.lobbystatus),
                                     entry.service, entry.repID, entry.Timein, entry.dateIn,
                                     seenValue(entry.timeSeen), int(entry.lobbystatus)} +
                            seenValues,
                        f))
                    return false;
                written = query.numRowsAffected() > 0;
                return true;
            },
            failure))
        return SequenceOutcome::failed(prefix, failure);
    if (written)
        return {};
    const SequenceOutcome why =
        whyRefused(id, seen.visitKey, SequenceOutcome::removedFromQueue(), prefix);
    return why.kind == SequenceOutcome::Kind::TakenByOther ? SequenceOutcome::changedElsewhere()
                                                           : why;
}

bool ServerStore::completeService(clsQuorvel &entry, int id)
{
    bool removed = false;
    Failure failure;
    if (!change(
            [&](Failure &f) {
                return insertVisit(entry, thisVisit, {id, entry.visitKey}, removed, f);
            },
            failure)) {
        report(QStringLiteral("Error.  [completeService]: "), failure);
        return false;
    }
    if (!removed) {
        report(QStringLiteral("Error.  [completeService]: "),
               {FailureNumber::NoCurrentRecord,
                QStringLiteral("The customer is no longer in the lobby queue.")});
        return false;
    }
    return true;
}

bool ServerStore::loadHistoryData(int id, clsQuorvel &entry)
{
    const QString prefix = QStringLiteral("Error loading history data.  [loadHistoryData]: ");
    Failure failure;
    QVariantList columns;
    if (!read(
            QStringLiteral("SELECT firstName, lastName, serviceRequested, lobbyTimeIn, "
                           "lobbyDateIn, servicedBy, timeOut, timeServiced FROM history "
                           "WHERE id = ?"),
            {id},
            [&](QSqlQuery &query) {
                for (int i = 0; i < 8; ++i)
                    columns << query.value(i);
            },
            failure)) {
        report(prefix, failure);
        return false;
    }
    if (columns.isEmpty())
        return true;
    if (!VisitColumns::readRow(columns, entry, failure)) {
        report(prefix, failure);
        return false;
    }
    return true;
}

bool ServerStore::updateHistoryRecord(int id, const clsQuorvel &entry)
{
    const QString prefix =
        QStringLiteral("Error updating history database.  [updateHistoryRecord]: ");
    Failure failure;
    QVariantList values;
    if (!VisitColumns::correction(entry, values, failure) ||
        !changeRows(QStringLiteral("UPDATE history SET firstName = ?, lastName = ?, "
                                   "serviceRequested = ?, lobbyTimeIn = ?, lobbyDateIn = ?, "
                                   "timeOut = ?, timeServiced = ?, servicedBy = ? WHERE id = ?"),
                    values + QVariantList{id}, QString(), failure)) {
        report(prefix, failure);
        return false;
    }
    return true;
}

HistoryRows ServerStore::historyOfDay(const QDate &day, int servicedBy, Failure &failure)
{
    HistoryRows rows;
    const auto add = [&rows](QSqlQuery &query) { rows.append(historyRowFrom(query)); };
    if (servicedBy == 0)
        read(historyRowSelect() + QStringLiteral("WHERE lobbyDateIn = ? ORDER BY lobbyTimeIn, id"),
             {dbValue(day)}, add, failure);
    else
        read(
            historyRowSelect() +
                QStringLiteral("WHERE servicedBy = ? AND lobbyDateIn = ? ORDER BY lobbyTimeIn, id"),
            {servicedBy, dbValue(day)}, add, failure);
    return rows;
}

bool ServerStore::historyRecord(int id, HistoryRow &row, bool &found, Failure &failure)
{
    found = false;
    return read(
        historyRowSelect() + QStringLiteral("WHERE id = ?"), {id},
        [&](QSqlQuery &query) {
            found = true;
            row = historyRowFrom(query);
        },
        failure);
}

HistoryRows ServerStore::historySince(const QDate &firstDay, Failure &failure)
{
    HistoryRows rows;
    read(
        historyRowSelect() + QStringLiteral("WHERE lobbyDateIn >= ?"), {dbValue(firstDay)},
        [&rows](QSqlQuery &query) { rows.append(historyRowFrom(query)); }, failure);
    return rows;
}

bool ServerStore::historyFile(QString &path, Failure &failure)
{
    path =
        QDir(QDir::tempPath())
            .filePath(
                QStringLiteral("quorvel-history-%1.mdb").arg(QCoreApplication::applicationPid()));
    QFile::remove(path);
    QString error;
    if (!connect(failure))
        return false;
    if (!StoreMigration::historyToFile(m_connection, path, error)) {
        failure = {FailureNumber::ServerCall, error};
        return false;
    }
    return true;
}

bool ServerStore::archiveHistory(bool toFile, QString &archivePath, Failure &failure)
{
    const QDateTime now = m_context.clock().now();
    if (toFile)
        return archiveToFile(now, archivePath, failure);
    const QString table =
        QStringLiteral("history_archive_") + now.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    archivePath = table;
    // The table name is ours, made from the clock: no value of anyone's is spliced in.
    return change(
        [&](Failure &f) {
            QSqlQuery query;
            return m_connection.exec(
                       query, QStringLiteral("CREATE TABLE %1 AS SELECT * FROM history").arg(table),
                       {}, f) &&
                   m_connection.exec(query, QStringLiteral("DELETE FROM history"), {}, f);
        },
        failure);
}

bool ServerStore::archiveToFile(const QDateTime &now, QString &archivePath, Failure &failure)
{
    archivePath =
        QDir(m_context.params.archiveFolder()).filePath(HistoryArchive::archiveFileName(now));
    bool written = false;
    if (change(
            [&](Failure &f) {
                QString error;
                written = StoreMigration::moveHistoryToFile(m_connection, archivePath, error);
                if (!written)
                    f = {FailureNumber::PathAccess, error};
                return written;
            },
            failure))
        return true;
    if (!written)
        return false;
    if (m_connection.isOpen()) {
        // The rows stay on the server: the file would only repeat them.
        QFile::remove(archivePath);
        return false;
    }
    // The server went away before it said whether the rows left: keep both rather than lose one.
    failure.description = QStringLiteral("The server went away before it confirmed; the archive "
                                         "%1 was kept, and its visits may still be on the "
                                         "server as well: ")
                              .arg(archivePath) +
                          failure.description;
    return false;
}

bool ServerStore::activeUsers(QList<Directory::User> &users, Failure &failure)
{
    users.clear();
    const bool ok = read(
        userColumns + QStringLiteral("WHERE status = 1"), {},
        [&](QSqlQuery &query) { users.append(userFrom(query)); }, failure);
    Directory::sortForPeople(users);
    return ok;
}

bool ServerStore::allUsers(QList<Directory::User> &users, Failure &failure)
{
    users.clear();
    return read(
        userColumns + QStringLiteral("ORDER BY userNumber"), {},
        [&](QSqlQuery &query) { users.append(userFrom(query)); }, failure);
}

bool ServerStore::userByName(const QString &username, Directory::User &user, bool &found,
                             Failure &failure)
{
    found = false;
    return read(
        userColumns + QStringLiteral("WHERE username = ? ORDER BY userNumber LIMIT 1"), {username},
        [&](QSqlQuery &query) {
            found = true;
            user = userFrom(query);
        },
        failure);
}

bool ServerStore::userByNumber(int userNumber, Directory::User &user, bool &found, Failure &failure)
{
    found = false;
    return read(
        userColumns + QStringLiteral("WHERE userNumber = ?"), {userNumber},
        [&](QSqlQuery &query) {
            found = true;
            user = userFrom(query);
        },
        failure);
}

bool ServerStore::addUser(const Directory::User &user, int &userNumber, Failure &failure)
{
    const QStringList names = Directory::storedNames(user);
    return Directory::namesGiven(names, failure) &&
           change(
               [&](Failure &f) {
                   QSqlQuery query;
                   if (!m_connection.exec(
                           query,
                           QStringLiteral("INSERT INTO users (firstName, lastName, "
                                          "department, username, status) VALUES (?, ?, "
                                          "'', ?, ?) RETURNING userNumber"),
                           {names[0], names[1], names[2], user.status}, f) ||
                       !query.next())
                       return false;
                   userNumber = query.value(0).toInt();
                   return true;
               },
               failure);
}

bool ServerStore::modifyUser(const Directory::User &seen, const Directory::User &user,
                             Failure &failure)
{
    const QStringList names = Directory::storedNames(user);
    return Directory::namesGiven(names, failure) &&
           guardedChange(
               userColumns + QStringLiteral("WHERE userNumber = ?"), {user.userNumber},
               [&seen](const QSqlQuery &row) { return userFrom(row).sameNames(seen); },
               QStringLiteral("UPDATE users SET firstName = ?, lastName = ?, username = ? "
                              "WHERE userNumber = ?"),
               {names[0], names[1], names[2], user.userNumber}, Directory::userGone(), failure);
}

bool ServerStore::setUserStatus(int userNumber, int status, Failure &failure)
{
    return changeRows(QStringLiteral("UPDATE users SET status = ? WHERE userNumber = ?"),
                      {status, userNumber}, Directory::userGone(), failure);
}

bool ServerStore::deleteUser(int userNumber, Failure &failure)
{
    return changeRows(QStringLiteral("DELETE FROM users WHERE userNumber = ?"), {userNumber},
                      QString(), failure);
}

bool ServerStore::activeServices(QList<Directory::Service> &services, Failure &failure)
{
    services.clear();
    const bool ok = read(
        QStringLiteral("SELECT id, serviceName FROM services WHERE status = 1"), {},
        [&](QSqlQuery &query) {
            services.append({query.value(0).toInt(), query.value(1).toString()});
        },
        failure);
    Directory::sortForPeople(services);
    return ok;
}

bool ServerStore::addService(const QString &serviceName, int &id, Failure &failure)
{
    const QString name = Directory::storedName(serviceName);
    return Directory::namesGiven({name}, failure) &&
           change(
               [&](Failure &f) {
                   QSqlQuery query;
                   if (!m_connection.exec(
                           query,
                           QStringLiteral("INSERT INTO services (serviceName, status) "
                                          "VALUES (?, 1) RETURNING id"),
                           {name}, f) ||
                       !query.next())
                       return false;
                   id = query.value(0).toInt();
                   return true;
               },
               failure);
}

bool ServerStore::renameService(int id, const QString &serviceName, Failure &failure)
{
    const QString name = Directory::storedName(serviceName);
    return Directory::namesGiven({name}, failure) &&
           changeRows(QStringLiteral("UPDATE services SET serviceName = ? WHERE id = ?"),
                      {name, id}, Directory::serviceGone(), failure);
}

bool ServerStore::deleteService(int id, Failure &failure)
{
    return changeRows(QStringLiteral("DELETE FROM services WHERE id = ?"), {id}, QString(),
                      failure);
}

bool ServerStore::eventsOfDay(qint32 userNumber, const QDate &day, QList<CalendarEvent> &events,
                              Failure &failure)
{
    events.clear();
    return read(
        eventColumns + QStringLiteral("WHERE userNumber = ? AND eventDate = ? ORDER BY eventTime"),
        {userNumber, dbValue(day)}, [&](QSqlQuery &query) { events.append(eventFrom(query)); },
        failure);
}

bool ServerStore::eventRecord(qint32 eventID, CalendarEvent &event, bool &found, Failure &failure)
{
    found = false;
    return read(
        eventColumns + QStringLiteral("WHERE eventID = ?"), {eventID},
        [&](QSqlQuery &query) {
            found = true;
            event = eventFrom(query);
        },
        failure);
}

bool ServerStore::addEvent(const CalendarEvent &event, qint32 &eventID, Failure &failure)
{
    return change(
        [&](Failure &f) {
            QSqlQuery query;
            if (!m_connection.exec(query,
                                   QStringLiteral("INSERT INTO events (userNumber, eventDate, "
                                                  "eventTime, event, eventAlarm) VALUES (?, ?, ?, "
                                                  "?, 0) RETURNING eventID"),
                                   {event.userNumber, dbValue(event.eventDate),
                                    dbValue(event.eventTime), storableText(event.event)},
                                   f) ||
                !query.next())
                return false;
            eventID = query.value(0).toInt();
            return true;
        },
        failure);
}

bool ServerStore::reviseEvent(const CalendarEvent &seen, const CalendarEvent &event, bool &found,
                              Failure &failure)
{
    found = true;
    if (guardedChange(
            eventColumns + QStringLiteral("WHERE eventID = ?"), {event.eventID},
            [&seen](const QSqlQuery &row) { return eventFrom(row).sameAs(seen); },
            QStringLiteral("UPDATE events SET eventDate = ?, eventTime = ?, event = ? "
                           "WHERE eventID = ?"),
            {dbValue(event.eventDate), dbValue(event.eventTime), storableText(event.event),
             event.eventID},
            QStringLiteral("The event is no longer in the calendar."), failure))
        return true;
    found = failure.number != FailureNumber::NoCurrentRecord;
    return !found;
}

bool ServerStore::removeEvent(qint32 eventID, Failure &failure)
{
    return changeRows(QStringLiteral("DELETE FROM events WHERE eventID = ?"), {eventID}, nullptr,
                      failure);
}

bool ServerStore::checkReachable(ProgramKind kind)
{
    Failure failure;
    bool schema = false;
    if (read(
            QStringLiteral("SELECT count(*) FROM schema_version"), {},
            [&](QSqlQuery &) { schema = true; }, failure) &&
        schema)
        return true;
    const QString fatal =
        (kind == ProgramKind::Reception
             ? QStringLiteral("Quorvel could not find one or more of the required database "
                              "files.  ")
             : QStringLiteral("Quorvel could not locate one or more of the required database "
                              "files.  ")) +
        QLatin1Char('\r') + QStringLiteral("Server:  ") + m_context.params.serverConnection +
        QLatin1Char('\r') + failure.description;
    m_context.prompter().message(fatal, QStringLiteral("Error"), Prompter::Icon::Critical);
    m_context.programEnd().endProgram(1);
    return false;
}

bool ServerStore::checkChanged(ChangeMark &mark, bool quiet)
{
    Q_UNUSED(quiet);
    // The slow poll's safety net: the count moves at every commit, heard or not.
    Failure failure;
    qint64 count = -1;
    read(
        QStringLiteral("SELECT last_value + CASE WHEN is_called THEN 0 ELSE -1 END FROM "
                       "change_count"),
        {}, [&](QSqlQuery &query) { count = query.value(0).toLongLong(); }, failure);
    const qint64 stamp = (count << 20) + m_heard;
    const bool changed = !mark.valid || stamp != mark.stamp || count < 0;
    mark = {stamp, count >= 0};
    return changed;
}
