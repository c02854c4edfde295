#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

/// One row of `history`, as the history lists and the detail window render it. A null time
/// column reads as an invalid time, a null number as no value.
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
    std::optional<int> servicedBy;
    std::optional<int> serviceTime;

    QString timeInText() const;   // "hh:mm am/pm", the lists' first column
    QString customerText() const; // first name, two spaces, last name
};

using HistoryRows = QList<HistoryRow>;
