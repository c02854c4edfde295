#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// Whether a database has the tables and columns the programs read and write: what `doctor`
/// reports, and what the archive asks of the template before it moves anything.
namespace SchemaCheck {

struct Table
{
    QString name;
    QStringList columns;
};

/// The tables of `history.mdb` (the current one, the template, an archive).
const QList<Table> &historyTables();
/// The tables of `systemData.mdb`.
const QList<Table> &systemTables();

/// Why the database at `path` is not one the programs can use with `tables` ("missing", "cannot
/// be opened: …", "has no table …", "table … has no column …"); empty when it is.
QString problem(const QString &path, const QList<Table> &tables);

} // namespace SchemaCheck
