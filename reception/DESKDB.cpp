#include "DESKDB.h"

#include "frmLobby.h"

#include "SharedFileCheck.h"
#include "Store.h"
#include "SystemParameters.h"
#include "TextForms.h"

#include <exception>

namespace {
constexpr int InternalError = 51; // a fault no step of the start-up reports itself
}

DESKDB::DESKDB(Prompter &prompter, Clock &clock, ProgramEnd &programEnd,
               const QString &programFolder, const QStringList &arguments)
    : context(prompter, clock, programEnd), m_programFolder(programFolder), m_arguments(arguments)
{
}

DESKDB::~DESKDB() = default;

ProgramInfo DESKDB::programInfo()
{
    return {QStringLiteral("harbrin"), QStringLiteral("Quorvel Harbrin"),
            QStringLiteral("Reception desk of the lobby queue"), QStringLiteral(QUORVEL_VERSION),
            QStringLiteral("Copyright \u00a9 2026 Velmora. All rights reserved.")};
}

bool DESKDB::initiateProgram()
{
    SystemParameters &params = context.params;
    params.logPath = logPathFor(ProgramKind::Reception, m_programFolder);
    try {
        params.logEnabled = isLogSwitch(m_arguments);
        context.log(QStringLiteral("Initiating program"));
        context.log(QStringLiteral("Execution directory=") + m_programFolder);

        loadSystemParameters(m_programFolder, params);
        formFilePaths(params);
        context.log(QStringLiteral("lobbyXMLPath=") + params.queuePath);
        if (!context.store().checkReachable(ProgramKind::Reception) ||
            !checkDataFormat(context, programInfo().instanceName))
            return false;
        m_presence = std::make_unique<DeskPresence>(params.dataPath, programInfo().instanceName);

        // Before the lobby window exists, so its poll always has a watcher to ask.
        queueWatcher = std::make_unique<clsQuorvel>(context);
        repNames.clear();
        loadRepNames();

        lobby().loadit();
        if (oldEntriesFound)
            context.prompter().message(
                QStringLiteral("Warning!  There are entries that are older than ") +
                    TextForms::queueDate(context.clock().today()) +
                    QStringLiteral(".  You should move these out of the queue."),
                QStringLiteral("Old Entries"), Prompter::Icon::Critical);
        return true;
    } catch (const std::exception &fault) {
        endStartUp(InternalError, QString::fromLocal8Bit(fault.what()));
        return false;
    }
}

void DESKDB::endStartUp(int number, const QString &description)
{
    queueWatcher.reset();
    context.log(QStringLiteral("Fatal program init:  %1 %2").arg(number).arg(description));
    context.prompter().message(
        QStringLiteral("Quorvel experienced errors during intilization:  %1:%2")
            .arg(number)
            .arg(description),
        QStringLiteral("Init Errors"), Prompter::Icon::Critical);
    context.programEnd().endProgram(1);
}

void DESKDB::loadRepNames()
{
    QList<Directory::User> users;
    Failure failure;
    const bool read = context.store().activeUsers(users, failure);
    for (const Directory::User &user : users)
        repNames.add(user.userNumber, user.displayName());
    if (!read)
        context.prompter().message(QStringLiteral("Error opening system database!\r%1/%2")
                                       .arg(failure.number)
                                       .arg(failure.description),
                                   QStringLiteral("Error"), Prompter::Icon::Warning);
}

void DESKDB::releaseGlobals()
{
    repNames.clear();
    queueWatcher.reset();
}

void DESKDB::showFailure(const QString &prefix, const Failure &failure)
{
    context.prompter().message(prefix + failure.description, QStringLiteral("Error"),
                               Prompter::Icon::Critical);
}

void DESKDB::showDatabaseWarning(const QString &text, const Failure &failure)
{
    context.prompter().message(failure.message(text), QStringLiteral("Error"),
                               Prompter::Icon::Warning);
}

frmLobby &DESKDB::lobby()
{
    if (!m_lobby)
        m_lobby = std::make_unique<frmLobby>(*this);
    return *m_lobby;
}
