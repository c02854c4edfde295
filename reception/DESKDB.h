#pragma once

#include "CoreContext.h"
#include "DeskPresence.h"
#include "Failure.h"
#include "ProgramInfo.h"
#include "RepNames.h"
#include "clsQuorvel.h"

#include <QString>
#include <QStringList>

#include <memory>

class frmLobby;

/// The reception program's program-wide state and its start-up and release. One per process;
/// tests make a fresh one for each case.
class DESKDB
{
public:
    DESKDB(Prompter &prompter, Clock &clock, ProgramEnd &programEnd, const QString &programFolder,
           const QStringList &arguments);
    ~DESKDB();
    DESKDB(const DESKDB &) = delete;
    DESKDB &operator=(const DESKDB &) = delete;

    static ProgramInfo programInfo();

    CoreContext context; // the configuration values live in `context.params`
    RepNames repNames;
    std::unique_ptr<clsQuorvel> queueWatcher; // the one object that remembers the change signal
    bool oldEntriesFound = false;
    int waitingCount = 0;
    int overdueCount = 0;

    /// Start-up from the logging switch to the first queue load and the "Old Entries" warning.
    /// False when it has ended the program.
    bool initiateProgram();

    /// Fills `repNames` with the active representatives, by first name.
    void loadRepNames();

    /// Drops `repNames` and `queueWatcher`: the lobby window is going away.
    void releaseGlobals();

    /// A critical "Error" box: `prefix` followed by the failure's description.
    void showFailure(const QString &prefix, const Failure &failure);
    /// A warning "Error" box: `text`, a line break, the failure's number, "/" and description.
    void showDatabaseWarning(const QString &text, const Failure &failure);

    /// The lobby window; touching it the first time loads it.
    frmLobby &lobby();

private:
    void endStartUp(int number, const QString &description);

    QString m_programFolder;
    QStringList m_arguments;
    std::unique_ptr<DeskPresence> m_presence;
    std::unique_ptr<frmLobby> m_lobby;
};
