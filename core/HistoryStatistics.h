#pragma once

#include "RepNames.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// One history row as the statistics need it. Times are seconds since midnight, -1 when the
/// column is empty or does not read as a time; `day` is the Julian day of the date in, 0 when
/// it does not read as a date.
struct VisitTimes
{
    qint32 day = 0;
    qint32 timeIn = -1;
    qint32 timeSeen = -1;
    qint32 timeOut = -1;
    qint32 servicedBy = 0;
    qint32 service = 0; // index into `VisitHistory::services`

    /// Every time there and none running backwards: only such a visit has a wait and a service
    /// time.
    bool isComplete() const
    {
        return day != 0 && timeIn >= 0 && timeSeen >= timeIn && timeOut >= timeSeen;
    }
};

/// The visits of one read, with each distinct service text stored once.
struct VisitHistory
{
    QList<VisitTimes> visits;
    QStringList services;
};

enum class Grouping
{
    Hour,
    Day,
    Weekday,
    Service,
    Representative
};

/// The figures of one group (or of the whole range). Waits and service times in minutes with
/// the seconds kept; the overdue share from 0 to 1. Without visits every figure is 0.
struct GroupFigures
{
    QString group;
    qint64 order = 0; // where the group comes in its grouping's own order
    qint64 visits = 0;
    double meanWait = 0;
    double medianWait = 0;
    double p90Wait = 0;
    double longestWait = 0;
    double medianService = 0;
    double overdueShare = 0;
};

struct StatisticsReport
{
    QList<GroupFigures> groups; // in the grouping's own order
    GroupFigures total;
    qint64 incompleteRows = 0;
};

/// The office's figures from the history, computed in one place for the reception's window and
/// quorvelctl. A visit's wait runs from time in to time seen, its service time from time seen
/// to time out; an incomplete visit counts only as an incomplete row. Medians and 90th
/// percentiles follow the nearest-rank rule; a visit is overdue when its wait reaches
/// `maxLimitMinutes`.
namespace HistoryStatistics {

StatisticsReport compute(const VisitHistory &history, Grouping grouping, double maxLimitMinutes,
                         const RepNames &names);

/// The name of a grouping as quorvelctl's --by takes it: hour, day, weekday, service, rep.
QString groupingName(Grouping grouping);
std::optional<Grouping> groupingNamed(const QString &name);

/// The title of the group column: "Hour", "Day", "Weekday", "Service", "Representative".
QString groupingTitle(Grouping grouping);

/// The representative's name as the lobby shows it, or "User N" when no longer known.
QString representativeName(const RepNames &names, int userNumber);

} // namespace HistoryStatistics
