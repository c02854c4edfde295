#include "VisitColumns.h"

#include "TextForms.h"
#include "clsQuorvel.h"

namespace {
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

QVariant dbValue(const QDate &date)
{
    return date.isValid() ? QVariant(TextForms::dbDate(date))
                          : QVariant(QMetaType(QMetaType::QString));
}

QVariant dbValue(const QTime &time)
{
    return time.isValid() ? QVariant(TextForms::dbTime(time))
                          : QVariant(QMetaType(QMetaType::QString));
}

namespace VisitColumns {

bool newRow(const clsQuorvel &entry, QVariantList &values, Failure &failure)
{
    QTime taken, signedOut;
    QVariant takenValue, signedOutValue;
    if (!countingTime(entry.timeSeen, "timeSeen", taken, failure) ||
        !countingTime(entry.Timeout, "Timeout", signedOut, failure) ||
        !columnValue(entry.timeSeen, "timeSeen", takenValue, failure) ||
        !columnValue(entry.Timeout, "Timeout", signedOutValue, failure))
        return false;
    values = {entry.firstName,
              entry.lastName,
              entry.service,
              signedOutValue,
              entry.repID,
              dbValue(entry.Timein),
              dbValue(entry.dateIn),
              takenValue,
              TextForms::minutesServed(taken, signedOut),
              entry.desk.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                   : QVariant(entry.desk)};
    return true;
}

bool correction(const clsQuorvel &entry, QVariantList &values, Failure &failure)
{
    QVariant signedOutValue, takenValue;
    if (!columnValue(entry.Timeout, "Timeout", signedOutValue, failure) ||
        !columnValue(entry.timeSeen, "timeSeen", takenValue, failure))
        return false;
    values = {entry.firstName,       entry.lastName, entry.service, dbValue(entry.Timein),
              dbValue(entry.dateIn), signedOutValue, takenValue,    entry.repID};
    return true;
}

bool readRow(const QVariantList &columns, clsQuorvel &entry, Failure &failure)
{
    entry.lobbystatus = 3;
    QString *const texts[] = {&entry.firstName, &entry.lastName, &entry.service};
    const char *const textColumns[] = {"firstName", "lastName", "serviceRequested"};
    for (int i = 0; i < 3; ++i) {
        if (columns[i].isNull()) {
            failure = invalidUseOfNull(textColumns[i]);
            return false;
        }
        *texts[i] = columns[i].toString();
    }
    const QTime timeIn = TextForms::parseDbTime(columns[3].toString());
    const QDate dateInValue = TextForms::parseDbDate(columns[4].toString());
    if (!timeIn.isValid() || !dateInValue.isValid()) {
        failure = !timeIn.isValid() ? typeMismatch("lobbyTimeIn", columns[3].toString())
                                    : typeMismatch("lobbyDateIn", columns[4].toString());
        return false;
    }
    entry.Timein = timeIn;
    entry.dateIn = dateInValue;
    entry.timeSeen = LooseTime::null();
    entry.Timeout = LooseTime::null();
    entry.repID = columns[5].toInt();
    return shortTime(columns[6], "timeOut", entry.Timeout, failure) &&
           shortTime(columns[7], "timeServiced", entry.timeSeen, failure);
}

} // namespace VisitColumns
