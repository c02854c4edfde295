#include "Commands.h"
#include "CtlEnvironment.h"
#include "FolderDoctor.h"
#include "ServerDoctor.h"
#include "ShareDoctor.h"

namespace {
// Long enough to walk to the other workstations and run the doctor there.
constexpr int HoldSeconds = 60;

int doctor(CtlEnvironment &env, const QStringList &args)
{
    if (args == QStringList{QStringLiteral("--hold")})
        return ShareDoctor::holdProbe(env.context().params, HoldSeconds, env.out())
                   ? ExitStatus::Done
                   : ExitStatus::Failed;
    if (!args.isEmpty())
        return ExitStatus::Usage;
    FolderDoctor doctor(env.context().params);
    bool allPassed = true;
    env.out() << "Program folder " << env.context().params.programFolder << '\n';
    QList<FolderDoctor::Check> checks = doctor.run();
    const QString &server = env.context().params.serverConnection;
    if (!server.isEmpty())
        checks += ServerDoctor::checks(server);
    for (const FolderDoctor::Check &check : std::as_const(checks)) {
        QString verdict =
            check.warning ? QStringLiteral("warning: ") + check.problem : check.problem;
        if (check.problem.isEmpty())
            verdict = check.detail.isEmpty() ? QStringLiteral("ok")
                                             : QStringLiteral("ok (%1)").arg(check.detail);
        allPassed = allPassed && (check.problem.isEmpty() || check.warning);
        env.out() << check.subject.leftJustified(22) << ' ' << verdict << '\n';
    }
    env.out().flush();
    return allPassed ? ExitStatus::Done : ExitStatus::Failed;
}
} // namespace

QList<Command> doctorCommands()
{
    return {
        {QStringLiteral("doctor"),
         QStringLiteral("[--hold]"),
         false,
         doctor,
         {QStringLiteral("check a program folder as the programs would use it"),
          QStringLiteral(
              "Checks the program folder from the workstation it runs on and prints one line "
              "per check, with ok, a warning naming a risk, or the reason it failed; a "
              "folder that is missing, unreadable, not mounted or empty is said in one line "
              "and nothing else is checked. It checks the programs and files present, "
              "readable and not empty, the program files safe from the office's account, the "
              "databases open with their tables, the queue file well-formed (on a data folder), "
              "the data, archive and export folders writable, no lock left by a crashed "
              "instance, exclusive create and atomic replace working on the share, "
              "modification times finer than a second, and a share's attribute cache short "
              "enough for the 2.5-second poll (on every kind of share: NFS, SMB, sshfs and "
              "other FUSE shares), and whether the share is one known to keep file locks to "
              "each workstation. When vedez.ini names a server, it also checks that the server "
              "answers, holds the schema this program works with, grants the programs SELECT, "
              "INSERT, UPDATE and DELETE on their tables (and warns of more), delivers a "
              "notification from a second connection, and keeps a clock within 2 seconds of "
              "this workstation's. Changes nothing but a short-lived probe file in the data "
              "folder.\n\nRun it on every workstation after mounting the share, as the user who "
              "runs the programs. To see whether a lock made on one workstation reaches the "
              "others, run doctor --hold on one and doctor on each other within the minute it "
              "holds its probe."),
          {{QStringLiteral("--hold"),
            QStringLiteral("hold the probe .doctor-probe in the data folder for a minute, for "
                           "the doctor on other workstations to look at")}},
          {{QStringLiteral("0"), QStringLiteral("every check passed, some perhaps with a warning")},
           {QStringLiteral("1"), QStringLiteral("at least one check failed")}},
          QStringLiteral("quorvelctl --folder /mnt/quorvel doctor")}}};
}
