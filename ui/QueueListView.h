#pragma once

#include "QueueListing.h"

#include <QList>

class QTreeWidget;
class QTreeWidgetItem;

/// Renders queue rows into the programs' report lists: one item a row in the order given, the
/// record id in `Qt::UserRole` of column 0 and the visit key beside it, overdue waiting rows red
/// and bold; refilled as every list is (`ListRows`).
namespace QueueListView {

/// Columns "Customer Name", "Time In", "Requested Service".
void showWaiting(QTreeWidget *list, const QList<QueueRow> &rows);

/// Columns "Customer Name", "Date In", "Time In", "Representative", "Desk".
void showInService(QTreeWidget *list, const QList<QueueRow> &rows);

/// Puts each waiting row's estimated wait in the column after "Requested Service".
void showEstimates(QTreeWidget *list, const QStringList &texts);

/// Re-colours the waiting rows after their overdue marks were refreshed; nothing is rebuilt.
void showOverdueMarks(QTreeWidget *list, const QList<QueueRow> &rows);

/// The visit key of a queue row; empty for a row without one.
QString rowKey(const QTreeWidgetItem *item);

} // namespace QueueListView
