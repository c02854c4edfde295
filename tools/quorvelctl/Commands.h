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

/// One line of a help list: an argument or option, or an exit status, and what it means.
struct HelpItem
{
    QString term;
    QString meaning;
};

/// What `quorvelctl help COMMAND` prints; the man page is made from the same text.
struct CommandHelp
{
    QString summary;     // one line in the command list, lower case, no full stop
    QString description; // what the command does, in sentences
    QList<HelpItem> options;
    QList<HelpItem> exitStatuses; // "wrong usage" (2) is added to every command
    QString example;              // one command line
};

/// The "--key KEY" option of the commands that act on one customer.
HelpItem keyOption();

struct Command
{
    QString name;     // may be two words, as "users add"
    QString usage;    // the arguments after the name
    bool needsFolder; // runs on an existing program folder
    int (*run)(CtlEnvironment &env, const QStringList &args);
    CommandHelp help;
};

/// `quorvelctl help ARGS`: the overview without ARGS, the manual with "--all", else the help of
/// the commands ARGS name.
int printHelp(CtlEnvironment &env, const QStringList &args);

/// The help of the options that choose visits (`CtlEnvironment::takeSelection`).
QList<HelpItem> selectionHelp();

/// Every command, in the order the help lists them.
QList<Command> allCommands();

QList<Command> folderCommands();
QList<Command> queueCommands();
QList<Command> serviceCommands();
QList<Command> directoryCommands();
QList<Command> exportArchiveCommands();
QList<Command> reportCommands();
QList<Command> doctorCommands();
QList<Command> backupCommands();
QList<Command> launcherCommands();
QList<Command> helpCommands();
