#include "Commands.h"
#include "CtlEnvironment.h"

#include "ProgramFolder.h"

#include <QDateTime>

namespace {
int init(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
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
} // namespace

QList<Command> folderCommands()
{
    return {
        {QStringLiteral("init"),
         QStringLiteral("DIR [--demo]"),
         false,
         init,
         {QStringLiteral("lay out a new program folder"),
          QStringLiteral(
              "Lays out a new program folder in DIR: the data folder with an empty queue and the "
              "history and system databases, the archive folder, the empty history template, the "
              "notification sound, the help page, the export folder, and vedez.ini with a "
              "waiting-time limit of 10 minutes. Refuses a folder that already holds data, so it "
              "never overwrites a live office. Put the programs into the folder afterwards with "
              "\"cmake --install BUILD --prefix DIR\"."),
          {{QStringLiteral("DIR"),
            QStringLiteral("the folder to lay out; made if it does not exist")},
           {QStringLiteral("--demo"),
            QStringLiteral(
                "adds sample representatives, services, waiting customers and a day of history")}},
          {{QStringLiteral("0"), QStringLiteral("laid out")},
           {QStringLiteral("1"),
            QStringLiteral(
                "DIR already holds data, or a file could not be made; the reason is printed")}},
          QStringLiteral("quorvelctl init /srv/office/quorvel")}}};
}
