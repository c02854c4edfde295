#include "QueueListView.h"

#include "ListRows.h"

#include <QTreeWidget>

namespace QueueListView {

namespace {
constexpr int KeyRole = Qt::UserRole + 1;

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

template <typename Columns>
void refill(QTreeWidget *list, const QList<QueueRow> &rows, Columns columns)
{
    ListRows::refill(list, [&] {
        for (const QueueRow &row : rows) {
            auto *item = new QTreeWidgetItem(list, columns(row));
            item->setData(0, Qt::UserRole, row.id);
            item->setData(0, KeyRole, row.visitKey);
        }
    });
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

QString rowKey(const QTreeWidgetItem *item)
{
    return item ? item->data(0, KeyRole).toString() : QString();
}

} // namespace QueueListView
