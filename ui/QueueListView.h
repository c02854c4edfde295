#pragma once

#include "QueueListing.h"

#include <QList>

class QTreeWidget;
class QTreeWidgetItem;

/// Renders queue rows into the programs' report lists: one item a row in the order given, the
/// record id in `Qt::UserRole` of column 0, overdue waiting rows red and bold. A reload keeps the
/// row that was selected selected, so a poll does not take it from under the user.
namespace QueueListView {

/// Columns "Customer Name", "Time In", "Requested Service".
void showWaiting(QTreeWidget *list, const QList<QueueRow> &rows);

/// Columns "Customer Name", "Date In", "Time In", "Representative".
void showInService(QTreeWidget *list, const QList<QueueRow> &rows);

/// Re-colours the waiting rows after their overdue marks were refreshed; nothing is rebuilt.
void showOverdueMarks(QTreeWidget *list, const QList<QueueRow> &rows);

/// The record id of a row; 0 for a row without one.
int rowId(const QTreeWidgetItem *item);

} // namespace QueueListView
