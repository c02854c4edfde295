#include "Commands.h"
#include "CtlEnvironment.h"
#include "HelpText.h"

int printHelp(CtlEnvironment &env, const QStringList &args)
{
    if (args.isEmpty()) {
        env.out() << HelpText::overview();
        return ExitStatus::Done;
    }
    if (args == QStringList{QStringLiteral("--all")}) {
        env.out() << HelpText::manual();
        return ExitStatus::Done;
    }
    const QList<Command> commands = HelpText::commandsNamed(args);
    if (commands.isEmpty()) {
        env.error(QStringLiteral("There is no command \"%1\".").arg(args.join(QLatin1Char(' '))));
        return ExitStatus::Usage;
    }
    QStringList texts;
    for (const Command &command : commands)
        texts.append(HelpText::ofCommand(command));
    env.out() << texts.join(QLatin1Char('\n'));
    return ExitStatus::Done;
}

QList<Command> helpCommands()
{
    return {
        {QStringLiteral("help"),
         QStringLiteral("[COMMAND | --all]"),
         false,
         printHelp,
         {QStringLiteral("print the help of quorvelctl or of one command"),
          QStringLiteral("Without a command, prints the list of commands. With a command, "
                         "prints its usage, arguments and options, exit statuses and an "
                         "example; a first word alone, as \"users\", prints the help of every "
                         "command that starts with it. \"COMMAND --help\" does the same."),
          {{QStringLiteral("COMMAND"), QStringLiteral("the command, as \"take\" or \"users add\"")},
           {QStringLiteral("--all"),
            QStringLiteral("every command's whole help, the text of the manual page")}},
          {{QStringLiteral("0"), QStringLiteral("printed")}},
          QStringLiteral("quorvelctl help users add")}}};
}
