// The history operations of the lobby entry object: completing a visit, and loading and
// correcting one history row.
#include "FolderStore.h"

#include "CoreContext.h"
#include "Database.h"
#include "Failure.h"
#include "HistoryColumns.h"
#include "LockedSection.h"
#include "QueueDocument.h"
#include "VisitColumns.h"
#include "clsQuorvel.h"

#include <QVariant>

namespace {
QString errorTitle(const Failure &failure)
{
    return QStringLiteral("Error %1").arg(failure.number);
}

/// Whether the visit is still in the queue file, with its key (empty for a record from before
/// keys); false with `failure` set when it is not there (or the id has passed to another
/// customer since `expectedKey` was read) or the file cannot be read.
bool inQueue(const QString &queuePath, int recordNumber, const QString &expectedKey,
             QString &recordKey, Failure &failure)
{
    QueueDocument doc;
    if (doc.load(queuePath) != QueueDocument::LoadState::Loaded) {
        failure = doc.loadFailure();
        return false;
    }
    pugi::xml_node match;
    if (!doc.findById(recordNumber, match, failure))
        return false;
    recordKey = QueueDocument::visitKey(match);
    if (!match || (!expectedKey.isEmpty() && recordKey != expectedKey)) {
        failure = {FailureNumber::NoCurrentRecord,
                   QStringLiteral("The customer is no longer in the lobby queue.")};
        return false;
    }
    return true;
}

/// Writes the visit's history row, unless an earlier sign-out of the same visit, interrupted
/// before the entry left the queue, has written it already (`recorded` then says so). The visit
/// is known by its key (the last of `values`); a record from before keys by its names, service,
/// date and time in, representative and time seen.
bool recordVisit(const QString &historyPath, const QVariantList &values, int &rowId, bool &recorded,
                 Failure &failure)
{
    if (!HistoryColumns::addMissing(historyPath, failure))
        return false;
    Database db(historyPath);
    if (!db.open()) {
        failure = db.failure();
        return false;
    }
    const QVariant &key = values.last();
    QSqlQuery earlier = db.prepare(
        key.isNull()
            ? QStringLiteral("SELECT id FROM history WHERE lobbyDateIn = ? AND lobbyTimeIn = ? "
                             "AND firstName = ? AND lastName = ? AND serviceRequested = ? AND "
                             "servicedBy = ? AND timeServiced IS ? AND visitKey IS NULL LIMIT 1")
            : QStringLiteral("SELECT id FROM history WHERE visitKey = ?"));
    if (key.isNull())
        for (int column : {6, 5, 0, 1, 2, 4, 7})
            earlier.addBindValue(values[column]);
    else
        earlier.addBindValue(key);
    if (db.failure().number != 0 || !db.exec(earlier)) {
        failure = db.failure();
        return false;
    }
    recorded = earlier.next();
    if (recorded) {
        rowId = earlier.value(0).toInt();
        return true;
    }
    QSqlQuery query = db.prepare(QStringLiteral(
        "INSERT INTO history (firstName, lastName, serviceRequested, timeOut, servicedBy, "
        "lobbyTimeIn, lobbyDateIn, timeServiced, serviceTime, desk, visitKey) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (db.failure().number != 0 || !db.exec(query)) {
        failure = db.failure();
        return false;
    }
    rowId = query.lastInsertId().toInt();
    return true;
}

bool deleteRow(const QString &historyPath, int rowId, Failure &failure)
{
    Database db(historyPath);
    if (!db.open() || !db.exec(QStringLiteral("DELETE FROM history WHERE id = ?"), {rowId})) {
        failure = db.failure();
        return false;
    }
    return true;
}

} // namespace

bool FolderStore::completeService(clsQuorvel &entry, int recordNumber)
{
    const QString prefix = QStringLiteral("Error.  [completeService]: ");
    Failure failure;
    QVariantList values;
    if (!VisitColumns::newRow(entry, values, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }

    // The row is written before the entry leaves the queue, both under one hold of the lock, so
    // the visit is never lost and a second completion of the same entry finds it gone. A visit
    // found in both places was left so by a crash in between: only the entry goes then.
    LockedSection section(m_context);
    int rowId = 0;
    bool recorded = false;
    QString recordKey;
    if (!section.acquire(failure) ||
        !inQueue(m_context.params.queuePath, recordNumber, entry.visitKey, recordKey, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    values.append(recordKey.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : recordKey);
    if (!recordVisit(m_context.params.historyPath, values, rowId, recorded, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    if (!removeEntry(recordNumber, recordKey)) {
        if (recorded) {
            failure = {FailureNumber::PathAccess,
                       QStringLiteral("The customer stays in the lobby queue.")};
            report(prefix, errorTitle(failure), failure);
            return false;
        }
        Failure undo;
        failure = deleteRow(m_context.params.historyPath, rowId, undo)
                      ? Failure{FailureNumber::PathAccess,
                                QStringLiteral("The customer stays in the lobby queue; no history "
                                               "row was kept.")}
                      : Failure{undo.number,
                                QStringLiteral("The customer stays in the lobby queue, but its "
                                               "history row %1 could not be taken out again: %2")
                                    .arg(rowId)
                                    .arg(undo.description)};
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    return true;
}

bool FolderStore::loadHistoryData(int recordNumber, clsQuorvel &entry)
{
    const QString prefix = QStringLiteral("Error loading history data.  [loadHistoryData]: ");
    Database db(m_context.params.historyPath, Database::Mode::ReadOnly);
    if (!db.open()) {
        report(prefix, errorTitle(db.failure()), db.failure());
        return false;
    }
    QSqlQuery query = db.prepare(
        QStringLiteral("SELECT firstName, lastName, serviceRequested, lobbyTimeIn, lobbyDateIn, "
                       "servicedBy, timeOut, timeServiced FROM history WHERE id = ?"));
    query.addBindValue(recordNumber);
    if (db.failure().number != 0 || !db.exec(query)) {
        report(prefix, errorTitle(db.failure()), db.failure());
        return false;
    }
    if (!query.next())
        return true;

    Failure failure;
    if (!VisitColumns::readRow({query.value(0), query.value(1), query.value(2), query.value(3),
                                query.value(4), query.value(5), query.value(6), query.value(7)},
                               entry, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    return true;
}

bool FolderStore::updateHistoryRecord(int recordNumber, const clsQuorvel &entry)
{
    const QString prefix =
        QStringLiteral("Error updating history database.  [updateHistoryRecord]: ");
    Failure failure;
    QVariantList values;
    if (!VisitColumns::correction(entry, values, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    {
        // The box waits until the connection, and the queue lock with it, is given up.
        Database db(m_context.params.historyPath);
        if (db.open() &&
            db.exec(QStringLiteral("UPDATE history SET firstName = ?, lastName = ?, "
                                   "serviceRequested = ?, lobbyTimeIn = ?, lobbyDateIn = ?, "
                                   "timeOut = ?, timeServiced = ?, servicedBy = ? WHERE id = ?"),
                    values + QVariantList{recordNumber}))
            return true;
        failure = db.failure();
    }
    report(prefix, errorTitle(failure), failure);
    return false;
}
