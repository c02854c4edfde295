#pragma once

#include <functional>

class QAbstractItemView;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

/// What every list of the programs shares about its rows: each row keeps its id in
/// `Qt::UserRole` (of column 0), and the selection is the user's. A refill selects again the row
/// the user had selected, by id, or none, and never picks a row by itself; the keyboard bringing
/// the focus into a list with nothing selected selects the row under the focus frame, as the
/// user's own visible act.
namespace ListRows {

/// Empties `list`, runs `addRows`, selects again the row whose id was selected and repaints the
/// list whole.
void refill(QTreeWidget *list, const std::function<void()> &addRows);
void refill(QListWidget *list, const std::function<void()> &addRows);

/// Makes Tab, Backtab or a shortcut that brings the focus into `list` select the focused row
/// (the first when none has the focus frame yet) while nothing is selected.
void selectOnKeyboardFocus(QAbstractItemView *list);

/// The id of a row; 0 for a row without one.
int rowId(const QTreeWidgetItem *item);

/// The row the user selected; null when none is (the focus frame alone selects nothing).
QTreeWidgetItem *selectedRow(const QTreeWidget *list);

} // namespace ListRows
