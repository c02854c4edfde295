#pragma once

#include "HistoryList.h"
#include "QueueListing.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

/// How long waiting customers will still wait, from the queue and recent history: a service time
/// for each service, the representatives serving now, and a small simulation that hands the
/// waiting customers, in queue order, to whichever representative frees up first. A visit in
/// service may still take what any of its service's recent visits that ran as long took beyond
/// that point, so the simulation runs over those chances and each wait is the median of the runs.
class WaitEstimator
{
public:
    static constexpr int HistoryDays = 14;
    static constexpr int VisitsPerService = 30;
    static constexpr int MinimumVisits = 3; // fewer visits of a service: all services' median
    static constexpr double DefaultMinutes = 10;
    static constexpr int RecentlyServingMinutes = 30;
    static constexpr int SimulationRuns = 101;

    /// `history`: completed visits in any order; only those of the last 14 days before `now`
    /// count.
    WaitEstimator(const HistoryRows &history, const QDateTime &now);

    /// The first day whose visits count, for the history read.
    static QDate firstHistoryDay(const QDate &today) { return today.addDays(-HistoryDays); }

    /// The expected service time of `service` in minutes.
    double serviceMinutes(const QString &service) const;
    /// The median service time of all services (10 minutes when history holds none).
    double overallMinutes() const { return m_overall; }

    /// Those with a customer in service and those who completed a visit in the last 30 minutes;
    /// at least one.
    int representativesServing(const QueueListing &listing) const;

    /// The minutes each waiting customer of `listing` will still wait, in queue order.
    QList<double> waitingMinutes(const QueueListing &listing) const;
    /// The minutes a customer checked in now for `service` would wait.
    double newCustomerMinutes(const QueueListing &listing, const QString &service) const;

private:
    /// When each representative serving now may be free, in minutes from now: equally likely
    /// times for each.
    QList<QList<double>> freeTimes(const QueueListing &listing) const;
    /// The equally likely minutes a visit of `service` still takes after `elapsed` minutes.
    QList<double> remainingMinutes(const QString &service, double elapsed) const;
    QList<double> simulate(const QueueListing &listing, const QList<QString> &services) const;

    QDateTime m_now;
    QHash<QString, QList<double>> m_latest; // by service key: the visits its median rests on
    QHash<QString, double> m_medians;       // by service key
    QList<double> m_all;                    // every visit's minutes
    double m_overall = DefaultMinutes;
    QSet<int> m_recentlyServing;
};

/// The estimate as people read it: "about N min", N the nearest multiple of 5 minutes, or "less
/// than 5 min".
QString waitText(double minutes);
