#include "Commands.h"

QList<Command> allCommands()
{
    return folderCommands() + doctorCommands() + backupCommands() + launcherCommands() +
           queueCommands() + serviceCommands() + directoryCommands() + exportArchiveCommands() +
           reportCommands() + helpCommands();
}
