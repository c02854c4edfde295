// How close the estimated wait comes to the wait that followed. Replays days of visits (the demo
// folder's day, and simulated days: Poisson arrivals, several services with log-normal service
// times, representatives who come and go), asks at every check-in what the program would have
// shown, and compares it with the customer's real wait, beside the naive estimate (place in the
// queue x the overall median service time / representatives serving).
#include "BenchFolder.h"
#include "HistoryList.h"
#include "WaitEstimator.h"

#include <QCoreApplication>
#include <QtMath>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {
struct Visit
{
    QDate day;
    QString service;
    int arrival = 0; // seconds since midnight
    int taken = 0;
    int done = 0;
    int rep = 0;
};

HistoryRow historyRow(const Visit &visit)
{
    HistoryRow row;
    row.serviceRequested = visit.service;
    row.lobbyDateIn = visit.day;
    row.lobbyTimeIn = QTime(0, 0).addSecs(visit.arrival);
    row.timeServiced = QTime(0, 0).addSecs(visit.taken);
    row.timeOut = QTime(0, 0).addSecs(visit.done);
    row.servicedBy = visit.rep;
    return row;
}

// Each error is what was said less the wait that followed: above zero, the wait was shorter.

double minutesError(double minutes, double wait)
{
    return minutes - wait;
}

/// The text the check-in's screen showed: "about N min" stands for N; "less than 5 min" is right
/// for any wait under 5 and short by what a wait went over.
double shownError(double minutes, double wait)
{
    const QString text = waitText(minutes);
    if (text == waitText(0))
        return qMin(0.0, 5 - wait);
    return text.section(QLatin1Char(' '), 1, 1).toDouble() - wait;
}

/// The same with "less than 5 min" read as 2.5 minutes, as the first figures were taken.
double shownAsPointError(double minutes, double wait)
{
    return waitText(minutes) == waitText(0) ? 2.5 - wait : shownError(minutes, wait);
}

struct Reading
{
    const char *name;
    double (*error)(double minutes, double wait);
};
const Reading readings[] = {{"minutes", minutesError},
                            {"shown", shownError},
                            {"shown, \"less than 5\" as 2.5", shownAsPointError}};
constexpr qsizetype ReadingCount = std::size(readings);

/// Mean absolute error, mean error and the share within 5 minutes of each reading, for the
/// estimate and the naive estimate.
struct Score
{
    struct Errors
    {
        double absolute = 0;
        double signedSum = 0;
        int within5 = 0;

        void add(double error)
        {
            absolute += qAbs(error);
            signedSum += error;
            within5 += qAbs(error) <= 5;
        }
    };

    int checkIns = 0;
    Errors estimate[ReadingCount], naive[ReadingCount];

    void add(double estimated, double naiveEstimate, double wait)
    {
        ++checkIns;
        for (qsizetype i = 0; i < ReadingCount; ++i) {
            estimate[i].add(readings[i].error(estimated, wait));
            naive[i].add(readings[i].error(naiveEstimate, wait));
        }
    }
};

/// Replays `visits` (sorted by day and arrival), estimating at every check-in.
Score replay(const QList<Visit> &visits)
{
    HistoryRows rows;
    for (const Visit &visit : visits)
        rows.append(historyRow(visit));
    Score score;
    for (const Visit &customer : visits) {
        const QDateTime now(customer.day, QTime(0, 0).addSecs(customer.arrival));
        QueueListing listing;
        HistoryRows history;
        for (qsizetype i = 0; i < visits.size(); ++i) {
            const Visit &other = visits.at(i);
            if (other.day < WaitEstimator::firstHistoryDay(customer.day) || other.day > customer.day)
                continue;
            history.append(rows.at(i)); // the estimator leaves out what is not yet done
            if (other.day != customer.day || other.arrival >= customer.arrival)
                continue;
            QueueRow row;
            row.service = other.service;
            row.timeIn = rows.at(i).lobbyTimeIn;
            if (other.taken > customer.arrival) {
                listing.waiting.append(row);
            } else if (other.done > customer.arrival) {
                row.userId = other.rep;
                row.timeSeen = rows.at(i).timeServiced;
                listing.inService.append(row);
            }
        }
        const WaitEstimator estimator(history, now);
        const double naive = (listing.waiting.size() + 1) * estimator.overallMinutes() /
                             estimator.representativesServing(listing);
        score.add(estimator.newCustomerMinutes(listing, customer.service), naive,
                  (customer.taken - customer.arrival) / 60.0);
    }
    return score;
}

/// The demo folder's history (four weeks and a day), as the program reads it.
QList<Visit> demoDay()
{
    BenchFolder folder;
    const QDateTime evening(QDate::currentDate(), QTime(18, 0));
    QString error;
    QList<Visit> visits;
    if (!folder.isValid() || !ProgramFolder::addDemoData(folder.dir(), evening, error)) {
        std::fprintf(stderr, "demo folder: %s\n", qPrintable(error));
        return visits;
    }
    Failure failure;
    HistoryRows rows =
        historySince(folder.context.params.historyPath, evening.date().addDays(-40), failure);
    std::sort(rows.begin(), rows.end(), [](const HistoryRow &a, const HistoryRow &b) {
        return std::pair(a.lobbyDateIn, a.lobbyTimeIn) < std::pair(b.lobbyDateIn, b.lobbyTimeIn);
    });
    for (const HistoryRow &row : std::as_const(rows)) {
        visits.append({row.lobbyDateIn, row.serviceRequested,
                       row.lobbyTimeIn.msecsSinceStartOfDay() / 1000,
                       row.timeServiced.msecsSinceStartOfDay() / 1000,
                       row.timeOut.msecsSinceStartOfDay() / 1000, row.servicedBy.value_or(0)});
    }
    return visits;
}

struct Service
{
    const char *name;
    double medianMinutes;
    double sigma;
    double share;
};
const Service services[] = {{"Taxes", 14, 0.5, 0.35},
                            {"Permits", 6, 0.4, 0.30},
                            {"Licences", 22, 0.5, 0.15},
                            {"Benefits", 9, 0.6, 0.20}};

/// Arrivals an hour at `seconds` since midnight: a morning and an early-afternoon peak.
double arrivalsPerHour(int seconds)
{
    const int hour = seconds / 3600;
    return hour < 10 ? 9 : hour < 12 ? 14 : hour < 14 ? 11 : hour < 16 ? 8 : 5;
}

struct Shift
{
    int rep;
    int start, end, lunch, lunchEnd;
    bool present(int t) const { return t >= start && t < end && (t < lunch || t >= lunchEnd); }
};

/// One simulated day: customers arrive from 8:00 to 16:30 and are taken in queue order by
/// whichever representative is at the desk and free. Four of six representatives work each day:
/// two open at 8:00 and leave between 15:00 and 16:00, two start later in the morning and stay
/// until closing, the last of them until the lobby is empty; each goes to lunch for 30 to 45
/// minutes at some time between 11:30 and 13:30.
QList<Visit> simulatedDay(const QDate &day, std::mt19937 &random)
{
    std::uniform_real_distribution<double> uniform(0, 1);
    QList<Visit> visits;
    for (int t = 8 * 3600;;) {
        t += int(std::exponential_distribution<double>(arrivalsPerHour(t) / 3600.0)(random));
        if (t >= 16 * 3600 + 1800)
            break;
        double pick = uniform(random);
        const Service *service = services;
        while (pick > service->share && service + 1 != std::end(services))
            pick -= (service++)->share;
        visits.append({day, QString::fromLatin1(service->name), t, 0, 0, 0});
    }
    QList<int> reps = {1, 2, 3, 4, 5, 6};
    std::shuffle(reps.begin(), reps.end(), random);
    QList<Shift> shifts;
    for (int i = 0; i < 4; ++i) {
        const bool early = i < 2;
        const int start = early ? 8 * 3600 : 8 * 3600 + 1800 + int(uniform(random) * 5400);
        const int end = early ? 15 * 3600 + int(uniform(random) * 3600) : 17 * 3600;
        const int lunch = 11 * 3600 + 1800 + int(uniform(random) * 7200);
        shifts.append({reps.at(i), start, end, lunch, lunch + 1800 + int(uniform(random) * 900)});
    }
    const auto closer = std::max_element(shifts.begin(), shifts.end(), [](auto &a, auto &b) {
        return a.end < b.end;
    });
    QHash<int, int> busyUntil;
    qsizetype next = 0; // the first customer not yet taken
    for (int t = 8 * 3600; next < visits.size(); t += 5) {
        for (const Shift &shift : shifts) {
            const bool staying = &shift == &*closer && t >= shift.end;
            if (next >= visits.size() || visits.at(next).arrival > t ||
                busyUntil.value(shift.rep) > t || !(shift.present(t) || staying))
                continue;
            Visit &visit = visits[next++];
            const Service &service = *std::find_if(
                std::begin(services), std::end(services),
                [&](const Service &s) { return visit.service == QLatin1String(s.name); });
            const double minutes = std::lognormal_distribution<double>(
                std::log(service.medianMinutes), service.sigma)(random);
            visit.taken = t;
            visit.done = t + qMax(60, int(minutes * 60));
            visit.rep = shift.rep;
            busyUntil.insert(shift.rep, visit.done);
        }
    }
    return visits;
}

void print(const char *name, const char *as, const Score &score, const Score::Errors &estimate,
           const Score::Errors &naive)
{
    const double checkIns = qMax(1, score.checkIns);
    std::printf("| %s | %s | %d | %.2f | %.2f | %+.1f | %+.1f | %.0f%% | %.0f%% | %.0f%% |\n", name,
                as, score.checkIns, estimate.absolute / checkIns, naive.absolute / checkIns,
                estimate.signedSum / checkIns, naive.signedSum / checkIns,
                100 * estimate.within5 / checkIns, 100 * naive.within5 / checkIns,
                naive.absolute > 0 ? 100 * (1 - estimate.absolute / naive.absolute) : 0.0);
}

void print(const char *name, const Score &score)
{
    for (qsizetype i = 0; i < ReadingCount; ++i)
        print(name, readings[i].name, score, score.estimate[i], score.naive[i]);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    constexpr int SimulatedDays = 28;
    std::mt19937 random(20261207);
    QList<Visit> simulated;
    for (int day = 0; day < SimulatedDays; ++day)
        simulated.append(simulatedDay(QDate(2026, 11, 2).addDays(day), random));

    std::printf("| days | compared | check-ins | MAE estimate min | MAE naive min | mean error "
                "estimate | mean error naive | estimate within 5 | naive within 5 | MAE lower by "
                "|\n|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    const Score demo = replay(demoDay());
    print("demo folder", demo);
    const Score days = replay(simulated);
    print("28 simulated days", days);
    return 0;
}
