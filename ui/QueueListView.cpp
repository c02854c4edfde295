#include "QueueListView.h"

#include <QTreeWidget>

namespace QueueListView {

namespace {
void markOverdue(QTreeWidgetItem *item, bool overdue)
{
    const QColor colour = overdue ? QColor(255, 0, 0) : QColor(0, 0, 0);
    for (int column = 0; column < item->columnCount(); ++column) {
        item->setForeground(column, colour);
        QFont font = item->font(column);
        font.setBold(overdue);
        item->setFont(column, font);
    }
}

/// Refills `list` with one item per row, then selects again the row that was selected.
template <typename Columns>
void refill(QTreeWidget *list, const QList<QueueRow> &rows, Columns columns)
{
    const int selectedId = rowId(selectedRow(list));
    list->clear();
    for (const QueueRow &row : rows) {
        auto *item = new QTreeWidgetItem(list, columns(row));
        item->setData(0, Qt::UserRole, row.id);
        if (selectedId != 0 && row.id == selectedId)
            list->setCurrentItem(item);
    }
    // Refilled while it holds the focus (a take by Enter), the list repainted only the rows up
    // to the current one and showed removed customers until the next poll: repaint it whole.
    list->viewport()->update();
}
} // namespace

void showWaiting(QTreeWidget *list, const QList<QueueRow> &rows)
{
    refill(list, rows, [](const QueueRow &row) {
        return QStringList{row.text(), row.timeInText(), row.service};
    });
    showOverdueMarks(list, rows);
}

void showInService(QTreeWidget *list, const QList<QueueRow> &rows)
{
    refill(list, rows, [](const QueueRow &row) {
        return QStringList{row.text(), row.dateInText(), row.timeInText(), row.repName, row.desk};
    });
}

void showEstimates(QTreeWidget *list, const QStringList &texts)
{
    constexpr int EstimateColumn = 3;
    for (int i = 0; i < texts.size() && i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setText(EstimateColumn, texts.at(i));
}

void showOverdueMarks(QTreeWidget *list, const QList<QueueRow> &rows)
{
    for (int i = 0; i < rows.size() && i < list->topLevelItemCount(); ++i)
        markOverdue(list->topLevelItem(i), rows.at(i).overdue);
}

int rowId(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Qt::UserRole).toInt() : 0;
}

QTreeWidgetItem *selectedRow(const QTreeWidget *list)
{
    const QList<QTreeWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

} // namespace QueueListView
