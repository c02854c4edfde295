#pragma once

#include "Database.h"

#include <QDate>
#include <QTime>
#include <QVariantList>

// A year of visits for the benchmarks: spread evenly over the days, 20 representatives.
constexpr int Days = 365;
constexpr int Representatives = 20;
inline const QDate FirstDay(2026, 1, 1);

inline const QString insertStatement = QStringLiteral(
    "INSERT INTO history (firstName, lastName, serviceRequested, timeOut, servicedBy, "
    "lobbyTimeIn, lobbyDateIn, timeServiced, serviceTime) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");

/// The bound values of visit `i`.
inline QVariantList visit(int i)
{
    const QTime in = QTime(8, 0).addSecs((i / Days) * 115 % (9 * 3600));
    const QTime seen = in.addSecs(300 + i % 600);
    const QTime out = seen.addSecs(600 + i % 900);
    return {QStringLiteral("First%1").arg(i),
            QStringLiteral("Last%1").arg(i),
            QStringLiteral("Service %1").arg(i % 12),
            dbValue(out),
            1 + i % Representatives,
            dbValue(in),
            dbValue(FirstDay.addDays(i % Days)),
            dbValue(seen),
            (seen.secsTo(out) / 60)};
}

enum class FillOrder
{
    RoundTheYear, // visit 0, 1, 2... : each on the next day, so a day's rows lie far apart
    ByDay         // as an office adds them: every visit of a day, then the next day
};

/// Adds visits 0 to `count` - 1 to the history database at `path`, in one transaction.
inline bool fillHistory(const QString &path, int count, FillOrder order = FillOrder::RoundTheYear)
{
    Database db(path);
    if (!db.open() || !db.exec(QStringLiteral("BEGIN")))
        return false;
    QSqlQuery query = db.prepare(insertStatement);
    const int perDay = (count + Days - 1) / Days;
    const int steps = order == FillOrder::RoundTheYear ? count : perDay * Days;
    for (int n = 0; n < steps; ++n) {
        const int i = order == FillOrder::RoundTheYear ? n : (n % perDay) * Days + n / perDay;
        if (i >= count)
            continue;
        for (const QVariant &value : visit(i))
            query.addBindValue(value);
        if (!db.exec(query))
            return false;
    }
    return db.exec(QStringLiteral("COMMIT"));
}
