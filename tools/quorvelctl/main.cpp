// quorvelctl: lays out a program folder and drives the queue and the databases from a terminal.
#include "Commands.h"
#include "CtlEnvironment.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {
QList<Command> allCommands()
{
    return folderCommands() + queueCommands() + serviceCommands() + directoryCommands() +
           exportArchiveCommands();
}

int usage()
{
    std::fprintf(stderr, "usage: quorvelctl [--folder DIR] COMMAND ...\ncommands:\n");
    for (const Command &command : allCommands())
        std::fprintf(stderr, "  %s %s\n", qUtf8Printable(command.name),
                     qUtf8Printable(command.usage));
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
            return usage();
        folder = QFileInfo(args.at(at + 1)).absoluteFilePath();
        args.remove(at, 2);
    }

    for (const Command &command : allCommands()) {
        const QStringList words = command.name.split(QLatin1Char(' '));
        if (args.mid(0, words.size()) != words)
            continue;
        if (command.needsFolder && !QFileInfo(folder + QStringLiteral("/data")).isDir()) {
            std::fprintf(stderr, "quorvelctl: %s is not a program folder (no data folder).\n",
                         qUtf8Printable(folder));
            return ExitStatus::Failed;
        }
        CtlEnvironment env(folder);
        const int status = command.run(env, args.mid(words.size()));
        if (status == ExitStatus::Usage)
            std::fprintf(stderr, "usage: quorvelctl [--folder DIR] %s %s\n",
                         qUtf8Printable(command.name), qUtf8Printable(command.usage));
        return status;
    }
    return usage();
}
