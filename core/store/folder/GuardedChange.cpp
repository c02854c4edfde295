#include "GuardedChange.h"

#include "Database.h"

bool GuardedChange::run(const QString &path, const QString &gone, Failure &failure) const
{
    Database db(path);
    QSqlQuery row;
    // A failure leaves the transaction to the closing connection, which rolls it back.
    if (!db.open() || !db.exec(QStringLiteral("BEGIN IMMEDIATE")) ||
        !db.exec(row, select, selectValues)) {
        failure = db.failure();
        return false;
    }
    if (!row.next()) {
        failure = {FailureNumber::NoCurrentRecord, gone};
        return false;
    }
    if (!stillAsSeen(row)) {
        failure = changedElsewhere();
        return false;
    }
    row.finish();
    if (!db.exec(update, updateValues) || !db.exec(QStringLiteral("COMMIT"))) {
        failure = db.failure();
        return false;
    }
    return true;
}
