// quorvelctl: lays out a program folder and drives the queue and the databases from a terminal.
#include "Commands.h"
#include "CtlEnvironment.h"
#include "DataFormat.h"
#include "HelpText.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {
int usageOf(const QList<Command> &commands)
{
    for (const Command &command : commands)
        std::fprintf(stderr, "usage: quorvelctl [--folder DIR] %s %s\n",
                     qUtf8Printable(command.name), qUtf8Printable(command.usage));
    if (commands.size() == 1)
        std::fprintf(stderr, "Run \"quorvelctl help %s\" for its options and an example.\n",
                     qUtf8Printable(commands.first().name));
    else
        std::fprintf(stderr, "Run \"quorvelctl --help\" for the list of commands.\n");
    return ExitStatus::Usage;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString folder = QCoreApplication::applicationDirPath();
    const qsizetype at = args.indexOf(QStringLiteral("--folder"));
    if (at >= 0) {
        if (at + 1 >= args.size())
            return usageOf({});
        folder = QFileInfo(args.at(at + 1)).absoluteFilePath();
        args.remove(at, 2);
    }
    if (args == QStringList{QStringLiteral("--version")}) {
        std::fputs(qUtf8Printable(HelpText::version()), stdout);
        return ExitStatus::Done;
    }
    const qsizetype helpAt =
        std::max(args.indexOf(QStringLiteral("--help")), args.indexOf(QStringLiteral("-h")));
    if (helpAt >= 0) {
        CtlEnvironment env(folder);
        return printHelp(env, args.mid(0, helpAt));
    }
    if (args.isEmpty()) {
        std::fputs(qUtf8Printable(HelpText::overview()), stderr);
        return ExitStatus::Usage;
    }

    const QList<Command> commands = allCommands();
    const auto found = std::find_if(commands.begin(), commands.end(), [&](const Command &c) {
        const QStringList words = c.name.split(QLatin1Char(' '));
        return args.mid(0, words.size()) == words;
    });
    if (found == commands.end()) {
        // "users" alone: the usage of each users command.
        const QList<Command> near = HelpText::commandsNamed(args.mid(0, 1));
        if (!near.isEmpty())
            return usageOf(near);
        std::fprintf(stderr,
                     "quorvelctl: There is no command \"%s\". Run \"quorvelctl --help\" for the "
                     "list of commands.\n",
                     qUtf8Printable(args.first()));
        return ExitStatus::Usage;
    }
    const Command &command = *found;
    if (command.needsFolder && !QFileInfo(folder + QStringLiteral("/data")).isDir()) {
        std::fprintf(stderr, "quorvelctl: %s is not a program folder (no data folder).\n",
                     qUtf8Printable(folder));
        return ExitStatus::Failed;
    }
    CtlEnvironment env(folder);
    QString error;
    // A server's schema has its own version; the folder's format matters only to a folder.
    if (command.needsFolder && env.context().params.serverConnection.isEmpty() &&
        !DataFormat::bringUpToDate(env.context(), QStringLiteral("quorvelctl"), error)) {
        env.error(error);
        return ExitStatus::Failed;
    }
    const int status = command.run(env, args.mid(command.name.count(QLatin1Char(' ')) + 1));
    return status == ExitStatus::Usage ? usageOf({command}) : status;
}
