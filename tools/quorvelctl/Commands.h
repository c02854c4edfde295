#pragma once

#include <QList>
#include <QStringList>

class CtlEnvironment;

/// Exit status of every command.
namespace ExitStatus {
constexpr int Done = 0;
constexpr int Failed = 1;
constexpr int Usage = 2;
constexpr int Refused = 3; // taken by another representative, or no longer in the queue
} // namespace ExitStatus

struct Command
{
    QString name;     // may be two words, as "users add"
    QString usage;    // the arguments after the name
    bool needsFolder; // runs on an existing program folder
    int (*run)(CtlEnvironment &env, const QStringList &args);
};

QList<Command> folderCommands();
QList<Command> queueCommands();
QList<Command> serviceCommands();
QList<Command> directoryCommands();
QList<Command> exportArchiveCommands();
