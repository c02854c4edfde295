#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

/// Every fixed text form of dates and times, in one place. The queue file and the log use the
/// US forms (12/6/2026, 2:05:09 PM); the screens use the two-digit patterns below; the databases
/// store ISO dates and 24-hour times.
namespace TextForms {

// Queue file
QString queueDate(const QDate &date);      // M/d/yyyy
QString queueTime(const QTime &time);      // h:mm:ss AP
QDate parseQueueDate(const QString &text); // invalid when it does not read as a date
QTime parseQueueTime(const QString &text); // invalid when it does not read as a time
// The same, from the UTF-8 a parser gives, without making text of it
QDate parseQueueDateUtf8(QByteArrayView utf8);
QTime parseQueueTimeUtf8(QByteArrayView utf8);

// Log line stamp: M/d/yyyy h:mm:ss AP
QString logStamp(const QDateTime &moment);

// Screens
QString screenDate(const QDate &date);          // "mm/dd/yyyy": 12/06/2026
QString screenShortDate(const QDate &date);     // "mm/dd/yy": 12/06/26
QString screenTime12(const QTime &time);        // "hh:mm am/pm": 02:05 pm
QString screenTime12Seconds(const QTime &time); // "hh:mm:ss am/pm": 02:05:09 pm
QString screenTime24(const QTime &time);        // "hh:mm:ss": 14:05:09
QString screenTimeShort(const QTime &time);     // "hh:mm": 14:05

/// A month/day/year date as typed (1 or 2 digits for month and day, 2 or 4 for the year). Also
/// reads the text of a masked date entry ("##/##/####"): one left partly blank is invalid.
QDate parseScreenDate(const QString &text);

/// Any time form the system writes or a user types: "14:05", "14:05:09", "2:05 PM",
/// "02:05:09 pm", "2:05:09PM", and the text of a masked time entry ("##:##:##"). Invalid when it
/// does not read as a time of day (a partly blank masked text does not).
QTime parseLooseTime(const QString &text);

// Databases
QString dbDate(const QDate &date); // yyyy-MM-dd
QString dbTime(const QTime &time); // HH:mm:ss
QDate parseDbDate(const QString &text);
QTime parseDbTime(const QString &text);
QDate parseDbDateUtf8(QByteArrayView utf8); // as SQLite gives it
QTime parseDbTimeUtf8(QByteArrayView utf8);

/// Minute boundaries passed from one time of day to another: seconds dropped from both before
/// subtracting, so 10:00:59 to 10:01:00 is 1, and negative when `to` is earlier in the day.
int minuteBoundaries(const QTime &from, const QTime &to);

/// The minutes a service took, from taken to signed out, counted as `minuteBoundaries`; a visit
/// that crosses midnight counts on into the next day (23:58:00 to 00:03:00 is 5).
int minutesServed(const QTime &taken, const QTime &signedOut);

} // namespace TextForms
