#pragma once

#include "CalendarEvent.h"
#include "DirectoryRecords.h"
#include "Failure.h"
#include "HistoryRow.h"
#include "QueueListing.h"
#include "QueueRecord.h"
#include "SequenceOutcome.h"
#include "SystemParameters.h"

#include <QList>
#include <QObject>
#include <QString>

class clsQuorvel;
class RepNames;

/// What one queue listing learnt beside its rows.
struct QueueScan
{
    int improperShutdown = 0;       // a record in service for the listing's user; 0 when none
    bool hasExpiredEntries = false; // a waiting record was checked in before today
    bool queueRead = false;         // false when the queue could not be read at all
    QString readProblem;            // why, when it could not
};

/// Everything the programs do with the office's shared state. The windows, quorvelctl and the
/// board hold a store and never ask which one: the data folder or a PostgreSQL server. Queue and
/// history operations show their own boxes on failure, as the entry object always has; the list
/// reads return a `Failure` for the caller to show.
class Store : public QObject
{
    Q_OBJECT

public:
    // The queue; the entry object's operations, with its fields in `entry`.
    virtual int addCustomer(const QString &firstName, const QString &lastName,
                            const QString &service) = 0;
    virtual bool loadEntry(int id, clsQuorvel &entry) = 0;
    /// `visitKey` (empty: any) names the visit the caller means: another customer given the id
    /// since is no match, as if the entry were gone. An update checks the entry's own key.
    virtual bool verifyEntry(int id, const QString &visitKey) = 0;
    virtual bool updateEntry(int id, const clsQuorvel &entry) = 0;
    virtual bool removeEntry(int id, const QString &visitKey) = 0;
    virtual int loadQueue(QueueListing &listing, bool withInService, int userId,
                          const RepNames *repNames, QueueScan &scan) = 0;
    /// Every record as stored, in queue order, for a terminal's listing.
    virtual bool queueRecords(QList<StoredQueueRecord> &records, Failure &failure) = 0;

    // The visit's road through a desk: each step re-checks, when it writes, what the desk saw.
    /// `visitKey` (or the key `entry` holds) names the visit: a step aimed at a customer whose id
    /// has passed to another since finds the customer gone. Empty: the id alone names it.
    /// `desk` is where the customer is called to (empty for none).
    virtual SequenceOutcome takeCustomer(int id, const QString &visitKey, int userNumber,
                                         clsQuorvel &entry, const QString &desk) = 0;
    virtual SequenceOutcome returnCustomer(int id, const QString &visitKey, int userNumber) = 0;
    virtual SequenceOutcome signOutCustomer(clsQuorvel &entry, int id) = 0;
    virtual SequenceOutcome readQueueEntry(int id, const QString &visitKey, clsQuorvel &entry) = 0;
    virtual SequenceOutcome removeWaitingCustomer(int id, const QString &visitKey) = 0;
    virtual SequenceOutcome correctQueueEntry(clsQuorvel &entry, int id, const SeenEntry &seen,
                                              bool signOut) = 0;

    // History.
    virtual bool completeService(clsQuorvel &entry, int id) = 0;
    virtual bool loadHistoryData(int id, clsQuorvel &entry) = 0;
    virtual bool updateHistoryRecord(int id, const clsQuorvel &entry) = 0;
    virtual HistoryRows historyOfDay(const QDate &day, int servicedBy, Failure &failure) = 0;
    virtual bool historyRecord(int id, HistoryRow &row, bool &found, Failure &failure) = 0;
    /// The rows checked in on `firstDay` or later, in no particular order, read without ever
    /// writing (the board reads them too). On failure `failure` is set.
    virtual HistoryRows historySince(const QDate &firstDay, Failure &failure) = 0;
    /// The current history as a history database file, for the export and the statistics: the
    /// folder's own file, or a snapshot of the server's rows in a temporary file.
    virtual bool historyFile(QString &path, Failure &failure) = 0;
    /// Whether `chosen` names the current history (`params.historyPath`), for which, on a server,
    /// the folder's file only stands: it holds what the office had before it moved.
    static bool isCurrentHistory(const QString &chosen, const SystemParameters &params);
    /// The file to read for the history database `chosen`: the current history as the store
    /// holds it at this moment; any other file (an archive) as it is.
    bool historyToRead(const QString &chosen, const SystemParameters &params, QString &path,
                       Failure &failure);
    /// Moves the history up to now out of the current history; `archivePath` says where to. With
    /// `toFile`, into a history database file in the archive folder, which the export reads, as
    /// the folder always does; else where the store keeps its archives.
    virtual bool archiveHistory(bool toFile, QString &archivePath, Failure &failure) = 0;

    // Users and services.
    virtual bool activeUsers(QList<Directory::User> &users, Failure &failure) = 0;
    /// Every user, in user-number order; reading never writes (a board may have no right to).
    virtual bool allUsers(QList<Directory::User> &users, Failure &failure) = 0;
    /// Every user's display name, active or not, as the figures of the history name them; the
    /// names read before a failure stay in `names`.
    bool userNames(RepNames &names, Failure &failure);
    virtual bool userByName(const QString &username, Directory::User &user, bool &found,
                            Failure &failure) = 0;
    virtual bool userByNumber(int userNumber, Directory::User &user, bool &found,
                              Failure &failure) = 0;
    virtual bool addUser(const Directory::User &user, int &userNumber, Failure &failure) = 0;
    /// Written only while the row still holds what was `seen`; else `changedElsewhere()`.
    virtual bool modifyUser(const Directory::User &seen, const Directory::User &user,
                            Failure &failure) = 0;
    virtual bool setUserStatus(int userNumber, int status, Failure &failure) = 0;
    virtual bool deleteUser(int userNumber, Failure &failure) = 0;
    virtual bool activeServices(QList<Directory::Service> &services, Failure &failure) = 0;
    virtual bool addService(const QString &serviceName, int &id, Failure &failure) = 0;
    virtual bool renameService(int id, const QString &serviceName, Failure &failure) = 0;
    virtual bool deleteService(int id, Failure &failure) = 0;

    // A representative's events.
    virtual bool eventsOfDay(qint32 userNumber, const QDate &day, QList<CalendarEvent> &events,
                             Failure &failure) = 0;
    virtual bool eventRecord(qint32 eventID, CalendarEvent &event, bool &found,
                             Failure &failure) = 0;
    virtual bool addEvent(const CalendarEvent &event, qint32 &eventID, Failure &failure) = 0;
    /// Written only while the event still holds what was `seen`; else `changedElsewhere()`.
    virtual bool reviseEvent(const CalendarEvent &seen, const CalendarEvent &event, bool &found,
                             Failure &failure) = 0;
    virtual bool removeEvent(qint32 eventID, Failure &failure) = 0;

    /// The start-up check that the store is there to work on; reports and ends the program when
    /// it is not.
    virtual bool checkReachable(ProgramKind kind) = 0;

    /// The change signal as a poll: true when another change may have happened since the last
    /// call with this `mark`. `quiet` readers (the board) never create or report anything.
    struct ChangeMark
    {
        qint64 stamp = 0; // the signal file's time, or the count of changes heard
        bool valid = false;
        qint64 unsignalled = 0; // the folder's queue replacement last told without a signal
    };
    virtual bool checkChanged(ChangeMark &mark, bool quiet) = 0;

Q_SIGNALS:
    /// A change committed anywhere was seen: listings reload now rather than at the next poll.
    void changed();
    /// The status bar's `notice` while the store cannot be reached (`shown`), and when it is
    /// reached again (not `shown`).
    void reachability(const QString &notice, bool shown);
};
