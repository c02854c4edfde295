// The office's statistics for a terminal or a script: the same figures as the reception's
// statistics window.
#include "Commands.h"
#include "CtlEnvironment.h"

#include "Store.h"
#include "HistoryVisits.h"
#include "StatisticsTable.h"

namespace {
int report(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    ExportSelection selection;
    QString database, by = QStringLiteral("day"), format = QStringLiteral("table");
    bool given = false;
    if (!env.takeSelection(rest, selection, database) ||
        !CtlEnvironment::takeOption(rest, QStringLiteral("--by"), by, given) ||
        !CtlEnvironment::takeOption(rest, QStringLiteral("--format"), format, given) ||
        !rest.isEmpty())
        return ExitStatus::Usage;
    const std::optional<Grouping> grouping = HistoryStatistics::groupingNamed(by);
    const QStringList formats = {QStringLiteral("table"), QStringLiteral("csv"),
                                 QStringLiteral("json")};
    if (!grouping || !formats.contains(format))
        return ExitStatus::Usage;

    RepNames names;
    Failure failure;
    if (!env.context().store().userNames(names, failure)) {
        env.error(failure.description);
        return ExitStatus::Failed;
    }
    VisitHistory history;
    if (HistoryVisits::read(database, selection, history, failure) !=
        HistoryVisits::Outcome::Read) {
        env.error(failure.description);
        return ExitStatus::Failed;
    }
    const StatisticsReport figures =
        HistoryStatistics::compute(history, *grouping, env.context().params.MaxLimit, names);
    if (figures.groups.isEmpty()) {
        env.error(StatisticsTable::noVisitsText(figures));
        return ExitStatus::Failed;
    }
    const QStringList headers = StatisticsTable::headers(*grouping);
    const StatisticsTable::Rows rows = StatisticsTable::rows(figures);
    if (format == QStringLiteral("csv"))
        env.out() << QString::fromUtf8(StatisticsTable::csv(headers, rows));
    else if (format == QStringLiteral("json"))
        env.out() << QString::fromUtf8(StatisticsTable::json(headers, rows));
    else
        env.out() << StatisticsTable::aligned(headers, rows) << Qt::endl
                  << StatisticsTable::summary(figures) << Qt::endl;
    return ExitStatus::Done;
}
} // namespace

QList<Command> reportCommands()
{
    return {
        {QStringLiteral("report"),
         QStringLiteral("--from MM/DD/YYYY --to MM/DD/YYYY [--by hour|day|weekday|service|rep] "
                        "[--user N] [--service TEXT] [--db FILE] [--format table|csv|json]"),
         true,
         report,
         {QStringLiteral("print the waits and visits of a date range, grouped"),
          QStringLiteral(
              "Prints the figures of the reception's statistics window for the visits from the "
              "day --from to the day --to, both included (a visit belongs to the day it "
              "checked in), one row per group: visits, mean, median, 90th percentile and longest "
              "wait, median service time, in minutes, and the share of visits whose wait reached "
              "MaxLimit. The wait runs from time in to time seen, the service time from time "
              "seen to time out; medians and percentiles take the value at rank "
              "ceil(p * n) of the sorted values. A visit with a time missing or running "
              "backwards counts only as an incomplete row; the table's last line gives the "
              "totals and how many there were."),
          selectionHelp() +
              QList<HelpItem>{
                  {QStringLiteral("--by GROUPING"),
                   QStringLiteral(
                       "hour (of the time in), day, weekday, service or rep; day without "
                       "it")},
                  {QStringLiteral("--format FORMAT"),
                   QStringLiteral(
                       "table (aligned, with the totals; without it), csv (RFC 4180 with a "
                       "header row) or json (an array of objects named by the columns)")}},
          {{QStringLiteral("0"), QStringLiteral("the figures are printed")},
           {QStringLiteral("1"),
            QStringLiteral("no complete visit matches, or the history could not be read; the "
                           "reason is printed and nothing else")},
           {QStringLiteral("2"),
            QStringLiteral("wrong usage, a day that is not a date, or --from after --to")}},
          QStringLiteral("quorvelctl report --from 12/01/2026 --to 12/31/2026 --by rep")}},
    };
}
