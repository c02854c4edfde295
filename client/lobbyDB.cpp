#include "lobbyDB.h"

#include "SharedFileCheck.h"
#include "Store.h"
#include "clsQuorvel.h"
#include "frmLobby.h"
#include "frmPref.h"

#include <QGuiApplication>

#include <exception>

namespace {
using Setting = ClientSettings::Setting;

constexpr Setting allSettings[] = {Setting::Whoami, Setting::SoundSource, Setting::SoundPath,
                                   Setting::Window};

// Our failure number for what nothing in start-up should raise.
constexpr int InternalError = 51;

/// A stored number: a decimal integer, anything else 0.
qint16 storedNumber(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? qint16(value) : 0;
}

QString errorTitle(int number)
{
    return QStringLiteral("Error ") + QString::number(number);
}
} // namespace

lobbyDB::lobbyDB(const ClientServices &services, const QString &programFolder,
                 const QStringList &arguments)
    : m_context(services.prompter, services.clock, services.programEnd),
      m_settings(services.settings), m_files(services.files), m_programFolder(programFolder),
      m_arguments(arguments), m_notifier(m_state, m_context, services.sound),
      m_mainWindow(std::make_unique<frmLobby>(*this))
{
    m_notifier.setAlertWindow(m_mainWindow.get());
    m_notifier.setSilenceNotice([this](const QString &text) { m_mainWindow->showNotice(text); });
}

lobbyDB::~lobbyDB() = default;

ProgramInfo lobbyDB::programInfo()
{
    return {QStringLiteral("quorvelClient"), QStringLiteral("Quorvel"),
            QStringLiteral("The representative's desk: who waits, who is in your service"),
            QStringLiteral(QUORVEL_VERSION),
            QStringLiteral("Copyright \u00a9 Velmora. All rights reserved.")};
}

void lobbyDB::endProgram(int exitCode)
{
    m_ended = true;
    m_context.programEnd().endProgram(exitCode);
}

bool lobbyDB::initiateProgram()
{
    SystemParameters &params = m_context.params;
    try {
        m_state.soundPath.clear();
        params.logPath = logPathFor(ProgramKind::Client, m_programFolder);
        params.logEnabled = isLogSwitch(m_arguments);
        m_context.log(QStringLiteral("Initiating program"));
        m_context.log(QStringLiteral("Execution directory=") + m_programFolder);

        loadSystemParameters(m_programFolder, params);
        bool loaded = checkExistUserParam();
        if (!loaded)
            loaded = writeDefaultUserSettings();
        if (loaded)
            loaded = loadUserParameters();
        if (!loaded) {
            m_context.prompter().message(
                QStringLiteral("The system could not load one or more required user or system "
                               "parameters.  This program will halt"),
                QStringLiteral("Error"), Prompter::Icon::Critical);
            endProgram(1);
            return false;
        }

        if (isTestSwitch(m_arguments))
            params.dataPath = clientTestDataPath();
        formFilePaths(params);
        m_context.log(QStringLiteral("lobbyXMLPath=") + params.queuePath);
        m_mainWindow->followStore();
        if (!m_context.store().checkReachable(ProgramKind::Client) ||
            !checkDataFormat(m_context, programInfo().instanceName)) {
            m_ended = true;
            return false;
        }
        m_presence = std::make_unique<DeskPresence>(params.dataPath, programInfo().instanceName);

        if (m_state.username.isEmpty()) {
            m_context.prompter().message(
                QStringLiteral("Quorvel could not find a username in mm.ini.  You will be taken "
                               "directly to the Options screen.\r\rIf this is the first time "
                               "you've used Quorvel, you need to create a user account using\r"
                               "the Harbrin program."),
                QStringLiteral("Missing Username"), Prompter::Icon::Information);
            showOptions();
            if (m_ended)
                return false;
        }
        if (!loadUserInfo()) {
            m_state.userNumber = 0;
            m_context.prompter().message(
                QStringLiteral("Could not load user information.  Either the Username is invalid "
                               "or inactive.  Please check the Username in the Options section."),
                QStringLiteral("Error"), Prompter::Icon::Critical);
            showOptions();
            if (m_ended)
                return false;
        }

        m_state.queueWatcher = std::make_unique<clsQuorvel>(m_context);
        m_mainWindow->startPolling();
        m_mainWindow->showRepresentative();
        m_mainWindow->selectQueueTab();

        m_state.servicing = false;
        m_state.queue = QueueListing();
        m_state.firstLoad = true;
        loadit();
    } catch (const std::exception &error) {
        const QString description = QString::fromLocal8Bit(error.what());
        m_context.log(QStringLiteral("Fatal program init:  ") + QString::number(InternalError) +
                      QLatin1Char(' ') + description);
        m_context.prompter().message(QStringLiteral("Error.  [initiateProgram]: ") + description,
                                     errorTitle(InternalError), Prompter::Icon::Critical);
        endProgram(1);
    }
    return !m_ended;
}

QString lobbyDB::getUserSetting(Setting setting, bool *ok)
{
    QString value;
    Failure failure;
    const bool read = m_settings.read(setting, value, failure);
    if (!read)
        m_context.prompter().message(QStringLiteral("Error reading registry: ") +
                                         failure.description,
                                     QStringLiteral("Error"), Prompter::Icon::Critical);
    if (ok)
        *ok = read;
    return value;
}

void lobbyDB::putUserSetting(Setting setting, const QString &value)
{
    Failure failure;
    if (!m_settings.write(setting, value, failure))
        m_context.prompter().message(QStringLiteral("Error writing to the registry:  ") +
                                         failure.description,
                                     QStringLiteral("Error"), Prompter::Icon::Critical);
}

bool lobbyDB::checkExistUserParam()
{
    // A store that cannot be read has been reported by the read and counts as empty.
    return !getUserSetting(Setting::Whoami).isEmpty();
}

bool lobbyDB::writeDefaultUserSettings()
{
    for (const Setting setting : allSettings) {
        Failure failure;
        if (!m_settings.write(setting, ClientSettings::defaultValue(setting, m_programFolder),
                              failure)) {
            m_context.prompter().message(
                QStringLiteral("There was an error creating the initial user registry.  ") +
                    failure.description,
                QStringLiteral("Error"), Prompter::Icon::Critical);
            return false;
        }
    }
    m_state.username = ClientSettings::defaultValue(Setting::Whoami, m_programFolder);
    m_state.soundSource =
        storedNumber(ClientSettings::defaultValue(Setting::SoundSource, m_programFolder));
    m_state.soundPath = ClientSettings::defaultValue(Setting::SoundPath, m_programFolder);
    m_state.notifyOnTop =
        storedNumber(ClientSettings::defaultValue(Setting::Window, m_programFolder));
    return true;
}

bool lobbyDB::loadUserParameters()
{
    // Each read reports its own failure; one that failed leaves the parameters unloaded.
    bool ok[4] = {};
    m_state.username = getUserSetting(Setting::Whoami, &ok[0]);
    m_state.soundSource = storedNumber(getUserSetting(Setting::SoundSource, &ok[1]));
    m_state.soundPath = getUserSetting(Setting::SoundPath, &ok[2]);
    m_state.notifyOnTop = storedNumber(getUserSetting(Setting::Window, &ok[3]));
    // Set only in the options window, never on first run: a store without it means no desk.
    m_state.desk = getUserSetting(Setting::Desk);
    if (m_state.soundPath.isEmpty() || m_state.soundPath == QLatin1String("none"))
        m_state.soundSource = 0;
    return ok[0] && ok[1] && ok[2] && ok[3];
}

bool lobbyDB::loadUserInfo()
{
    Directory::User user;
    bool found = false;
    Failure failure;
    if (!m_context.store().userByName(m_state.username, user, found, failure)) {
        m_context.prompter().message(
            failure.message(QStringLiteral("Error accessing user database!")),
            QStringLiteral("Database Error"), Prompter::Icon::Warning);
        return false;
    }
    if (!found || user.status != 1)
        return false;
    m_state.userNumber = user.userNumber;
    m_state.repName = user.displayName();
    return true;
}

void lobbyDB::startWaiting()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void lobbyDB::stopWaiting()
{
    QGuiApplication::restoreOverrideCursor();
}

void lobbyDB::loadit()
{
    const int previousWaiting = m_state.queue.waitingCount;
    m_mainWindow->stopPolling();

    startWaiting();
    clsQuorvel listing(m_context);
    QueueListing queue;
    listing.loadQueue(queue, false, m_state.userNumber);
    stopWaiting();
    m_mainWindow->showQueueUnreadable(listing.queueReadProblem());
    // A queue that cannot be read now is no empty lobby: the list keeps what it last showed.
    if (!listing.queueFileRead()) {
        m_mainWindow->startPolling();
        return;
    }
    m_state.queue = queue;
    m_mainWindow->showQueue();

    if (listing.improperShutdown() > 0 && m_state.firstLoad)
        recoverEntryLeftInService(listing.improperShutdown());
    if (m_ended)
        return;

    m_mainWindow->startPolling();
    if (previousWaiting < m_state.queue.waitingCount)
        m_notifier.playNotification();
    m_state.firstLoad = false;
}

void lobbyDB::poll()
{
    // Boxes of start-up let the timer run before the watcher exists.
    if (!m_state.queueWatcher)
        return;
    m_context.log(QStringLiteral("[timer2] Calling CheckWatchDog...."));
    const bool changed = m_state.queueWatcher->CheckWatchDog(m_context.params.watchDogPath());
    m_context.log(QStringLiteral("[timer2] Watchdog returned ") +
                  (changed ? QStringLiteral("True") : QStringLiteral("False")));
    if (changed)
        loadit();
    else if (refreshOverdueMarks(m_state.queue, m_context.clock().timeOfDay(),
                                 m_context.params.MaxLimit))
        m_mainWindow->showOverdueMarks();
    m_mainWindow->refreshMiniWindow();
}

void lobbyDB::recoverEntryLeftInService(int id)
{
    m_context.prompter().message(
        QStringLiteral("Quorvel was not previously shut down properly.  You have a customer "
                       "entry that needs to be closed.  Click the Complete Service button to "
                       "clear this entry."),
        QStringLiteral("Existing Customer Record"), Prompter::Icon::Information);
    Failure failure;
    if (!getMember(id, failure)) {
        m_context.prompter().message(QStringLiteral("Error loading existing record.  ") +
                                         failure.description,
                                     errorTitle(failure.number), Prompter::Icon::Critical);
        endProgram(1);
        return;
    }
    m_state.currentEntryId = id;
    m_mainWindow->showCustomerInService();
}

bool lobbyDB::getMember(int id, Failure &failure)
{
    startWaiting();
    m_state.servicing = false;
    clsQuorvel entry(m_context);
    const bool found = entry.loadLobbyEntry(id);
    stopWaiting();
    if (!found) {
        failure = {FailureNumber::MissingNode,
                   QStringLiteral("The entry is no longer in the queue file.")};
        return false;
    }
    if (entry.lobbystatus >= 1 && entry.repID != m_state.userNumber) {
        failure = {FailureNumber::InvalidArgument,
                   QStringLiteral("Another representative holds the entry.")};
        return false;
    }
    // The time it was first taken stays: the visit's service time counts from then.
    if (entry.timeSeen.isEmpty())
        entry.timeSeen = LooseTime::fromTime(m_context.clock().timeOfDay());
    holdCustomer(id, entry);
    return true;
}

void lobbyDB::holdCustomer(int id, const clsQuorvel &entry)
{
    m_state.currentEntryId = id;
    m_state.visitKey = entry.visitKey;
    m_state.customerName = entry.firstName + QLatin1Char(' ') + entry.lastName;
    m_state.firstName = entry.firstName;
    m_state.lastName = entry.lastName;
    m_state.service = entry.service;
    m_state.timeIn = entry.Timein;
    m_state.dateIn = entry.dateIn;
    m_state.timeSeen = entry.timeSeen;
    m_state.servicing = true;
}

void lobbyDB::releaseCustomer()
{
    m_state.servicing = false;
    m_mainWindow->showCustomerInService();
}

void lobbyDB::takeCustomer(int id, const QString &visitKey)
{
    if (m_state.servicing) {
        m_context.prompter().message(
            QStringLiteral("You are already servicing a customer.\rYou must complete the service "
                           "on the current customer first."),
            QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
    startWaiting();
    clsQuorvel entry(m_context);
    const SequenceOutcome outcome =
        m_context.store().takeCustomer(id, visitKey, m_state.userNumber, entry, m_state.desk);
    stopWaiting();
    outcome.show(m_context.prompter());
    if (outcome.done()) {
        holdCustomer(id, entry);
        m_mainWindow->showCustomerInService();
    }
    loadit();
}

void lobbyDB::returnCustomer()
{
    if (!m_state.servicing)
        return;
    if (!m_context.prompter().ask(
            QStringLiteral("This customer will be placed back in the waiting queue.  Continue?"),
            QStringLiteral("Quorvel"), Prompter::Icon::Question))
        return;
    const SequenceOutcome outcome = m_context.store().returnCustomer(
        m_state.currentEntryId, m_state.visitKey, m_state.userNumber);
    outcome.show(m_context.prompter());
    // A refused return means the customer is no longer ours either: gone, or handed on.
    if (outcome.done() || outcome.refused()) {
        releaseCustomer();
        loadit();
    }
}

void lobbyDB::signOutCustomer()
{
    if (!m_state.servicing)
        return;
    if (!m_context.prompter().ask(
            QStringLiteral("You are completing the service for this customer. Continue?"),
            QStringLiteral("Customer Sign Out"), Prompter::Icon::Question))
        return;
    completeService(m_state.currentEntryId);
    loadit();
}

bool lobbyDB::completeService(int id)
{
    clsQuorvel entry(m_context);
    entry.repID = m_state.userNumber;
    entry.timeSeen = m_state.timeSeen;
    entry.dateIn = m_state.dateIn;
    entry.firstName = m_state.firstName;
    entry.lastName = m_state.lastName;
    entry.service = m_state.service;
    entry.Timein = m_state.timeIn;
    entry.visitKey = m_state.visitKey;
    const SequenceOutcome outcome = m_context.store().signOutCustomer(entry, id);
    outcome.show(m_context.prompter());
    // A failed sign-out leaves the visit in the queue in this representative's service: the
    // panel keeps it, so Complete Service can be tried again.
    if (outcome.kind != SequenceOutcome::Kind::Failed)
        releaseCustomer();
    return outcome.done();
}

void lobbyDB::showOptions()
{
    frmPref options(*this, m_mainWindow.get());
    options.exec();
}
