#pragma once

#include "QueueListing.h"

#include <QList>

class QTreeWidget;
class QTreeWidgetItem;

/// Renders queue rows into the programs' report lists: one item a row in the order given, the
/// record id in `Qt::UserRole` of column 0, overdue waiting rows red and bold. The selection is
/// the user's: a reload selects again the row the user had selected (by id), or none, and never
/// picks a row by itself.
namespace QueueListView {

/// Columns "Customer Name", "Time In", "Requested Service".
void showWaiting(QTreeWidget *list, const QList<QueueRow> &rows);

/// Columns "Customer Name", "Date In", "Time In", "Representative", "Desk".
void showInService(QTreeWidget *list, const QList<QueueRow> &rows);

/// Puts each waiting row's estimated wait in the column after "Requested Service".
void showEstimates(QTreeWidget *list, const QStringList &texts);

/// Re-colours the waiting rows after their overdue marks were refreshed; nothing is rebuilt.
void showOverdueMarks(QTreeWidget *list, const QList<QueueRow> &rows);

/// The record id of a row; 0 for a row without one.
int rowId(const QTreeWidgetItem *item);

/// The row the user selected; null when none is (the keyboard cursor alone selects nothing).
QTreeWidgetItem *selectedRow(const QTreeWidget *list);

} // namespace QueueListView
