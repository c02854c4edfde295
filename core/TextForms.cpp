#include "TextForms.h"

#include <QLocale>
#include <QRegularExpression>

namespace TextForms {

namespace {
// The C locale gives "AM"/"PM" whatever the workstation's language.
const QLocale &c()
{
    static const QLocale locale = QLocale::c();
    return locale;
}
} // namespace

QString queueDate(const QDate &date)
{
    return date.isValid() ? c().toString(date, QStringLiteral("M/d/yyyy")) : QString();
}

QString queueTime(const QTime &time)
{
    return time.isValid() ? c().toString(time, QStringLiteral("h:mm:ss AP")) : QString();
}

QDate parseQueueDate(const QString &text)
{
    return parseScreenDate(text);
}

QTime parseQueueTime(const QString &text)
{
    return parseLooseTime(text);
}

QString logStamp(const QDateTime &moment)
{
    return queueDate(moment.date()) + QLatin1Char(' ') + queueTime(moment.time());
}

QString screenDate(const QDate &date)
{
    return date.isValid() ? c().toString(date, QStringLiteral("MM/dd/yyyy")) : QString();
}

QString screenShortDate(const QDate &date)
{
    return date.isValid() ? c().toString(date, QStringLiteral("MM/dd/yy")) : QString();
}

QString screenTime12(const QTime &time)
{
    return time.isValid() ? c().toString(time, QStringLiteral("hh:mm ap")) : QString();
}

QString screenTime12Seconds(const QTime &time)
{
    return time.isValid() ? c().toString(time, QStringLiteral("hh:mm:ss ap")) : QString();
}

QString screenTime24(const QTime &time)
{
    return time.isValid() ? c().toString(time, QStringLiteral("HH:mm:ss")) : QString();
}

QString screenTimeShort(const QTime &time)
{
    return time.isValid() ? c().toString(time, QStringLiteral("HH:mm")) : QString();
}

QDate parseScreenDate(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4}|\\d{2})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 30 ? 2000 : 1900; // the usual two-digit-year window
    return QDate(year, m.captured(1).toInt(), m.captured(2).toInt());
}

QTime parseLooseTime(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*([AaPp][Mm])?\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    int hour = m.captured(1).toInt();
    const int minute = m.captured(2).toInt();
    const int second = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString meridiem = m.captured(4).toUpper();
    if (!meridiem.isEmpty()) {
        if (hour < 1 || hour > 12)
            return {};
        if (meridiem == QLatin1String("AM") && hour == 12)
            hour = 0;
        else if (meridiem == QLatin1String("PM") && hour != 12)
            hour += 12;
    }
    return QTime(hour, minute, second); // invalid for 25:00 or 10:61
}

QString dbDate(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString dbTime(const QTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : QString();
}

QDate parseDbDate(const QString &text)
{
    return QDate::fromString(text.left(10), Qt::ISODate);
}

QTime parseDbTime(const QString &text)
{
    return parseLooseTime(text);
}

int minuteBoundaries(const QTime &from, const QTime &to)
{
    return (to.hour() * 60 + to.minute()) - (from.hour() * 60 + from.minute());
}

int minutesServed(const QTime &taken, const QTime &signedOut)
{
    const int minutes = minuteBoundaries(taken, signedOut);
    return minutes < 0 ? minutes + 24 * 60 : minutes;
}

} // namespace TextForms
