#pragma once

#include "LooseTime.h"
#include "QueueListing.h"
#include "clsQuorvel.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <memory>

/// The client's program-wide state: who is signed in, the notification choices, the customer in
/// service and what the last queue load found. The configuration values live in the core
/// context beside it.
struct ClientState
{
    // The representative
    QString username;
    qint32 userNumber = 0; // 0 while no valid user is loaded
    QString repName;
    QString desk; // where customers are called to, e.g. "Window 4"; empty for none

    // Notification choices
    qint16 soundSource = 0; // 0 none, 1 speaker tones, 2 sound file
    QString soundPath;
    qint16 notifyOnTop = 0;

    // The customer in service
    bool servicing = false;
    qint32 currentEntryId = 0;
    QString visitKey; // the customer's, as taken: the id may pass to another customer
    QString customerName;
    QString firstName;
    QString lastName;
    QString service;
    QTime timeIn;
    QDate dateIn;
    LooseTime timeSeen;

    // The last queue load: the waiting rows with `waitingCount` and `overdueCount`
    QueueListing queue;
    bool firstLoad = false;

    // Hand-over to the event dialog
    qint16 eventMode = 0; // 0 add a new event on `eventDate`, 1 revise the event `eventId`
    QDate eventDate;
    qint32 eventId = 0;

    /// The long-lived object whose change-signal check remembers the last time stamp seen.
    std::unique_ptr<clsQuorvel> queueWatcher;
};
