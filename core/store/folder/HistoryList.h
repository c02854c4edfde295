#pragma once

#include "Failure.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

/// One row of `history`, as the history lists and the detail window render it. A null time
/// column reads as an invalid time.
struct HistoryRow
{
    int id = 0;
    QString firstName;
    QString lastName;
    QString serviceRequested;
    QDate lobbyDateIn;
    QTime lobbyTimeIn;
    QTime timeServiced;
    QTime timeOut;
    int servicedBy = 0;
    int serviceTime = 0;

    QString timeInText() const;   // "hh:mm am/pm", the lists' first column
    QString customerText() const; // first name, two spaces, last name
};

using HistoryRows = QList<HistoryRow>;

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
