#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

/// One row of a queue list, as the windows render it.
struct QueueRow
{
    int id = 0;
    QString visitKey; // empty for a record from before visits had keys
    QString firstName;
    QString lastName;
    QString service;
    QDate dateIn;
    QTime timeIn;
    int userId = 0;       // in-service rows: the representative
    QString repName;      // in-service rows: the representative's display name
    QTime timeSeen;       // in-service rows: when taken; invalid when the record holds none
    QString desk;         // in-service rows: where the customer was called to; empty for none
    bool overdue = false; // waiting rows: waited at least the limit

    QString text() const { return firstName + QLatin1Char(' ') + lastName; }
    QString timeInText() const; // "hh:mm am/pm"
    QString dateInText() const; // "mm/dd/yy"
};

/// What one queue load found: the waiting rows, the in-service rows (when asked for) and counts.
struct QueueListing
{
    QList<QueueRow> waiting;
    QList<QueueRow> inService;
    int waitingCount = 0;
    int overdueCount = 0;
};

/// Whether a customer checked in at `timeIn` has waited at least `maxLimit` minutes at `now`
/// (minute boundaries of the time of day only, as the lists have always counted).
bool isOverdue(const QTime &timeIn, const QTime &now, double maxLimit);

/// Re-marks the waiting rows against `now` (the quiet poll) and recounts `overdueCount`.
/// Returns true when any mark changed.
bool refreshOverdueMarks(QueueListing &listing, const QTime &now, double maxLimit);
