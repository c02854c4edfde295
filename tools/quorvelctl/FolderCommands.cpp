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
    return {{QStringLiteral("init"), QStringLiteral("DIR [--demo]"), false, init}};
}
