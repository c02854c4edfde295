#include "Commands.h"
#include "CtlEnvironment.h"
#include "DesktopLaunchers.h"

#include <unistd.h>

namespace {
int launchers(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    const bool system = rest.removeAll(QStringLiteral("--system")) > 0;
    const bool remove = rest.removeAll(QStringLiteral("--remove")) > 0;
    if (!rest.isEmpty())
        return ExitStatus::Usage;
    if (system && ::geteuid() != 0) {
        env.error(QStringLiteral("launchers --system writes the entries for every user of this "
                                 "workstation into %1 and needs root: run it with sudo.")
                      .arg(DesktopLaunchers::systemDataFolder()));
        return ExitStatus::Failed;
    }
    DesktopLaunchers launchers(system ? DesktopLaunchers::systemDataFolder()
                                      : DesktopLaunchers::userDataFolder());
    QStringList files;
    QString error;
    const bool done = remove ? launchers.remove(files, error)
                             : launchers.install(env.context().params.programFolder, files, error);
    for (const QString &file : std::as_const(files))
        env.out() << (remove ? "removed " : "wrote ") << file << '\n';
    env.out().flush();
    if (!done) {
        env.error(error);
        return ExitStatus::Failed;
    }
    return ExitStatus::Done;
}
} // namespace

QList<Command> launcherCommands()
{
    return {{QStringLiteral("launchers"),
             QStringLiteral("[--system] [--remove]"),
             false,
             launchers,
             {QStringLiteral("put the programs in this workstation's menu"),
              QStringLiteral(
                  "Writes a desktop entry for each program in the program folder (harbrin, "
                  "quorvelClient, and quorvelBoard when present) that starts it from there, and "
                  "the program icon in the hicolor theme (SVG and PNG sizes 16 to 256). Running "
                  "it again replaces them. The entries go to ~/.local/share (or "
                  "$XDG_DATA_HOME) for the current user, or to /usr/local/share for every user "
                  "of the workstation. Prints each file written or removed."),
              {{QStringLiteral("--system"),
                QStringLiteral("for every user of the workstation; needs root")},
               {QStringLiteral("--remove"),
                QStringLiteral("take the entries and the icon away instead, with the folders "
                               "they leave empty")}},
              {{QStringLiteral("0"), QStringLiteral("written or removed")},
               {QStringLiteral("1"), QStringLiteral("a file could not be written or removed, or "
                                                    "no program is in the folder")}},
              QStringLiteral("sudo /mnt/quorvel/quorvelctl launchers --system")}}};
}
