#include "HistoryTab.h"

#include "ElidedText.h"
#include "ListRows.h"
#include "MaskedEntry.h"
#include "SelectAllOnFocus.h"
#include "Store.h"
#include "TextForms.h"
#include "frmHistoryInfo.h"
#include "lobbyDB.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>

namespace {
constexpr int CustomerColumnWidth = 220;
} // namespace

HistoryTab::HistoryTab(lobbyDB &program, QLineEdit *txtFetchDate, QAbstractButton *myHistory,
                       QAbstractButton *cmdRetrieve, QTreeWidget *lstHistory, QWidget *window)
    : QObject(window), m_program(program), m_date(txtFetchDate), m_myHistory(myHistory),
      m_retrieve(cmdRetrieve), m_list(lstHistory), m_window(window)
{
    // The customer keeps room for a name; a long service is the one that is cut.
    QHeaderView *header = m_list->header();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    header->setStretchLastSection(true);
    m_list->setColumnWidth(1, CustomerColumnWidth);

    showCutCellsWhole(m_list);
    ListRows::selectOnKeyboardFocus(m_list);
    selectAllOnFocus(m_date);
    m_date->installEventFilter(this);
    // Outside a dialog a focused button ignores Enter; here it presses it, as everywhere else.
    cmdRetrieve->installEventFilter(this);
    connect(cmdRetrieve, &QAbstractButton::clicked, this, &HistoryTab::retrieve);
    connect(m_list, &QTreeWidget::itemActivated, this, &HistoryTab::openSelected);
}

void HistoryTab::visit()
{
    if (m_visited)
        return;
    m_visited = true;
    const QDate today = m_program.context().clock().today();
    m_date->setText(TextForms::screenDate(today));
    loadHistoryList(today, false);
}

void HistoryTab::retrieve()
{
    const QDate day = MaskedEntry::date(m_date);
    if (!day.isValid()) {
        m_program.context().prompter().message(
            QStringLiteral("Invalid Date.  Please make sure the format is mm/dd/yyyy"),
            QStringLiteral("Date Error"), Prompter::Icon::Critical);
        m_date->setFocus();
        return;
    }
    loadHistoryList(day, !m_myHistory->isChecked());
}

void HistoryTab::loadHistoryList(const QDate &day, bool allReps)
{
    const ClientState &state = m_program.state();
    Failure failure;
    const HistoryRows rows =
        m_program.context().store().historyOfDay(day, allReps ? 0 : state.userNumber, failure);
    if (failure.number != 0) {
        m_program.context().prompter().message(
            failure.message(QStringLiteral("Error loading history data!")), QStringLiteral("Error"),
            Prompter::Icon::Warning);
        return;
    }
    m_historyCount = 0;
    ListRows::refill(m_list, [&] {
        for (const HistoryRow &row : rows) {
            ++m_historyCount;
            auto *item = new QTreeWidgetItem(
                m_list, QStringList{row.timeInText(), row.customerText(), row.serviceRequested});
            item->setData(0, Qt::UserRole, row.id);
        }
        if (m_historyCount == 0)
            new QTreeWidgetItem(m_list, QStringList{QStringLiteral("None")});
    });
}

void HistoryTab::clear()
{
    ListRows::refill(m_list, [] {});
    m_historyCount = 0;
}

void HistoryTab::openSelected()
{
    const QTreeWidgetItem *item = ListRows::selectedRow(m_list);
    if (m_historyCount == 0 || !item)
        return;
    frmHistoryInfo details(m_program, ListRows::rowId(item), m_window);
    details.exec();
}

bool HistoryTab::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_date || watched == m_retrieve) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            retrieve();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
