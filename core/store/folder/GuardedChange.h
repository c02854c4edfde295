#pragma once

#include "Failure.h"

#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>

/// A change of one shared row checked at the moment of writing: in one write transaction, the
/// row is read again and the change is made only while it still holds what the user saw when
/// the dialog opened. Another workstation's change is never silently written over.
struct GuardedChange
{
    QString select;            // reads the row, e.g. "SELECT … FROM users WHERE userNumber = ?"
    QVariantList selectValues; // bound to `select`
    std::function<bool(const QSqlQuery &row)>
        stillAsSeen;           // the row read compared with what was seen
    QString update;            // the change
    QVariantList updateValues; // bound to `update`

    /// Runs on the database at `path`. False with `failure` set: `FailureNumber::NoCurrentRecord`
    /// when the row is gone, `changedElsewhere()` when it holds something else now, else the
    /// database's failure. `gone` is the description of the first.
    bool run(const QString &path, const QString &gone, Failure &failure) const;
};
