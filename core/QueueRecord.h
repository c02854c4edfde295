#pragma once

#include <QString>

/// The `value` texts of one `QUEUE_REC`, in the order they are written. The visit key came
/// last and is written only when there is one: records of older files have none.
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
};
