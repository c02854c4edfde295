// The history export and the history archive, for an administrator's scheduled job: the same
// files as the reception's windows make, safe while the programs run.
#include "Commands.h"
#include "CtlEnvironment.h"

#include "Directory.h"
#include "HistoryArchive.h"
#include "HistoryExport.h"

#include <QFileInfo>

namespace {
/// Takes "NAME VALUE" out of `args`; false when NAME is there without a value.
bool takeOption(QStringList &args, const QString &name, QString &value, bool &given)
{
    given = false;
    const qsizetype at = args.indexOf(name);
    if (at < 0)
        return true;
    if (at + 1 >= args.size())
        return false;
    value = args.at(at + 1);
    given = true;
    args.remove(at, 2);
    return true;
}

int exportHistory(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    QString from, to, service, database = env.context().params.historyPath, output;
    bool hasFrom = false, hasTo = false, hasOut = false, hasDb = false, byUser = false;
    ExportSelection selection;
    if (!takeOption(rest, QStringLiteral("--from"), from, hasFrom) ||
        !takeOption(rest, QStringLiteral("--to"), to, hasTo) ||
        !takeOption(rest, QStringLiteral("--service"), service, selection.byService) ||
        !takeOption(rest, QStringLiteral("--db"), database, hasDb) ||
        !takeOption(rest, QStringLiteral("--out"), output, hasOut) ||
        !CtlEnvironment::takeUserOption(rest, selection.servicedBy, byUser) || !rest.isEmpty() ||
        !hasFrom || !hasTo || !hasOut)
        return ExitStatus::Usage;
    selection.service = service;
    const QString wrong = HistoryExport::checkRange(from, to, selection);
    if (!wrong.isEmpty()) {
        env.error(wrong);
        return ExitStatus::Usage;
    }

    // The names the reception gives at start-up: every active representative.
    QList<Directory::User> users;
    Failure failure;
    if (!Directory::activeUsers(env.context().params.systemPath, users, failure)) {
        env.error(failure.description);
        return ExitStatus::Failed;
    }
    RepNames names;
    for (const Directory::User &user : users)
        names.add(user.userNumber, user.displayName());

    HistoryExport job(QFileInfo(database).absoluteFilePath(), selection, names);
    const QString outputPath = QFileInfo(output).absoluteFilePath();
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
    if (!args.isEmpty())
        return ExitStatus::Usage;
    QString archivePath;
    Failure failure;
    if (!HistoryArchive::archiveDB(env.context(), archivePath, failure)) {
        env.error(HistoryArchive::failureText(failure));
        return ExitStatus::Failed;
    }
    env.out() << archivePath << Qt::endl;
    return ExitStatus::Done;
}
} // namespace

QList<Command> exportArchiveCommands()
{
    return {
        {QStringLiteral("export"),
         QStringLiteral("--from MM/DD/YYYY --to MM/DD/YYYY [--user N] [--service TEXT] "
                        "[--db FILE] --out FILE"),
         true, exportHistory},
        {QStringLiteral("archive"), QString(), true, archive},
    };
}
