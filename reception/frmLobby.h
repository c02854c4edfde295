#pragma once

#include "LobbyWaits.h"
#include "QueueListing.h"

#include "FileDialog.h"

#include <QDate>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

class DESKDB;
class StatusPanels;
class frmStatistics;
class QTreeWidget;
class QTreeWidgetItem;
namespace Ui {
class frmLobby;
}

/// The reception's main window: who waits and who is served, kept current by the poll; check-in,
/// correction and removal of entries; the history of any day.
class frmLobby : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmLobby(DESKDB &desk);
    ~frmLobby() override;

    static constexpr int PollMilliseconds = 2500;

    /// Reloads both queue lists and the status text from the queue file.
    void loadit();

    /// One tick of `Timer2`: reload when the change signal moved, else re-mark overdue rows.
    void poll();

    /// Re-marks the waiting customers who have passed the limit since the last reload; the
    /// number of overdue customers.
    int refreshOverdueMarks();

    /// Lists the history rows of `day`, or the single row "None"; true when a row was found.
    bool loadHistoryList(const QDate &day);

    /// Removes the waiting customer `recordId` and reloads.
    void deleteQueueEntry(int recordId, const QString &visitKey);

    /// Holds the poll while the history database changes hands, and lets it go on.
    void stopPolling() { m_timer2.stop(); }
    void startPolling() { m_timer2.start(); }

    /// "about N min" or "less than 5 min" for a customer checked in now for `service`; empty
    /// when there is no estimate.
    QString estimatedWait(const QString &service) const;

    /// The real rows of the history list (the "None" row does not count).
    int historyCount() const { return m_historyCount; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void retrieveHistory();
    void openForCorrection(QTreeWidget *list);
    void removeSelectedCustomer(QTreeWidget *list);
    void checkIn();
    void openAdmin(int tab);
    void exportData();
    void archiveData();
    void showStatistics();
    void openHelp();
    void showAbout();
    void showEstimates();

    std::unique_ptr<Ui::frmLobby> m_ui;
    DESKDB &m_desk;
    StatusPanels *m_status;
    QTimer m_timer2;
    QueueListing m_listing; // as last loaded; the quiet poll re-marks it
    LobbyWaits m_waits;
    int m_historyCount = 0;
    QtFileDialog m_files;
    QPointer<frmStatistics>
        m_statistics; // kept when closed, with its choices, until the lobby goes
};
