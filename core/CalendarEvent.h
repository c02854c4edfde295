#pragma once

#include <QDate>
#include <QString>
#include <QTime>

/// One row of `events`: a representative's own appointment or reminder.
struct CalendarEvent
{
    qint32 eventID = 0;
    qint32 userNumber = 0;
    QDate eventDate;
    QTime eventTime;
    QString event;

    /// The same appointment as `other` says: day, time and text.
    bool sameAs(const CalendarEvent &other) const
    {
        return eventDate == other.eventDate && eventTime == other.eventTime && event == other.event;
    }
};
