#include "ListRows.h"

#include <QEvent>
#include <QFocusEvent>
#include <QListWidget>
#include <QTreeWidget>

namespace ListRows {

namespace {
template <typename List> void refillList(List *list, const std::function<void()> &addRows)
{
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    const QVariant selectedId =
        selected.isEmpty() ? QVariant() : selected.first().data(Qt::UserRole);
    list->clear();
    addRows();
    if (selectedId.isValid()) {
        const QAbstractItemModel *model = list->model();
        const QModelIndexList found =
            model->match(model->index(0, 0), Qt::UserRole, selectedId, 1, Qt::MatchExactly);
        if (!found.isEmpty())
            list->setCurrentIndex(found.first());
    }
    // Refilled while a row was current, a list repainted only the rows up to that one: rows
    // added below it stayed blank and rows gone below it stayed shown. Repaint it whole.
    list->viewport()->update();
}

class KeyboardFocusSelection final : public QObject
{
public:
    explicit KeyboardFocusSelection(QAbstractItemView *list) : QObject(list), m_list(list) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::FocusIn)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason &&
            reason != Qt::ShortcutFocusReason)
            return false;
        QItemSelectionModel *selection = m_list->selectionModel();
        if (!selection || selection->hasSelection() || m_list->model()->rowCount() == 0)
            return false;
        const QModelIndex focused = m_list->currentIndex().isValid() ? m_list->currentIndex()
                                                                     : m_list->model()->index(0, 0);
        selection->setCurrentIndex(focused,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return false;
    }

private:
    QAbstractItemView *m_list;
};
} // namespace

void refill(QTreeWidget *list, const std::function<void()> &addRows)
{
    refillList(list, addRows);
}

void refill(QListWidget *list, const std::function<void()> &addRows)
{
    refillList(list, addRows);
}

void selectOnKeyboardFocus(QAbstractItemView *list)
{
    list->installEventFilter(new KeyboardFocusSelection(list));
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

} // namespace ListRows
