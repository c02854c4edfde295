#include "Commands.h"
#include "CtlEnvironment.h"

#include "OfficeBackup.h"

namespace {
int backup(CtlEnvironment &env, const QStringList &args)
{
    if (args.size() != 1)
        return ExitStatus::Usage;
    QString made, error;
    if (!OfficeBackup::backup(env.context(), args.first(), made, error)) {
        env.error(error);
        return ExitStatus::Failed;
    }
    env.out() << made << '\n';
    return ExitStatus::Done;
}

int restore(CtlEnvironment &env, const QStringList &args)
{
    if (args.size() != 1)
        return ExitStatus::Usage;
    QString error;
    if (!OfficeBackup::restore(env.context(), args.first(), error)) {
        env.error(error);
        return ExitStatus::Failed;
    }
    return ExitStatus::Done;
}
} // namespace

QList<Command> backupCommands()
{
    return {
        {QStringLiteral("backup"),
         QStringLiteral("DIR"),
         true,
         backup,
         {QStringLiteral("copy everything the office would miss into a dated folder"),
          QStringLiteral(
              "Copies the office's data into a new folder inside DIR named for the moment, as "
              "quorvel-2026-12-07-220000: both databases through SQLite's online backup, the "
              "queue file, the data format, data/archive/ and vedez.ini, laid out as in a "
              "program folder. The desks keep working meanwhile: the queue and the history are "
              "copied under the queue lock, so every visit is in exactly one of them. The folder "
              "appears only when the copy is whole and both databases pass SQLite's integrity "
              "check. Prints the folder's path.\n\nAn office on a PostgreSQL server ([server] "
              "Connection= in vedez.ini) is copied by pg_dump instead: quorvel.pgdump and "
              "vedez.ini."),
          {{QStringLiteral("DIR"), QStringLiteral("where the dated folder is made")}},
          {{QStringLiteral("0"), QStringLiteral("copied; the folder's path is printed")},
           {QStringLiteral("1"), QStringLiteral("not copied; the reason is printed")}},
          QStringLiteral("quorvelctl --folder /srv/quorvel backup /var/backups/quorvel")}},
        {QStringLiteral("restore"),
         QStringLiteral("FROM"),
         true,
         restore,
         {QStringLiteral("put a backup back into the office"),
          QStringLiteral(
              "Puts the backup folder FROM (made by backup) back: both databases, the queue, "
              "the data format, the archives and vedez.ini. Checks the backup first (both "
              "databases intact, the queue file readable, a data format this version knows) "
              "and refuses while any desk has the office open, naming each; a desk that "
              "crashed on another workstation leaves a mark in data/desks/ to delete by hand."),
          {{QStringLiteral("FROM"), QStringLiteral("a folder that backup made")}},
          {{QStringLiteral("0"), QStringLiteral("restored")},
           {QStringLiteral("1"),
            QStringLiteral("nothing was changed: a desk is open or the backup is not whole; "
                           "the reason is printed")}},
          QStringLiteral(
              "quorvelctl --folder /srv/quorvel restore /backup/quorvel-2026-12-07-220000")}}};
}
