#include "Commands.h"
#include "CtlEnvironment.h"

#include "DataFormat.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "ServerConnection.h"
#include "ServerSchema.h"
#include "StoreMigration.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {
int init(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    const qsizetype server = rest.indexOf(QStringLiteral("--server"));
    if (server >= 0) {
        if (rest.size() != 2 || server != 0)
            return ExitStatus::Usage;
        ServerConnection connection(rest[1]);
        QString report, error;
        if (!ServerSchema::install(connection, report, error)) {
            env.error(error);
            return ExitStatus::Failed;
        }
        env.out() << report << Qt::endl;
        return ExitStatus::Done;
    }
    const bool demo = rest.removeAll(QStringLiteral("--demo")) > 0;
    if (rest.size() != 1)
        return ExitStatus::Usage;
    QString error;
    if (!ProgramFolder::create(rest.first(), error) ||
        (demo && !ProgramFolder::addDemoData(rest.first(), QDateTime::currentDateTime(), error))) {
        env.error(error);
        return ExitStatus::Failed;
    }
    return ExitStatus::Done;
}

/// The value after `option` in `args`, taking both out; empty when the option is not there.
QString takeOption(QStringList &args, const QString &option)
{
    const qsizetype at = args.indexOf(option);
    if (at < 0 || at + 1 >= args.size())
        return {};
    const QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

int migrate(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    const bool toSwitch = rest.removeAll(QStringLiteral("--switch")) > 0;
    const QString to = takeOption(rest, QStringLiteral("--to"));
    const QString from = takeOption(rest, QStringLiteral("--from"));
    const QString toFolder = takeOption(rest, QStringLiteral("--to-folder"));
    if (!rest.isEmpty() || (to.isEmpty() == (from.isEmpty() || toFolder.isEmpty())) ||
        (toSwitch && to.isEmpty()))
        return ExitStatus::Usage;
    StoreMigration::Counts counts;
    QString error;
    const SystemParameters &params = env.context().params;
    const bool copied = to.isEmpty() ? StoreMigration::toFolder(from, toFolder, counts, error)
                                     : StoreMigration::toServer(params.dataPath, to, counts, error);
    if (!copied) {
        env.error(error);
        return ExitStatus::Failed;
    }
    env.out() << "copied and verified: " << StoreMigration::countsText(counts) << Qt::endl;
    if (toSwitch && !IniFile::writeString(params.iniPath(), QStringLiteral("server"),
                                          QStringLiteral("Connection"), to, &error)) {
        env.error(error);
        return ExitStatus::Failed;
    }
    return ExitStatus::Done;
}

/// Gives what root just made in the data folder to the folder's owner, the office's account,
/// which must go on writing it.
void giveToDataOwner(const QString &dataPath)
{
    struct stat folder = {};
    if (::geteuid() != 0 || ::stat(QFile::encodeName(dataPath).constData(), &folder) != 0 ||
        folder.st_uid == 0)
        return;
    QDirIterator it(dataPath, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray path = QFile::encodeName(it.next());
        struct stat entry = {};
        if (::lstat(path.constData(), &entry) == 0 && entry.st_uid == 0)
            ::lchown(path.constData(), folder.st_uid, folder.st_gid);
    }
}

int update(CtlEnvironment &env, const QStringList &args)
{
    if (args.size() != 1)
        return ExitStatus::Usage;
    const QString folder = args.first();
    if (!QFileInfo(folder + QStringLiteral("/data")).isDir()) {
        env.error(QStringLiteral("%1 is not a program folder (no data folder).").arg(folder));
        return ExitStatus::Failed;
    }
    QString error;
    CtlEnvironment office(folder);
    const bool done =
        ProgramFolder::refreshInstalledFiles(folder, error) &&
        DataFormat::bringUpToDate(office.context(), QStringLiteral("quorvelctl"), error);
    giveToDataOwner(office.context().params.dataPath);
    if (!done) {
        env.error(error);
        return ExitStatus::Failed;
    }
    return ExitStatus::Done;
}
} // namespace

QList<Command> folderCommands()
{
    return {
        {QStringLiteral("init"),
         QStringLiteral("DIR [--demo] | --server CONNECTION"),
         false,
         init,
         {QStringLiteral("lay out a new program folder"),
          QStringLiteral(
              "Lays out a new program folder in DIR: the data folder with an empty queue and the "
              "history and system databases, the archive folder, the empty history template, the "
              "notification sound, the help page, the export folder, and vedez.ini with a "
              "waiting-time limit of 10 minutes. Refuses a folder that already holds data, so it "
              "never overwrites a live office. Put the programs into the folder afterwards with "
              "\"cmake --install BUILD --prefix DIR\". With --server, makes the tables of an "
              "office on a PostgreSQL server instead: in an empty database it creates them, an "
              "older Quorvel schema it upgrades, and a database that holds anything else it "
              "refuses."),
          {{QStringLiteral("DIR"),
            QStringLiteral("the folder to lay out; made if it does not exist")},
           {QStringLiteral("--demo"), QStringLiteral("adds sample representatives, services, "
                                                     "waiting customers and a day of history")},
           {QStringLiteral("--server CONNECTION"),
            QStringLiteral(
                "a libpq connection string or URI, as vedez.ini's [server] Connection")}},
          {{QStringLiteral("0"), QStringLiteral("laid out")},
           {QStringLiteral("1"),
            QStringLiteral(
                "DIR already holds data, or a file could not be made; the reason is printed")}},
          QStringLiteral("quorvelctl init /srv/office/quorvel")}},
        {QStringLiteral("migrate"),
         QStringLiteral("--to CONNECTION [--switch] | --from CONNECTION --to-folder DIR"),
         true,
         migrate,
         {QStringLiteral("move an office between its data folder and a PostgreSQL server"),
          QStringLiteral(
              "Copies the program folder's users, services, queue (ids kept), history and events "
              "into an empty database on a PostgreSQL server in one transaction, prints the "
              "counts and checks them on the server. A database that already holds an office is "
              "refused, and the data folder is left as it was. With --from, copies a server's "
              "office back into a new program folder DIR."),
          {{QStringLiteral("--to CONNECTION"),
            QStringLiteral("the server to copy the folder to, as vedez.ini's [server] Connection")},
           {QStringLiteral("--switch"),
            QStringLiteral("afterwards names the server in vedez.ini, so the programs use it")},
           {QStringLiteral("--from CONNECTION"), QStringLiteral("the server to copy back")},
           {QStringLiteral("--to-folder DIR"),
            QStringLiteral("the new program folder the server's office is copied into")}},
          {{QStringLiteral("0"), QStringLiteral("copied and verified")},
           {QStringLiteral("1"),
            QStringLiteral("the target holds data, or the copy failed; nothing was kept")}},
          QStringLiteral("quorvelctl migrate --to \"host=db1 dbname=quorvel_main\" --switch")}},
        {QStringLiteral("update"),
         QStringLiteral("DIR"),
         false,
         update,
         {QStringLiteral("bring a program folder up to this version"),
          QStringLiteral(
              "Rewrites what comes with a version of the programs beside the office's data: the "
              "help page, the notification sound and the empty history template, and brings "
              "the data folder up to this version's data format (logged in data/upgrade.log; "
              "the first program started does the same; run as root, what it makes there goes to "
              "the "
              "owner of data/). Leaves the office's data, export/, "
              "vedez.ini and the log files as they are otherwise. Run it after installing a "
              "new version with \"cmake --install BUILD --prefix DIR\", with every desk "
              "closed."),
          {{QStringLiteral("DIR"), QStringLiteral("the program folder of an office")}},
          {{QStringLiteral("0"), QStringLiteral("brought up to this version")},
           {QStringLiteral("1"),
            QStringLiteral("DIR is not a program folder, its data is in a newer format, or a "
                           "file could not be written")}},
          QStringLiteral("quorvelctl update /srv/quorvel")}}};
}
