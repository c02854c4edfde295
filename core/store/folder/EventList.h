#pragma once

#include "CalendarEvent.h"
#include "Failure.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

/// The events of `userNumber` on `day`, ordered by time. False with `failure` set on failure.
bool eventsOfDay(const QString &systemPath, qint32 userNumber, const QDate &day,
                 QList<CalendarEvent> &events, Failure &failure);

/// The event `eventID`; `found` false when there is none.
bool eventRecord(const QString &systemPath, qint32 eventID, CalendarEvent &event, bool &found,
                 Failure &failure);

/// Adds `event` for its `userNumber` (its alarm off); `eventID` is the new id.
bool addEvent(const QString &systemPath, const CalendarEvent &event, qint32 &eventID,
              Failure &failure);

/// Rewrites the date, time and message of `event.eventID` while the row still holds those of
/// `seen` (as the dialog read them). `found` false when the row no longer exists (another desk
/// removed it); `changedElsewhere()` when another desk changed it; in both cases nothing is
/// written.
bool reviseEvent(const QString &systemPath, const CalendarEvent &seen, const CalendarEvent &event,
                 bool &found, Failure &failure);

/// Removes the event `eventID`; an event already gone is no failure.
bool removeEvent(const QString &systemPath, qint32 eventID, Failure &failure);
