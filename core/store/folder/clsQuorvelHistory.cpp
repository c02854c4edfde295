// The history operations of the lobby entry object: completing a visit, and loading and
// correcting one history row.
#include "clsQuorvel.h"

#include "HistoryColumns.h"
#include "CoreContext.h"
#include "Database.h"
#include "Failure.h"
#include "LockedSection.h"
#include "QueueDocument.h"
#include "TextForms.h"

#include <QVariant>

namespace {
QString errorTitle(const Failure &failure)
{
    return QStringLiteral("Error %1").arg(failure.number);
}

Failure typeMismatch(const char *field, const QString &text)
{
    return {FailureNumber::TypeMismatch,
            QStringLiteral("Type mismatch: %1 holds \"%2\"").arg(QLatin1String(field), text)};
}

Failure invalidUseOfNull(const char *column)
{
    return {FailureNumber::InvalidUseOfNull,
            QStringLiteral("Invalid use of Null: %1 is empty").arg(QLatin1String(column))};
}

/// The time of day minutes are counted from: unset reads as midnight, null or text that is not
/// a time fails.
bool countingTime(const LooseTime &time, const char *field, QTime &value, Failure &failure)
{
    value = time.toTime();
    if (!value.isValid())
        failure = time.isNull() ? invalidUseOfNull(field) : typeMismatch(field, time.text());
    return value.isValid();
}

/// The bound value of a time column: NULL when no time is held; fails on text that is not a time.
bool columnValue(const LooseTime &time, const char *field, QVariant &value, Failure &failure)
{
    const QTime parsed = time.toTime();
    if (!time.isEmpty() && !parsed.isValid()) {
        failure = typeMismatch(field, time.text());
        return false;
    }
    value = dbValue(time.isEmpty() ? QTime() : parsed);
    return true;
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

/// A time column as the history object holds it: "hh:mm" text, or null.
bool shortTime(const QVariant &column, const char *name, LooseTime &value, Failure &failure)
{
    if (column.isNull()) {
        value = LooseTime::null();
        return true;
    }
    const QTime time = TextForms::parseDbTime(column.toString());
    if (!time.isValid()) {
        failure = typeMismatch(name, column.toString());
        return false;
    }
    value = LooseTime::fromText(TextForms::screenTimeShort(time));
    return true;
}
} // namespace

bool clsQuorvel::completeService(int recordNumber)
{
    const QString prefix = QStringLiteral("Error.  [completeService]: ");
    Failure failure;
    QTime taken, signedOut;
    QVariant takenValue, signedOutValue;
    if (!countingTime(timeSeen, "timeSeen", taken, failure) ||
        !countingTime(Timeout, "Timeout", signedOut, failure) ||
        !columnValue(timeSeen, "timeSeen", takenValue, failure) ||
        !columnValue(Timeout, "Timeout", signedOutValue, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    QVariantList values = {
        firstName,       lastName,   service,
        signedOutValue,  repID,      dbValue(Timein),
        dbValue(dateIn), takenValue, TextForms::minutesServed(taken, signedOut),
        desk.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(desk)};

    // The row is written before the entry leaves the queue, both under one hold of the lock, so
    // the visit is never lost and a second completion of the same entry finds it gone. A visit
    // found in both places was left so by a crash in between: only the entry goes then.
    LockedSection section(m_context);
    int rowId = 0;
    bool recorded = false;
    QString recordKey;
    if (!section.acquire(failure) ||
        !inQueue(m_context.params.queuePath, recordNumber, visitKey, recordKey, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    values.append(recordKey.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : recordKey);
    if (!recordVisit(m_context.params.historyPath, values, rowId, recorded, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    if (!removeCustomerFromLobby(recordNumber)) {
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

bool clsQuorvel::loadHistoryData(int recordNumber)
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

    // Fields are set in this order; a failure leaves those before it set.
    Failure failure;
    lobbystatus = 3;
    QString *const texts[] = {&firstName, &lastName, &service};
    const char *const textColumns[] = {"firstName", "lastName", "serviceRequested"};
    for (int i = 0; i < 3; ++i) {
        if (query.value(i).isNull()) {
            failure = invalidUseOfNull(textColumns[i]);
            report(prefix, errorTitle(failure), failure);
            return false;
        }
        *texts[i] = query.value(i).toString();
    }
    const QTime timeIn = TextForms::parseDbTime(query.value(3).toString());
    const QDate dateInValue = TextForms::parseDbDate(query.value(4).toString());
    if (!timeIn.isValid() || !dateInValue.isValid()) {
        failure = !timeIn.isValid() ? typeMismatch("lobbyTimeIn", query.value(3).toString())
                                    : typeMismatch("lobbyDateIn", query.value(4).toString());
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    Timein = timeIn;
    dateIn = dateInValue;
    timeSeen = LooseTime::null();
    Timeout = LooseTime::null();
    repID = query.value(5).toInt();
    if (!shortTime(query.value(6), "timeOut", Timeout, failure) ||
        !shortTime(query.value(7), "timeServiced", timeSeen, failure)) {
        report(prefix, errorTitle(failure), failure);
        return false;
    }
    return true;
}

bool clsQuorvel::updateHistoryRecord(int recordNumber)
{
    const QString prefix =
        QStringLiteral("Error updating history database.  [updateHistoryRecord]: ");
    Failure failure;
    QVariant signedOutValue, takenValue;
    if (!columnValue(Timeout, "Timeout", signedOutValue, failure) ||
        !columnValue(timeSeen, "timeSeen", takenValue, failure)) {
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
                    {firstName, lastName, service, dbValue(Timein), dbValue(dateIn), signedOutValue,
                     takenValue, repID, recordNumber}))
            return true;
        failure = db.failure();
    }
    report(prefix, errorTitle(failure), failure);
    return false;
}
