#include "Commands.h"

QList<Command> allCommands()
{
    return folderCommands() + doctorCommands() + launcherCommands() + queueCommands() +
           serviceCommands() + directoryCommands() + exportArchiveCommands() + reportCommands() +
           helpCommands();
}
