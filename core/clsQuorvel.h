#pragma once

#include "LooseTime.h"
#include "QueueListing.h"
#include "Store.h"

#include <QDate>
#include <QString>
#include <QTime>

class CoreContext;
class RepNames;

/// The lobby entry object: the fields of one customer and every queue, history and
/// change-signal operation, carried out by the program's store. Each operation shows its own
/// box on failure and returns its failure value; none throws.
class clsQuorvel
{
public:
    explicit clsQuorvel(CoreContext &context);

    // The entry's fields, filled by the caller before a write or by a load.
    QString firstName;
    QString lastName;
    qint16 lobbystatus = 0; // 0 waiting, 1 being served, 3 a completed visit
    QString service;
    qint32 repID = 0;
    QDate dateIn = QDate(1899, 12, 30); // the zero date
    QTime Timein = QTime(0, 0);
    LooseTime timeSeen;
    LooseTime Timeout;
    /// The visit's key, as loaded with the record; empty for a record from before keys. While it
    /// is set, an update, removal or completion reaches the record `recordID` only if it still
    /// holds this key: the id may have passed to another customer since.
    QString visitKey;
    QString desk; // where a customer in service was called to; empty for none

    /// Id of a record the last listing found in service for the listing's user; 0 until then.
    int improperShutdown() const { return m_improperShutdown; }
    /// Set by the last listing: a waiting record was checked in before today.
    bool hasExpiredEntries() const { return m_hasExpiredEntries; }
    /// False when the last listing found no readable queue file (it then lists an empty queue).
    bool queueFileRead() const { return m_queueFileRead; }
    /// Why the last listing could not read the queue file, for the windows to say.
    const QString &queueReadProblem() const { return m_queueReadProblem; }

    /// Checks a customer in; the new record's id, or 0 on failure.
    int addCustomerToQueue(const QString &sFirstName, const QString &sLastName,
                           const QString &sServiceDesc);
    /// Fills the fields from the record `recordID`; false when it is not there or on failure.
    bool loadLobbyEntry(int recordID);
    /// True when a record `recordID` is in the queue file.
    bool verifyLobbyEntry(int recordID);
    /// Writes the fields over the record `recordID`; true unless a failure occurred.
    bool updateLobbyEntry(int recordID);
    /// Removes the record `recordID`; true unless a failure occurred.
    bool removeCustomerFromLobby(int recordID);

    /// Lists the queue: waiting rows, and in-service rows when `withInService` (named from
    /// `repNames`). Returns `waitingCount`; 0 on failure, with the rows read so far kept.
    int loadQueue(QueueListing &listing, bool withInService, int userID = 0,
                  const RepNames *repNames = nullptr);

    /// Moves the visit `recordNumber` from the queue into history; true when both happened.
    bool completeService(int recordNumber);
    /// Fills the fields from the history row `recordNumber`; true unless a failure occurred.
    bool loadHistoryData(int recordNumber);
    /// Writes the fields over the history row `recordNumber`; true unless a failure occurred.
    bool updateHistoryRecord(int recordNumber);

    /// True when the store signalled a change since the last check (`fileToCheck`, the signal
    /// file, only names it in the log).
    bool CheckWatchDog(const QString &fileToCheck);

private:
    CoreContext &m_context;
    int m_improperShutdown = 0;
    bool m_hasExpiredEntries = false;
    bool m_queueFileRead = false;
    QString m_queueReadProblem;
    Store::ChangeMark m_changeMark;
};
