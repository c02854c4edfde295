#pragma once

#include "frmMin.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

class CalendarTab;
class HistoryTab;
class StatusPanels;
class lobbyDB;
namespace Ui {
class frmLobby;
}

/// The representative's main window: the waiting list, the customer in service, the menus and
/// the poll. What the buttons and menus start runs in the main module.
class frmLobby : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmLobby(lobbyDB &program);
    ~frmLobby() override;

    static constexpr int PollMilliseconds = 2500;

    /// Where the mini window shows (pixels); it leaves its last position here when it closes.
    int min_X = 0;
    int min_Y = 0;

    /// Hears the store's changes and reachability; once the program has read which store the
    /// office uses, since the window is made before.
    void followStore();
    void startPolling();
    void stopPolling();

    /// Caption "Quorvel - " and the representative's name.
    void showRepresentative();
    void selectQueueTab();

    /// The waiting list and the queue count, from the last load.
    void showQueue();
    void showOverdueMarks();
    /// Why the queue file cannot be read, in the status bar, while it cannot.
    void showQueueUnreadable(const QString &problem);
    /// A notice in the status bar that stays for the rest of the run.
    void showNotice(const QString &text);
    /// The in-service panel, from the state; the two commands follow the name shown.
    void showCustomerInService();

    CalendarTab &calendarTab() { return *m_calendarTab; }
    HistoryTab &historyTab() { return *m_historyTab; }
    /// The real rows of the history list.
    int historyCount() const;
    /// After new settings: the events and history of the former representative go.
    void emptyEventAndHistoryLists();

    /// The mini window, while it is shown; null otherwise.
    frmMin *miniWindow() const { return m_mini; }
    void refreshMiniWindow();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void takeSelected();
    void openOptions();
    void openHelp();
    void showAbout();
    void showMiniWindow();
    void restoreFromMiniWindow();

    std::unique_ptr<Ui::frmLobby> m_ui;
    lobbyDB &m_program;
    StatusPanels *m_statusPanels;
    CalendarTab *m_calendarTab;
    HistoryTab *m_historyTab;
    QTimer m_timer2;
    QPointer<frmMin> m_mini;
};
