#include "WaitEstimator.h"

#include <QMap>
#include <QtMath>

#include <algorithm>
#include <random>

namespace {
/// A visit already longer than any recent one of its service still has this share of the
/// usual time to go: it will end soon, but not this instant.
constexpr double OverrunShare = 0.25;

QString serviceKey(const QString &service)
{
    return service.simplified().toCaseFolded();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 == 1 ? values.at(middle)
                                  : (values.at(middle - 1) + values.at(middle)) / 2;
}

/// Minutes from `from` to `to`, both times of day, across midnight when `to` is earlier.
double minutesBetween(const QTime &from, const QTime &to)
{
    const int seconds = from.secsTo(to);
    return (seconds < 0 ? seconds + 24 * 3600 : seconds) / 60.0;
}

QList<QString> waitingServices(const QueueListing &listing)
{
    QList<QString> services;
    for (const QueueRow &row : listing.waiting)
        services.append(row.service);
    return services;
}
} // namespace

WaitEstimator::WaitEstimator(const HistoryRows &history, const QDateTime &now) : m_now(now)
{
    struct Visit
    {
        QDateTime signedOut;
        double minutes;
    };
    QHash<QString, QList<Visit>> byService;
    const QDateTime oldest = now.addDays(-HistoryDays);
    const QDateTime recent = now.addSecs(-60 * RecentlyServingMinutes);
    for (const HistoryRow &row : history) {
        if (!row.timeServiced.isValid() || !row.timeOut.isValid() || !row.lobbyDateIn.isValid())
            continue;
        QDateTime signedOut(row.lobbyDateIn, row.timeOut);
        if (row.timeOut < row.lobbyTimeIn)
            signedOut = signedOut.addDays(1);
        if (signedOut < oldest || signedOut > now)
            continue;
        const double minutes = minutesBetween(row.timeServiced, row.timeOut);
        byService[serviceKey(row.serviceRequested)].append({signedOut, minutes});
        m_all.append(minutes);
        if (signedOut >= recent && row.servicedBy)
            m_recentlyServing.insert(*row.servicedBy);
    }
    if (!m_all.isEmpty())
        m_overall = median(m_all);
    for (auto it = byService.begin(); it != byService.end(); ++it) {
        QList<Visit> &visits = it.value();
        if (visits.size() < MinimumVisits)
            continue;
        std::sort(visits.begin(), visits.end(),
                  [](const Visit &a, const Visit &b) { return a.signedOut > b.signedOut; });
        QList<double> latest;
        for (qsizetype i = 0; i < qMin<qsizetype>(visits.size(), VisitsPerService); ++i)
            latest.append(visits.at(i).minutes);
        m_medians.insert(it.key(), median(latest));
        m_latest.insert(it.key(), latest);
    }
}

double WaitEstimator::serviceMinutes(const QString &service) const
{
    return m_medians.value(serviceKey(service), m_overall);
}

QList<double> WaitEstimator::remainingMinutes(const QString &service, double elapsed) const
{
    const auto latest = m_latest.constFind(serviceKey(service));
    const QList<double> &visits = latest != m_latest.constEnd() ? *latest : m_all;
    QList<double> remaining;
    for (double minutes : visits) {
        if (minutes > elapsed)
            remaining.append(minutes - elapsed);
    }
    if (remaining.isEmpty()) {
        const double usual = serviceMinutes(service);
        remaining.append(qMax(usual - elapsed, usual * OverrunShare));
    }
    return remaining;
}

QList<QList<double>> WaitEstimator::freeTimes(const QueueListing &listing) const
{
    QMap<int, QList<double>> freeAt; // in a fixed order, for the same draws every time
    for (const QueueRow &row : listing.inService) {
        const double elapsed = row.timeSeen.isValid() ? minutesBetween(row.timeSeen, m_now.time())
                                                      : serviceMinutes(row.service) / 2;
        const QList<double> remaining = remainingMinutes(row.service, elapsed);
        QList<double> &times = freeAt[row.userId];
        if (times.isEmpty()) {
            times = remaining;
        } else {
            for (double &time : times)
                time += median(remaining);
        }
    }
    // Free with customers waiting, a representative would have taken one: away from the desk
    // for now (a break, an errand), back in about a visit's time.
    const double away = listing.waiting.isEmpty() ? 0 : m_overall;
    for (int user : m_recentlyServing) {
        if (!freeAt.contains(user))
            freeAt.insert(user, {away});
    }
    QList<QList<double>> times = freeAt.values();
    if (times.isEmpty())
        times.append(QList<double>{0});
    return times;
}

int WaitEstimator::representativesServing(const QueueListing &listing) const
{
    return int(freeTimes(listing).size());
}

QList<double> WaitEstimator::simulate(const QueueListing &listing,
                                      const QList<QString> &services) const
{
    const QList<QList<double>> choices = freeTimes(listing);
    const bool certain = std::all_of(choices.begin(), choices.end(),
                                     [](const QList<double> &times) { return times.size() == 1; });
    // A fixed seed: the same lobby always gets the same estimate.
    std::mt19937 random(1);
    QList<QList<double>> waits(services.size());
    QList<double> freeAt(choices.size());
    for (int run = 0; run < (certain ? 1 : SimulationRuns); ++run) {
        for (qsizetype i = 0; i < choices.size(); ++i) {
            const QList<double> &times = choices.at(i);
            freeAt[i] =
                times.at(std::uniform_int_distribution<qsizetype>(0, times.size() - 1)(random));
        }
        for (qsizetype i = 0; i < services.size(); ++i) {
            const auto first = std::min_element(freeAt.begin(), freeAt.end());
            waits[i].append(*first);
            *first += serviceMinutes(services.at(i));
        }
    }
    QList<double> medians;
    for (const QList<double> &runs : std::as_const(waits))
        medians.append(median(runs));
    return medians;
}

QList<double> WaitEstimator::waitingMinutes(const QueueListing &listing) const
{
    return simulate(listing, waitingServices(listing));
}

double WaitEstimator::newCustomerMinutes(const QueueListing &listing,
                                         const QString &service) const
{
    QList<QString> services = waitingServices(listing);
    services.append(service);
    return simulate(listing, services).constLast();
}

QString waitText(double minutes)
{
    if (minutes < 5)
        return QStringLiteral("less than 5 min");
    return QStringLiteral("about %1 min").arg(5 * qFloor(minutes / 5 + 0.5));
}
