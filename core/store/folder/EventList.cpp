#include "EventList.h"

#include "Database.h"
#include "GuardedChange.h"
#include "StorableText.h"
#include "TextForms.h"

#include <QSqlError>
#include <QVariant>

namespace {
const QString eventColumns =
    QStringLiteral("SELECT eventID, userNumber, eventDate, eventTime, event FROM events ");

CalendarEvent eventFrom(const QSqlQuery &row)
{
    return {row.value(0).toInt(), row.value(1).toInt(),
            TextForms::parseDbDate(row.value(2).toString()),
            TextForms::parseDbTime(row.value(3).toString()), row.value(4).toString()};
}

bool readEvents(const QString &systemPath, const QString &where, const QVariantList &values,
                QList<CalendarEvent> &events, Failure &failure)
{
    Database db(systemPath, Database::Mode::ReadOnly);
    QSqlQuery query;
    if (!db.open() || !db.exec(query, eventColumns + where, values)) {
        failure = db.failure();
        return false;
    }
    while (query.next())
        events.append(eventFrom(query));
    if (query.lastError().isValid()) {
        db.setFailureFrom(query);
        failure = db.failure();
        return false;
    }
    return true;
}

/// Runs a change of one event; `changed` tells whether its row was there to change.
bool changeEvent(const QString &systemPath, const QString &statement, const QVariantList &values,
                 bool &changed, Failure &failure)
{
    Database db(systemPath);
    QSqlQuery query;
    if (!db.open() || !db.exec(query, statement, values)) {
        failure = db.failure();
        return false;
    }
    changed = query.numRowsAffected() > 0;
    return true;
}
} // namespace

bool eventsOfDay(const QString &systemPath, qint32 userNumber, const QDate &day,
                 QList<CalendarEvent> &events, Failure &failure)
{
    // The id keeps events of the same minute in the order they were added.
    return readEvents(systemPath,
                      QStringLiteral("WHERE userNumber = ? AND eventDate = ? "
                                     "ORDER BY eventTime, eventID"),
                      {userNumber, dbValue(day)}, events, failure);
}

bool eventRecord(const QString &systemPath, qint32 eventID, CalendarEvent &event, bool &found,
                 Failure &failure)
{
    QList<CalendarEvent> events;
    if (!readEvents(systemPath, QStringLiteral("WHERE eventID = ?"), {eventID}, events, failure))
        return false;
    found = !events.isEmpty();
    if (found)
        event = events.first();
    return true;
}

bool addEvent(const QString &systemPath, const CalendarEvent &event, qint32 &eventID,
              Failure &failure)
{
    Database db(systemPath);
    QSqlQuery query;
    if (!db.open() ||
        !db.exec(query,
                 QStringLiteral("INSERT INTO events (userNumber, eventDate, eventTime, event, "
                                "eventAlarm) VALUES (?, ?, ?, ?, 0)"),
                 {event.userNumber, dbValue(event.eventDate), dbValue(event.eventTime),
                  storableText(event.event)})) {
        failure = db.failure();
        return false;
    }
    eventID = query.lastInsertId().toInt();
    return true;
}

bool reviseEvent(const QString &systemPath, const CalendarEvent &seen, const CalendarEvent &event,
                 bool &found, Failure &failure)
{
    const GuardedChange change{
        eventColumns + QStringLiteral("WHERE eventID = ?"),
        {event.eventID},
        [&seen](const QSqlQuery &row) {
            const CalendarEvent now = eventFrom(row);
            return now.eventDate == seen.eventDate && now.eventTime == seen.eventTime &&
                   now.event == seen.event;
        },
        QStringLiteral("UPDATE events SET eventDate = ?, eventTime = ?, event = ? "
                       "WHERE eventID = ?"),
        {dbValue(event.eventDate), dbValue(event.eventTime), storableText(event.event),
         event.eventID}};
    found = true;
    if (change.run(systemPath, QStringLiteral("The event is no longer in the calendar."), failure))
        return true;
    found = failure.number != FailureNumber::NoCurrentRecord;
    return !found;
}

bool removeEvent(const QString &systemPath, qint32 eventID, Failure &failure)
{
    bool removed = false;
    return changeEvent(systemPath, QStringLiteral("DELETE FROM events WHERE eventID = ?"),
                       {eventID}, removed, failure);
}
