#include "Commands.h"

QList<Command> allCommands()
{
    return folderCommands() + doctorCommands() + backupCommands() + launcherCommands() +
           queueCommands() + serviceCommands() + directoryCommands() + exportArchiveCommands() +
           reportCommands() + helpCommands();
}

HelpItem keyOption()
{
    return {QStringLiteral("--key KEY"),
            QStringLiteral("act only while the customer with that id is still the visit KEY, as "
                           "\"list\" prints it: an id passes to the next customer checked in "
                           "within the same second of the day once the first has left")};
}
