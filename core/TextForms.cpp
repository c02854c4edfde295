#include "TextForms.h"

#include <QLocale>

namespace TextForms {

namespace {
// The C locale gives "AM"/"PM" whatever the workstation's language.
const QLocale &c()
{
    static const QLocale locale = QLocale::c();
    return locale;
}
/// Reads the parts of a typed or stored date or time, in a QString or in ASCII bytes; a regular
/// expression per queue record would cost more than the rest of a listing.
template <typename Text> class TextScanner
{
public:
    explicit TextScanner(Text text) : m_text(text) {}

    qsizetype position() const { return m_at; }
    bool atEnd() const { return m_at == m_text.size(); }

    void skipBlanks()
    {
        while (!atEnd() && QChar(m_text.at(m_at)).isSpace())
            ++m_at;
    }

    bool take(char16_t c)
    {
        if (atEnd() || m_text.at(m_at) != c)
            return false;
        ++m_at;
        return true;
    }

    /// A number of `minDigits` to `maxDigits` ASCII digits; -1 when there is none.
    int number(int minDigits, int maxDigits)
    {
        int value = 0;
        int digits = 0;
        while (digits < maxDigits && !atEnd() && QChar(m_text.at(m_at)) >= u'0' &&
               QChar(m_text.at(m_at)) <= u'9') {
            value = value * 10 + (QChar(m_text.at(m_at)).unicode() - u'0');
            ++m_at;
            ++digits;
        }
        return digits >= minDigits ? value : -1;
    }

    /// 'A' or 'P' for "AM"/"PM" in any case; a null character when there is none.
    QChar meridiem()
    {
        if (m_at + 1 >= m_text.size() || QChar(m_text.at(m_at + 1)).toUpper() != u'M')
            return {};
        const QChar letter = QChar(m_text.at(m_at)).toUpper();
        if (letter != u'A' && letter != u'P')
            return {};
        m_at += 2;
        return letter;
    }

private:
    Text m_text;
    qsizetype m_at = 0;
};

template <typename Text> QDate screenDateIn(Text text)
{
    TextScanner<Text> scan(text);
    scan.skipBlanks();
    const int month = scan.number(1, 2);
    const bool slash1 = scan.take(u'/');
    const int day = scan.number(1, 2);
    const bool slash2 = scan.take(u'/');
    const qsizetype yearStart = scan.position();
    int year = scan.number(2, 4);
    const qsizetype yearDigits = scan.position() - yearStart;
    scan.skipBlanks();
    if (month < 0 || day < 0 || year < 0 || !slash1 || !slash2 || yearDigits == 3 || !scan.atEnd())
        return {};
    if (yearDigits == 2)
        year += year < 30 ? 2000 : 1900; // the usual two-digit-year window
    return QDate(year, month, day);
}

template <typename Text> QTime looseTimeIn(Text text)
{
    TextScanner<Text> scan(text);
    scan.skipBlanks();
    int hour = scan.number(1, 2);
    const bool colon = scan.take(u':');
    const int minute = scan.number(1, 2);
    int second = 0;
    if (scan.take(u':'))
        second = scan.number(1, 2);
    scan.skipBlanks();
    const QChar meridiem = scan.meridiem();
    scan.skipBlanks();
    if (hour < 0 || !colon || minute < 0 || second < 0 || !scan.atEnd())
        return {};
    if (meridiem != QChar()) {
        if (hour < 1 || hour > 12)
            return {};
        if (meridiem == u'A' && hour == 12)
            hour = 0;
        else if (meridiem == u'P' && hour != 12)
            hour += 12;
    }
    return QTime(hour, minute, second); // invalid for 25:00 or 10:61
}

/// Reads UTF-8 as it lies when it is all ASCII (as stored dates and times are), else as text.
template <typename Parsed>
Parsed readUtf8(QByteArrayView utf8, Parsed (*asText)(const QString &),
                Parsed (*asAscii)(QLatin1StringView))
{
    for (const char c : utf8)
        if (uchar(c) >= 0x80)
            return asText(QString::fromUtf8(utf8));
    return asAscii(QLatin1StringView(utf8));
}

int digit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

/// The number of `count` ASCII digits at `at`; -1 when any is not a digit.
int digitsAt(QByteArrayView text, qsizetype at, int count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        if (digit(text[i]) < 0)
            return -1;
        value = value * 10 + digit(text[i]);
    }
    return value;
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
    return screenDateIn<const QString &>(text);
}

QTime parseLooseTime(const QString &text)
{
    return looseTimeIn<const QString &>(text);
}

QDate parseQueueDateUtf8(QByteArrayView utf8)
{
    return readUtf8(utf8, parseQueueDate, screenDateIn<QLatin1StringView>);
}

QTime parseQueueTimeUtf8(QByteArrayView utf8)
{
    return readUtf8(utf8, parseQueueTime, looseTimeIn<QLatin1StringView>);
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

QDate parseDbDateUtf8(QByteArrayView utf8)
{
    // The form this system stores, read without a detour through text.
    if (utf8.size() >= 10 && utf8[4] == '-' && utf8[7] == '-') {
        const int year = digitsAt(utf8, 0, 4), month = digitsAt(utf8, 5, 2),
                  day = digitsAt(utf8, 8, 2);
        if (year >= 0 && month >= 0 && day >= 0)
            return QDate(year, month, day);
    }
    return parseDbDate(QString::fromUtf8(utf8));
}

QTime parseDbTimeUtf8(QByteArrayView utf8)
{
    if (utf8.size() == 8 && utf8[2] == ':' && utf8[5] == ':') {
        const int h = digitsAt(utf8, 0, 2), m = digitsAt(utf8, 3, 2), s = digitsAt(utf8, 6, 2);
        if (h >= 0 && m >= 0 && s >= 0)
            return QTime(h, m, s); // invalid for 25:00:00, as the loose form reads it
    }
    return readUtf8(utf8, parseDbTime, looseTimeIn<QLatin1StringView>);
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
