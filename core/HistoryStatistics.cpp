#include "HistoryStatistics.h"

#include "TextForms.h"

#include <QHash>

#include <algorithm>

namespace HistoryStatistics {

namespace {
const char *const weekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                "Thursday", "Friday", "Saturday"};

/// The place, counting from 0, of the nearest-rank `percent`th percentile among `n` sorted values:
/// rank ⌈percent·n/100⌉ counting from 1, in whole numbers so that 90% of 10 is exactly 9.
qsizetype rankIndex(qsizetype n, int percent)
{
    return std::max<qsizetype>((percent * n + 99) / 100, 1) - 1;
}

/// The waits and service times of one group, in seconds, gathered before the figures.
struct Gathered
{
    qint64 key = 0;
    QList<qint32> waits;
    QList<qint32> serviceTimes;
    qint64 waitSum = 0;
    qint64 overdue = 0;

    void add(qint32 wait, qint32 serviceTime, double limitSeconds)
    {
        waits.append(wait);
        serviceTimes.append(serviceTime);
        waitSum += wait;
        if (wait >= limitSeconds)
            ++overdue;
    }

    GroupFigures figures()
    {
        GroupFigures f;
        f.visits = waits.size();
        if (waits.isEmpty())
            return f;
        // Only three places of the sorted order are needed: put those in place, not all.
        const qsizetype median = rankIndex(waits.size(), 50);
        const qsizetype p90 = rankIndex(waits.size(), 90);
        std::nth_element(waits.begin(), waits.begin() + median, waits.end());
        if (p90 > median) // what lies after the median is no smaller; leave the median be
            std::nth_element(waits.begin() + median + 1, waits.begin() + p90, waits.end());
        const qsizetype serviceMedian = rankIndex(serviceTimes.size(), 50);
        std::nth_element(serviceTimes.begin(), serviceTimes.begin() + serviceMedian,
                         serviceTimes.end());
        const auto minutes = [](double seconds) { return seconds / 60; };
        f.meanWait = minutes(double(waitSum) / f.visits);
        f.medianWait = minutes(waits.at(median));
        f.p90Wait = minutes(waits.at(p90));
        f.longestWait = minutes(*std::max_element(waits.begin() + p90, waits.end()));
        f.medianService = minutes(serviceTimes.at(serviceMedian));
        f.overdueShare = double(overdue) / f.visits;
        return f;
    }
};

// Sunday first, as the office's calendar shows a week.
qint64 weekdayOf(qint32 julianDay)
{
    return (julianDay + 1) % 7;
}

qint64 keyOf(const VisitTimes &visit, Grouping grouping)
{
    switch (grouping) {
    case Grouping::Hour:
        return visit.timeIn / 3600;
    case Grouping::Day:
        return visit.day;
    case Grouping::Weekday:
        return weekdayOf(visit.day);
    case Grouping::Service:
        return visit.service;
    case Grouping::Representative:
        return visit.servicedBy;
    }
    return 0;
}

QString labelOf(qint64 key, Grouping grouping, const VisitHistory &history, const RepNames &names)
{
    switch (grouping) {
    case Grouping::Hour:
        return QStringLiteral("%1:00").arg(key, 2, 10, QLatin1Char('0'));
    case Grouping::Day:
        return TextForms::screenDate(QDate::fromJulianDay(key));
    case Grouping::Weekday:
        return QString::fromLatin1(weekdays[key]);
    case Grouping::Service:
        return history.services.value(int(key));
    case Grouping::Representative:
        return representativeName(names, int(key));
    }
    return {};
}
} // namespace

StatisticsReport compute(const VisitHistory &history, Grouping grouping, double maxLimitMinutes,
                         const RepNames &names)
{
    const double limitSeconds = maxLimitMinutes * 60;
    StatisticsReport report;
    QList<Gathered> groups;
    QHash<qint64, qsizetype> slots;
    Gathered all;
    for (const VisitTimes &visit : history.visits) {
        if (!visit.isComplete()) {
            ++report.incompleteRows;
            continue;
        }
        const qint64 key = keyOf(visit, grouping);
        auto slot = slots.find(key);
        if (slot == slots.end()) {
            slot = slots.insert(key, groups.size());
            groups.append(Gathered{key});
        }
        const qint32 wait = visit.timeSeen - visit.timeIn;
        const qint32 serviceTime = visit.timeOut - visit.timeSeen;
        groups[*slot].add(wait, serviceTime, limitSeconds);
        all.add(wait, serviceTime, limitSeconds);
    }

    for (Gathered &gathered : groups) {
        GroupFigures figures = gathered.figures();
        figures.group = labelOf(gathered.key, grouping, history, names);
        figures.order = gathered.key;
        report.groups.append(figures);
    }
    const bool byName = grouping == Grouping::Service || grouping == Grouping::Representative;
    std::sort(report.groups.begin(), report.groups.end(),
              [byName](const GroupFigures &a, const GroupFigures &b) {
                  if (byName) {
                      const int byText = a.group.compare(b.group, Qt::CaseInsensitive);
                      if (byText != 0)
                          return byText < 0;
                  }
                  return a.order < b.order;
              });
    if (byName)
        for (qsizetype i = 0; i < report.groups.size(); ++i)
            report.groups[i].order = i;
    report.total = all.figures();
    report.total.group = QStringLiteral("Total");
    return report;
}

namespace {
// In the order of `Grouping`: the name quorvelctl takes, the title of the group column.
const char *const groupings[][2] = {{"hour", "Hour"},
                                    {"day", "Day"},
                                    {"weekday", "Weekday"},
                                    {"service", "Service"},
                                    {"rep", "Representative"}};
} // namespace

QString groupingName(Grouping grouping)
{
    return QString::fromLatin1(groupings[int(grouping)][0]);
}

std::optional<Grouping> groupingNamed(const QString &name)
{
    for (int i = 0; i < int(std::size(groupings)); ++i)
        if (name == QLatin1String(groupings[i][0]))
            return Grouping(i);
    return std::nullopt;
}

QString groupingTitle(Grouping grouping)
{
    return QString::fromLatin1(groupings[int(grouping)][1]);
}

QString representativeName(const RepNames &names, int userNumber)
{
    return names.contains(userNumber) ? names.name(userNumber)
                                      : QStringLiteral("User %1").arg(userNumber);
}

} // namespace HistoryStatistics
