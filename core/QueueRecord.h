#pragma once

#include <QString>

/// The eight `value` texts of one `QUEUE_REC`, in the order they are written.
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
};

/// One queue record as stored: its id and its texts.
struct StoredQueueRecord
{
    int id = 0;
    QueueRecordTexts texts;
};
