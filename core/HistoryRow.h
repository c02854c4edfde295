#pragma once

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
