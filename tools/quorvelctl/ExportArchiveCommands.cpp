// The history export and the history archive, for an administrator's scheduled job: the same
// files as the reception's windows make, safe while the programs run.
#include "Commands.h"
#include "CtlEnvironment.h"

#include "HistoryArchive.h"
#include "HistoryExport.h"
#include "OutputPath.h"
#include "Store.h"

#include <QFileInfo>

namespace {
int exportHistory(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    ExportSelection selection;
    QString database, output;
    bool hasOut = false;
    if (!env.takeSelection(rest, selection, database) ||
        !CtlEnvironment::takeOption(rest, QStringLiteral("--out"), output, hasOut) ||
        !rest.isEmpty() || !hasOut)
        return ExitStatus::Usage;

    RepNames names;
    if (!env.loadRepNames(names))
        return ExitStatus::Failed;

    HistoryExport job(database, selection, names);
    const QString outputPath = QFileInfo(output).absoluteFilePath();
    const QString refusal = OutputPath::refusal(outputPath, database, env.context().params);
    if (!refusal.isEmpty()) {
        env.error(refusal);
        return ExitStatus::Failed;
    }
    switch (job.writeTo(outputPath)) {
    case HistoryExport::Outcome::Written:
        env.out() << job.count() << Qt::endl;
        return ExitStatus::Done;
    case HistoryExport::Outcome::NoRecords:
        env.error(HistoryExport::noRecordsText());
        return ExitStatus::Failed;
    case HistoryExport::Outcome::Cancelled:
    case HistoryExport::Outcome::Failed:
        break;
    }
    env.error(job.failureText());
    return ExitStatus::Failed;
}

int archive(CtlEnvironment &env, const QStringList &args)
{
    const bool toFile = args == QStringList{QStringLiteral("--to-file")};
    if (!args.isEmpty() && !toFile)
        return ExitStatus::Usage;
    QString archivePath;
    Failure failure;
    if (!env.context().store().archiveHistory(toFile, archivePath, failure)) {
        env.error(HistoryArchive::failureText(failure));
        return ExitStatus::Failed;
    }
    env.out() << archivePath << Qt::endl;
    return ExitStatus::Done;
}
} // namespace

QList<HelpItem> selectionHelp()
{
    return {{QStringLiteral("--from MM/DD/YYYY"), QStringLiteral("the first day")},
            {QStringLiteral("--to MM/DD/YYYY"), QStringLiteral("the last day")},
            {QStringLiteral("--user N"),
             QStringLiteral("only the visits served by the representative with user number N")},
            {QStringLiteral("--service TEXT"), QStringLiteral("only the visits for this service")},
            {QStringLiteral("--db FILE"),
             QStringLiteral("read an archived history database (in data/archive) instead of the "
                            "current one")}};
}

QList<Command> exportArchiveCommands()
{
    return {
        {QStringLiteral("export"),
         QStringLiteral("--from MM/DD/YYYY --to MM/DD/YYYY [--user N] [--service TEXT] "
                        "[--db FILE] --out FILE"),
         true,
         exportHistory,
         {QStringLiteral("write the visits of a date range to a CSV file"),
          QStringLiteral(
              "Writes the completed visits from the day --from to the day --to, both included, "
              "to FILE as comma-separated text (RFC 4180, UTF-8, no header), the same file as "
              "the reception's export: date, first name, last name, service, representative, "
              "time in, time served, time out, minutes. Prints the number of visits written. "
              "FILE holds either its old content or the whole export, never part of one, so a "
              "scheduled job may run it while the programs work."),
          selectionHelp() +
              QList<HelpItem>{{QStringLiteral("--out FILE"), QStringLiteral("the file to write")}},
          {{QStringLiteral("0"), QStringLiteral("written; the number of visits is printed")},
           {QStringLiteral("1"),
            QStringLiteral("no visit matches (no file is made), FILE is refused (the history "
                           "database, the queue file, any file in the data folder, or another "
                           "database), or a database or the file could not be read or "
                           "written; the reason is printed")},
           {QStringLiteral("2"),
            QStringLiteral("wrong usage, a day that is not a date, or --from after --to")}},
          QStringLiteral("quorvelctl export --from 12/01/2026 --to 12/31/2026 --out dec.csv")}},
        {QStringLiteral("archive"),
         QStringLiteral("[--to-file]"),
         true,
         archive,
         {QStringLiteral("move the history into the archive and start an empty one"),
          QStringLiteral(
              "Moves data/history.mdb into data/archive under a name made from the moment "
              "(QV, the date as MMddyy, the minute and the second, .mdb) and puts a copy of the "
              "empty system/history.mdb in its place, as the reception's archive does. Prints "
              "the archive's path. Safe while the programs run: every visit signed out "
              "meanwhile lands in one of the two databases. On a server, moves the history "
              "into a new table named history_archive_ and the moment, and prints its name."),
          {{QStringLiteral("--to-file"),
            QStringLiteral("on a server, move the history into an archive file in data/archive "
                           "instead, named as above, which the export reads; the data folder "
                           "always archives so")}},
          {{QStringLiteral("0"), QStringLiteral("archived; the archive's path is printed")},
           {QStringLiteral("1"),
            QStringLiteral("nothing was changed: the history could not be moved, or the "
                           "archive's name is taken; the reason is printed")}},
          QStringLiteral("quorvelctl archive")}},
    };
}
