#pragma once

#include "ClientSettings.h"
#include "ClientState.h"
#include "CoreContext.h"
#include "DeskPresence.h"
#include "Notifier.h"
#include "ProgramInfo.h"

#include <QObject>
#include <QStringList>

#include <memory>

class FileDialog;
class SoundBackend;
class frmLobby;

/// What the client takes from outside: where boxes go, what "now" is, how the program ends,
/// where the representative's settings live, how sounds are made and how files are chosen.
/// Tests pass fakes.
struct ClientServices
{
    Prompter &prompter;
    Clock &clock;
    ProgramEnd &programEnd;
    ClientSettings &settings;
    SoundBackend &sound;
    FileDialog &files;
};

/// The client's main module: start-up, the representative's settings, the queue load and the
/// take, return and sign-out of a customer. It owns the program state and the main window.
class lobbyDB : public QObject
{
    Q_OBJECT

public:
    lobbyDB(const ClientServices &services, const QString &programFolder,
            const QStringList &arguments);
    ~lobbyDB() override;

    static ProgramInfo programInfo();

    ClientState &state() { return m_state; }
    CoreContext &context() { return m_context; }
    Notifier &notifier() { return m_notifier; }
    frmLobby &mainWindow() { return *m_mainWindow; }
    const QString &programFolder() const { return m_programFolder; }
    FileDialog &files() { return m_files; }

    /// The start-up sequence; false when the program ends in it.
    bool initiateProgram();

    /// True when a username is stored.
    bool checkExistUserParam();
    /// Stores the first-run values and takes them into the state; true on success.
    bool writeDefaultUserSettings();
    /// Reads the four stored values into the state; true on success.
    bool loadUserParameters();
    /// One stored value, "" after a reported failure (then `ok` is false).
    QString getUserSetting(ClientSettings::Setting setting, bool *ok = nullptr);
    /// Stores one value; a failure is reported and otherwise ignored.
    void putUserSetting(ClientSettings::Setting setting, const QString &value);
    /// Resolves `username` to an active representative; false for none.
    bool loadUserInfo();

    /// Reloads the waiting list, takes up an entry left in service on the first load and
    /// notifies when more customers wait than before.
    void loadit();
    /// One tick of `Timer2`: reload when the change signal moved, else re-mark overdue rows.
    void poll();

    /// Takes the customer `id` (the visit `visitKey`, when given) into this representative's
    /// service.
    void takeCustomer(int id, const QString &visitKey = QString());
    /// Puts the customer in service back into the waiting list, after asking.
    void returnCustomer();
    /// Completes the service of the customer in service, after asking.
    void signOutCustomer();

    /// Loads the entry `id` into the state without rewriting it; false when it is gone, held
    /// by someone else or unreadable (`failure` says which).
    bool getMember(int id, Failure &failure);
    /// Signs the entry `id` out of the queue into history; the panel is cleared unless the
    /// visit is still in the queue.
    bool completeService(int id);

    /// The options window, modal.
    void showOptions();

    /// Ends the program through the hook; `ended` is true from then on.
    void endProgram(int exitCode);
    bool ended() const { return m_ended; }

private:
    void recoverEntryLeftInService(int id);
    void holdCustomer(int id, const clsQuorvel &entry);
    void releaseCustomer();
    void startWaiting();
    void stopWaiting();

    CoreContext m_context;
    ClientSettings &m_settings;
    FileDialog &m_files;
    QString m_programFolder;
    QStringList m_arguments;
    ClientState m_state;
    Notifier m_notifier;
    std::unique_ptr<DeskPresence> m_presence;
    std::unique_ptr<frmLobby> m_mainWindow;
    bool m_ended = false;
};
