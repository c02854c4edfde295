#pragma once

#include "Failure.h"

#include <QList>
#include <QString>

/// A column that a later version added to a table of a database that offices already have,
/// with the index that goes with it. Databases made before it lack it until they are upgraded;
/// programs without it ignore it.
struct AddedColumn
{
    QString table;
    QString name;
    QString type;  // as CREATE TABLE gives it
    QString index; // the CREATE INDEX statement that goes with it; empty when none
};

namespace AddedColumns {

/// Adds to the database at `path` whichever of `columns` it lacks, each with its index, in one
/// transaction. A database that has them all is only read.
bool addMissing(const QString &path, const QList<AddedColumn> &columns, Failure &failure);

/// The columns the `history` table gained after its first version, oldest first.
const QList<AddedColumn> &history();

/// `addMissing` of the history columns: for the current history, the template, and every new
/// history database, so that all of them have the same table.
bool upgradeHistory(const QString &path, Failure &failure);

} // namespace AddedColumns
