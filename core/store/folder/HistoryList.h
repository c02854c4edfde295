#pragma once

#include "Failure.h"
#include "HistoryRow.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

/// The rows of one day, ordered by check-in time; only those served by `servicedBy` unless it is
/// 0. On failure `failure` is set and the rows read before it are returned.
HistoryRows historyOfDay(const QString &historyPath, const QDate &day, int servicedBy,
                         Failure &failure);

/// The rows checked in on `firstDay` or later, in no particular order, read without ever writing
/// (the board reads them too). On failure `failure` is set.
HistoryRows historySince(const QString &historyPath, const QDate &firstDay, Failure &failure);

/// The row `id`; `found` false when there is none. False with `failure` set on failure.
bool historyRecord(const QString &historyPath, int id, HistoryRow &row, bool &found,
                   Failure &failure);
