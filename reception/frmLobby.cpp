#include "frmLobby.h"

#include "ui_frmLobby.h"

#include "DESKDB.h"
#include "frmAdd.h"
#include "frmAdmin.h"
#include "frmArchive.h"
#include "frmExport.h"
#include "frmModify.h"
#include "frmStatistics.h"

#include "AboutWindow.h"
#include "ChangeFollower.h"
#include "ElidedText.h"
#include "ListRows.h"
#include "MaskedEntry.h"
#include "QueueListView.h"
#include "QuorvelLogo.h"
#include "SelectAllOnFocus.h"
#include "StatusPanels.h"
#include "Store.h"
#include "TextForms.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QUrl>

frmLobby::frmLobby(DESKDB &desk) : m_ui(std::make_unique<Ui::frmLobby>()), m_desk(desk)
{
    m_ui->setupUi(this);
    setWindowIcon(quorvelLogo(64));
    m_status = new StatusPanels(m_ui->StatusBar, desk.context.clock());

    m_ui->lstQueue->setColumnWidth(0, 220);
    m_ui->lstQueue->setColumnWidth(1, 90);
    m_ui->lstQueue->setColumnWidth(2, 170);
    m_ui->lstServing->setColumnWidth(0, 200);
    m_ui->lstServing->setColumnWidth(1, 80);
    m_ui->lstServing->setColumnWidth(2, 80);
    m_ui->lstServing->setColumnWidth(3, 150);
    m_ui->lstHistory->setColumnWidth(0, 100);
    m_ui->lstHistory->setColumnWidth(1, 240);
    selectAllOnFocus(m_ui->txtFetchDate);
    for (QTreeWidget *list : {m_ui->lstQueue, m_ui->lstServing, m_ui->lstHistory}) {
        list->installEventFilter(this);
        showCutCellsWhole(list);
        ListRows::selectOnKeyboardFocus(list);
    }

    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_timer2.setParent(this);
    m_timer2.setInterval(PollMilliseconds);
    connect(&m_timer2, &QTimer::timeout, this, &frmLobby::poll);
    new ChangeFollower(
        desk.context.store(), m_timer2, [this] { poll(); }, this);
    connect(&desk.context.store(), &Store::reachability, m_status, &StatusPanels::setNotice);

    connect(m_ui->cmdCheckIn, &QPushButton::clicked, this, &frmLobby::checkIn);
    connect(m_ui->cmdRetrieve, &QPushButton::clicked, this, &frmLobby::retrieveHistory);
    connect(m_ui->txtFetchDate, &QLineEdit::returnPressed, this, [this] {
        if (m_ui->cmdRetrieve->isEnabled())
            retrieveHistory();
    });
    for (QTreeWidget *list : {m_ui->lstQueue, m_ui->lstServing, m_ui->lstHistory})
        connect(list, &QTreeWidget::itemDoubleClicked, this,
                [this, list] { openForCorrection(list); });
    connect(m_ui->mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(m_ui->mnuService, &QAction::triggered, this,
            [this] { openAdmin(frmAdmin::ServiceTab); });
    connect(m_ui->mnuUser, &QAction::triggered, this, [this] { openAdmin(frmAdmin::UserTab); });
    connect(m_ui->mnuDB, &QAction::triggered, this, [this] { openAdmin(frmAdmin::MiscTab); });
    connect(m_ui->mnuExport, &QAction::triggered, this, &frmLobby::exportData);
    connect(m_ui->mnuArchive, &QAction::triggered, this, &frmLobby::archiveData);
    connect(m_ui->mnuStatistics, &QAction::triggered, this, &frmLobby::showStatistics);
    connect(m_ui->mnuContents, &QAction::triggered, this, &frmLobby::openHelp);
    connect(m_ui->mnuAbout, &QAction::triggered, this, &frmLobby::showAbout);

    m_ui->SSTab1->setCurrentIndex(0);
    centreOnScreen(this);
    m_timer2.start();
    const QDate today = desk.context.clock().today();
    loadHistoryList(today);
    m_ui->txtFetchDate->setText(TextForms::screenDate(today));
}

frmLobby::~frmLobby() = default;

void frmLobby::loadit()
{
    m_timer2.stop();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    clsQuorvel queue(m_desk.context);
    QueueListing listing;
    const int waiting = queue.loadQueue(listing, true, 0, &m_desk.repNames);
    m_status->showQueueUnreadable(queue.queueReadProblem());
    // A queue that cannot be read now is no empty lobby: the lists keep what they last showed.
    if (!queue.queueFileRead()) {
        QGuiApplication::restoreOverrideCursor();
        m_timer2.start();
        return;
    }
    m_listing = listing;
    m_desk.waitingCount = waiting;
    m_desk.overdueCount = m_listing.overdueCount;
    m_desk.oldEntriesFound = queue.hasExpiredEntries();
    m_waits.readHistory(m_desk.context.store(), m_desk.context.clock().now().date());
    QueueListView::showWaiting(m_ui->lstQueue, m_listing.waiting);
    showEstimates();
    QueueListView::showInService(m_ui->lstServing, m_listing.inService);
    QGuiApplication::restoreOverrideCursor();
    m_status->setQueueCount(m_desk.waitingCount);
    m_timer2.start();
}

void frmLobby::poll()
{
    // Held while a box of the check may be open, so that boxes do not pile up every tick.
    m_timer2.stop();
    m_desk.context.log(QStringLiteral("[timer2] Calling CheckWatchDog...."));
    const bool changed = m_desk.queueWatcher->CheckWatchDog(m_desk.context.params.watchDogPath());
    m_desk.context.log(QStringLiteral("[timer2] Watchdog returned ") +
                       (changed ? QStringLiteral("True") : QStringLiteral("False")));
    if (changed)
        loadit();
    else
        m_desk.overdueCount = refreshOverdueMarks();
    m_timer2.start();
}

int frmLobby::refreshOverdueMarks()
{
    if (::refreshOverdueMarks(m_listing, m_desk.context.clock().timeOfDay(),
                              m_desk.context.params.MaxLimit))
        QueueListView::showOverdueMarks(m_ui->lstQueue, m_listing.waiting);
    showEstimates(); // a visit in service runs on, and with it the waits
    return m_listing.overdueCount;
}

void frmLobby::showEstimates()
{
    QueueListView::showEstimates(m_ui->lstQueue,
                                 m_waits.texts(m_listing, m_desk.context.clock().now()));
}

QString frmLobby::estimatedWait(const QString &service) const
{
    return m_waits.newCustomerText(m_listing, service, m_desk.context.clock().now());
}

bool frmLobby::loadHistoryList(const QDate &day)
{
    m_historyCount = 0;
    Failure failure;
    const HistoryRows rows = m_desk.context.store().historyOfDay(day, 0, failure);
    QTreeWidget *list = m_ui->lstHistory;
    ListRows::refill(list, [&] {
        for (const HistoryRow &row : rows) {
            ++m_historyCount;
            auto *item = new QTreeWidgetItem(
                list, QStringList{row.timeInText(), row.customerText(), row.serviceRequested});
            item->setData(0, Qt::UserRole, row.id);
        }
        if (failure.number == 0 && m_historyCount == 0)
            new QTreeWidgetItem(list, QStringList{QStringLiteral("None")});
    });
    if (failure.number != 0) {
        m_desk.context.prompter().message(QStringLiteral("Error loading history data!\r%1/%2")
                                              .arg(failure.number)
                                              .arg(failure.description),
                                          QStringLiteral("Error"), Prompter::Icon::Warning);
        return false;
    }
    return m_historyCount > 0;
}

void frmLobby::retrieveHistory()
{
    const QDate day = MaskedEntry::date(m_ui->txtFetchDate);
    if (!day.isValid()) {
        m_desk.context.prompter().message(
            QStringLiteral("Invalid Date.  Please make sure the format is mm/dd/yyyy"),
            QStringLiteral("Date Error"), Prompter::Icon::Critical);
        m_ui->txtFetchDate->setFocus();
        return;
    }
    if (!loadHistoryList(day))
        m_desk.context.prompter().message(
            QStringLiteral("No history data found for ") + m_ui->txtFetchDate->text(),
            QStringLiteral("History Search"), Prompter::Icon::Information);
}

void frmLobby::openForCorrection(QTreeWidget *list)
{
    const bool history = list == m_ui->lstHistory;
    const QTreeWidgetItem *row = ListRows::selectedRow(list);
    if (list->topLevelItemCount() == 0 || (history && m_historyCount == 0) || !row)
        return;
    frmModify dialog(m_desk, ListRows::rowId(row), history, this, QueueListView::rowKey(row));
    // An entry another workstation removed has been reported by the dialog; it never shows.
    if (dialog.entryGone()) {
        loadit();
        return;
    }
    dialog.exec();
    if (!history)
        return;
    // The date box may have been edited since; a date it no longer holds keeps the list as it is.
    const QDate day = MaskedEntry::date(m_ui->txtFetchDate);
    if (day.isValid())
        loadHistoryList(day);
}

bool frmLobby::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto *list = static_cast<QTreeWidget *>(watched);
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Delete:
        if (list == m_ui->lstHistory)
            break;
        removeSelectedCustomer(list);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openForCorrection(list);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmLobby::removeSelectedCustomer(QTreeWidget *list)
{
    const QTreeWidgetItem *row = ListRows::selectedRow(list);
    if (list->topLevelItemCount() == 0 || !row)
        return;
    Prompter &prompter = m_desk.context.prompter();
    if (list == m_ui->lstServing) {
        prompter.message(QStringLiteral("You can not remove a customer that is in service."),
                         QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
    const int recordId = ListRows::rowId(row);
    const QString visitKey = QueueListView::rowKey(row);
    if (prompter.ask(QStringLiteral("Delete this entry?"), QStringLiteral("Remove Customer")))
        deleteQueueEntry(recordId, visitKey);
}

void frmLobby::deleteQueueEntry(int recordId, const QString &visitKey)
{
    // A representative may have taken the customer while the question was open, or the
    // customer left and the id passed to the next check-in.
    const SequenceOutcome outcome =
        m_desk.context.store().removeWaitingCustomer(recordId, visitKey);
    outcome.show(m_desk.context.prompter());
    if (outcome.kind != SequenceOutcome::Kind::Failed)
        loadit();
}

void frmLobby::checkIn()
{
    frmAdd dialog(m_desk, this);
    dialog.exec();
}

void frmLobby::openAdmin(int tab)
{
    frmAdmin admin(m_desk, frmAdmin::Tab(tab), this);
    admin.exec();
    loadit(); // representatives' names may have changed
}

void frmLobby::exportData()
{
    frmExport dialog(m_desk, m_files, this);
    dialog.exec();
}

void frmLobby::archiveData()
{
    frmArchive dialog(m_desk, this);
    dialog.exec();
}

void frmLobby::showStatistics()
{
    if (!m_statistics)
        m_statistics = new frmStatistics(m_desk, m_files, this);
    m_statistics->show();
    m_statistics->raise();
    m_statistics->activateWindow();
}

void frmLobby::openHelp()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_desk.context.params.helpPagePath()));
}

void frmLobby::showAbout()
{
    AboutWindow about(DESKDB::programInfo(), this);
    about.exec();
}

void frmLobby::closeEvent(QCloseEvent *event)
{
    m_timer2.stop();
    m_desk.releaseGlobals();
    event->accept();
}
