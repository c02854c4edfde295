#pragma once

#include "HistoryList.h"
#include "RepNames.h"

#include <QStringList>

/// A small history whose figures were worked out by hand, from 12/30/2026 to 01/02/2027 (one
/// visit either side of that range): Dana Whitfield (1), Marco Ruiz (2) and a representative
/// deleted since (9); one visit without a time seen and one seen before it came in.
namespace StatisticsHistory {

inline HistoryRow visit(const QDate &day, const QTime &in, const QTime &seen, const QTime &out,
                        int rep, const QString &service)
{
    HistoryRow row;
    row.firstName = QStringLiteral("Visitor");
    row.lastName = service;
    row.serviceRequested = service;
    row.lobbyDateIn = day;
    row.lobbyTimeIn = in;
    row.timeServiced = seen;
    row.timeOut = out;
    row.servicedBy = rep;
    return row;
}

inline HistoryRows rows()
{
    const QDate d30(2026, 12, 30), d31(2026, 12, 31), j1(2027, 1, 1), j2(2027, 1, 2);
    const QString taxes = QStringLiteral("Taxes"), permits = QStringLiteral("Permits");
    return {
        visit(d30.addDays(-1), QTime(9, 0), QTime(9, 1), QTime(9, 2), 1, taxes),
        visit(d30, QTime(9, 0), QTime(9, 5, 30), QTime(9, 15, 30), 1, taxes),
        visit(d30, QTime(9, 10), QTime(9, 22), QTime(9, 30), 2, taxes),
        visit(d30, QTime(9, 40), QTime(9, 42), QTime(9, 50), 1, permits),
        visit(d30, QTime(23, 59), QTime(23, 59, 30), QTime(23, 59, 59), 9, permits),
        visit(d31, QTime(10, 0), QTime(10, 10), QTime(10, 20), 2, taxes),
        visit(d31, QTime(10, 30), QTime(), QTime(10, 40), 1, taxes),
        visit(j1, QTime(11, 0), QTime(11, 4), QTime(11, 10), 9, QStringLiteral("Licences")),
        visit(j1, QTime(11, 30), QTime(11, 20), QTime(11, 40), 2, permits),
        visit(j2, QTime(9, 0), QTime(9, 10), QTime(9, 25), 1, taxes),
        visit(j2, QTime(13, 0), QTime(13, 12), QTime(13, 14), 2, taxes),
        visit(j2.addDays(1), QTime(9, 0), QTime(9, 1), QTime(9, 2), 2, taxes),
    };
}

inline RepNames names()
{
    RepNames names;
    names.add(1, QStringLiteral("Dana Whitfield"));
    names.add(2, QStringLiteral("Marco Ruiz"));
    return names;
}

inline const QString from = QStringLiteral("12/30/2026");
inline const QString to = QStringLiteral("01/02/2027");
constexpr double maxLimit = 10;

} // namespace StatisticsHistory
