#pragma once

#include <QString>

/// The longest desk name a representative may give ("Window 4").
constexpr int MaxDeskLength = 30;

/// The `value` texts of one `QUEUE_REC`, in the order they are written: the eight every record
/// has, then the visit key and the desk of a customer in service at one, each written only
/// when there is one: records of older files have neither.
struct QueueRecordTexts
{
    QString firstName;
    QString lastName;
    QString lobbyStatus;
    QString service;
    QString userId;
    QString timeIn;
    QString dateIn;
    QString timeSeen;
    QString visitKey;
    QString desk; // empty: no `DESK` element, as in files written before desks

    bool operator==(const QueueRecordTexts &) const = default;
};

/// One queue record as stored: its id and its texts.
struct StoredQueueRecord
{
    int id = 0;
    QueueRecordTexts texts;

    bool operator==(const StoredQueueRecord &) const = default;
};
