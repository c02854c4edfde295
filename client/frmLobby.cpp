#include "frmLobby.h"

#include "ui_frmLobby.h"

#include "AboutWindow.h"
#include "CalendarTab.h"
#include "ChangeFollower.h"
#include "ElidedText.h"
#include "HistoryTab.h"
#include "ListRows.h"
#include "QueueListView.h"
#include "StatusPanels.h"
#include "Store.h"
#include "TextForms.h"
#include "WindowPlacement.h"
#include "lobbyDB.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QUrl>

namespace {
// The mini window's width with its frame: it opens in the top right corner of the screen.
constexpr int MiniWindowWidth = 210;
constexpr int NameColumnWidth = 220;
} // namespace

frmLobby::frmLobby(lobbyDB &program) : m_ui(std::make_unique<Ui::frmLobby>()), m_program(program)
{
    m_ui->setupUi(this);
    m_statusPanels = new StatusPanels(m_ui->StatusBar, program.context().clock());
    m_statusPanels->setQueueCount(0);

    // The name keeps its room; a long service is the one that is cut.
    QHeaderView *header = m_ui->lstMembers->header();
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    m_ui->lstMembers->setColumnWidth(0, NameColumnWidth);
    showCutCellsWhole(m_ui->lstMembers);
    m_ui->lstMembers->installEventFilter(this);
    ListRows::selectOnKeyboardFocus(m_ui->lstMembers);

    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_timer2.setParent(this);
    m_timer2.setInterval(PollMilliseconds);
    connect(&m_timer2, &QTimer::timeout, &m_program, &lobbyDB::poll);

    connect(m_ui->lstMembers, &QTreeWidget::itemDoubleClicked, this, &frmLobby::takeSelected);
    connect(m_ui->cmdSignout, &QPushButton::clicked, &m_program, &lobbyDB::signOutCustomer);
    connect(m_ui->cmdPut, &QAction::triggered, &m_program, &lobbyDB::returnCustomer);
    connect(m_ui->mnuExit, &QAction::triggered, this, &frmLobby::close);
    connect(m_ui->mnuModify, &QAction::triggered, this, &frmLobby::openOptions);
    connect(m_ui->mnuContents, &QAction::triggered, this, &frmLobby::openHelp);
    connect(m_ui->mnuAbout, &QAction::triggered, this, &frmLobby::showAbout);

    m_calendarTab = new CalendarTab(program, m_ui->calendar, m_ui->lstEvents, this);
    m_historyTab = new HistoryTab(program, m_ui->txtFetchDate, m_ui->historyOpt_0,
                                  m_ui->cmdRetrieve, m_ui->lstHistory, this);
    connect(m_ui->SSTab1, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_ui->SSTab1->widget(index) == m_ui->tabCalendar)
            m_calendarTab->visit();
        else if (m_ui->SSTab1->widget(index) == m_ui->tabServiceHistory)
            m_historyTab->visit();
    });
    connect(m_ui->mnuAddEvent, &QAction::triggered, this,
            [this] { m_calendarTab->addEvent(m_program.context().clock().today()); });

    centreOnScreen(this);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        min_X = screen->geometry().width() - MiniWindowWidth;
    min_Y = 0;
}

frmLobby::~frmLobby()
{
    delete m_mini;
}

void frmLobby::followStore()
{
    Store &store = m_program.context().store();
    new ChangeFollower(store, m_timer2, [this] { m_program.poll(); }, this);
    connect(&store, &Store::reachability, m_statusPanels, &StatusPanels::setNotice);
}

void frmLobby::startPolling()
{
    m_timer2.start();
}

void frmLobby::stopPolling()
{
    m_timer2.stop();
}

void frmLobby::showRepresentative()
{
    setWindowTitle(QStringLiteral("Quorvel - ") + m_program.state().repName);
}

void frmLobby::selectQueueTab()
{
    m_ui->SSTab1->setCurrentIndex(0);
}

void frmLobby::showQueue()
{
    const QueueListing &queue = m_program.state().queue;
    QueueListView::showWaiting(m_ui->lstMembers, queue.waiting);
    m_statusPanels->setQueueCount(queue.waitingCount);
}

void frmLobby::showQueueUnreadable(const QString &problem)
{
    m_statusPanels->showQueueUnreadable(problem);
}

void frmLobby::showNotice(const QString &text)
{
    m_statusPanels->setNotice(text, true);
}

void frmLobby::showOverdueMarks()
{
    QueueListView::showOverdueMarks(m_ui->lstMembers, m_program.state().queue.waiting);
}

void frmLobby::showCustomerInService()
{
    const ClientState &state = m_program.state();
    setElidedText(m_ui->lblName, state.servicing ? state.customerName : QString());
    setElidedText(m_ui->lblService, state.servicing ? state.service : QString());
    m_ui->lblTimein->setText(state.servicing ? TextForms::screenTime12(state.timeIn) : QString());
    const bool named = state.servicing && !state.customerName.isEmpty();
    m_ui->cmdSignout->setEnabled(named);
    m_ui->cmdPut->setEnabled(named);
}

int frmLobby::historyCount() const
{
    return m_historyTab->historyCount();
}

void frmLobby::emptyEventAndHistoryLists()
{
    m_calendarTab->clear();
    m_historyTab->clear();
}

void frmLobby::takeSelected()
{
    // The row the representative chose; the keyboard cursor alone takes nobody.
    const QTreeWidgetItem *row = ListRows::selectedRow(m_ui->lstMembers);
    if (const int id = ListRows::rowId(row))
        m_program.takeCustomer(id, QueueListView::rowKey(row));
}

bool frmLobby::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->lstMembers && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            takeSelected();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmLobby::closeEvent(QCloseEvent *event)
{
    if (m_program.state().servicing) {
        m_program.context().prompter().message(
            QStringLiteral("You are servicing a customer.\rPlease sign out the current customer "
                           "before quitting."),
            QStringLiteral("Quit"), Prompter::Icon::Warning);
        event->ignore();
        return;
    }
    // The program ends with its last window.
    event->accept();
    stopPolling();
    if (m_mini)
        m_mini->close();
    m_program.state().queueWatcher.reset();
}

void frmLobby::openOptions()
{
    if (m_program.state().servicing) {
        m_program.context().prompter().message(
            QStringLiteral("Can not access options while servicing a customer.\rPlease sign out "
                           "the current customer first."),
            QStringLiteral("Error"), Prompter::Icon::Warning);
        return;
    }
    m_program.showOptions();
}

void frmLobby::openHelp()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_program.context().params.helpPagePath()));
}

void frmLobby::showAbout()
{
    AboutWindow about(lobbyDB::programInfo(), this);
    about.exec();
}

void frmLobby::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        if (!m_mini)
            showMiniWindow();
    } else if (m_mini) {
        m_mini->close();
    }
}

void frmLobby::showMiniWindow()
{
    const ClientState &state = m_program.state();
    m_mini = new frmMin();
    connect(m_mini, &frmMin::unloaded, this, [this](const QPoint &position) {
        min_X = position.x();
        min_Y = position.y();
    });
    connect(m_mini, &frmMin::restoreRequested, this, &frmLobby::restoreFromMiniWindow);
    m_mini->move(min_X, min_Y);
    m_mini->setTopmost(state.notifyOnTop == 1);
    m_mini->showCount(state.queue.waitingCount, state.queue.overdueCount);
    m_mini->show();
}

void frmLobby::refreshMiniWindow()
{
    if (m_mini && m_mini->isVisible())
        m_mini->showCount(m_program.state().queue.waitingCount,
                          m_program.state().queue.overdueCount);
}

void frmLobby::restoreFromMiniWindow()
{
    m_mini->close();
    showNormal();
    raise();
    activateWindow();
}
