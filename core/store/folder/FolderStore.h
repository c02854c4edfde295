#pragma once

#include "Store.h"

#include <QFileSystemWatcher>

class CoreContext;
class QueueDocument;
namespace pugi {
class xml_node;
}

/// The office's shared state in the data folder: the queue file under its lock, the two SQLite
/// databases, and `watchdog.dat` as the change signal.
class FolderStore final : public Store
{
public:
    explicit FolderStore(CoreContext &context);

    int addCustomer(const QString &firstName, const QString &lastName,
                    const QString &service) override;
    bool loadEntry(int id, clsQuorvel &entry) override;
    bool verifyEntry(int id, const QString &visitKey) override;
    bool updateEntry(int id, const clsQuorvel &entry) override;
    bool removeEntry(int id, const QString &visitKey) override;
    int loadQueue(QueueListing &listing, bool withInService, int userId, const RepNames *repNames,
                  QueueScan &scan) override;
    bool queueRecords(QList<StoredQueueRecord> &records, Failure &failure) override;

    SequenceOutcome takeCustomer(int id, const QString &visitKey, int userNumber,
                                 clsQuorvel &entry, const QString &desk) override;
    SequenceOutcome returnCustomer(int id, const QString &visitKey, int userNumber) override;
    SequenceOutcome signOutCustomer(clsQuorvel &entry, int id) override;
    SequenceOutcome readQueueEntry(int id, const QString &visitKey, clsQuorvel &entry) override;
    SequenceOutcome removeWaitingCustomer(int id, const QString &visitKey) override;
    SequenceOutcome correctQueueEntry(clsQuorvel &entry, int id, const SeenEntry &seen,
                                      bool signOut) override;

    bool completeService(clsQuorvel &entry, int id) override;
    bool loadHistoryData(int id, clsQuorvel &entry) override;
    bool updateHistoryRecord(int id, const clsQuorvel &entry) override;
    HistoryRows historyOfDay(const QDate &day, int servicedBy, Failure &failure) override;
    bool historyRecord(int id, HistoryRow &row, bool &found, Failure &failure) override;
    HistoryRows historySince(const QDate &firstDay, Failure &failure) override;
    bool historyFile(QString &path, Failure &failure) override;
    bool archiveHistory(bool toFile, QString &archivePath, Failure &failure) override;

    bool activeUsers(QList<Directory::User> &users, Failure &failure) override;
    bool allUsers(QList<Directory::User> &users, Failure &failure) override;
    bool userByName(const QString &username, Directory::User &user, bool &found,
                    Failure &failure) override;
    bool userByNumber(int userNumber, Directory::User &user, bool &found,
                      Failure &failure) override;
    bool addUser(const Directory::User &user, int &userNumber, Failure &failure) override;
    bool modifyUser(const Directory::User &seen, const Directory::User &user,
                    Failure &failure) override;
    bool setUserStatus(int userNumber, int status, Failure &failure) override;
    bool deleteUser(int userNumber, Failure &failure) override;
    bool activeServices(QList<Directory::Service> &services, Failure &failure) override;
    bool addService(const QString &serviceName, int &id, Failure &failure) override;
    bool renameService(int id, const QString &serviceName, Failure &failure) override;
    bool deleteService(int id, Failure &failure) override;

    bool eventsOfDay(qint32 userNumber, const QDate &day, QList<CalendarEvent> &events,
                     Failure &failure) override;
    bool eventRecord(qint32 eventID, CalendarEvent &event, bool &found, Failure &failure) override;
    bool addEvent(const CalendarEvent &event, qint32 &eventID, Failure &failure) override;
    bool reviseEvent(const CalendarEvent &seen, const CalendarEvent &event, bool &found,
                     Failure &failure) override;
    bool removeEvent(qint32 eventID, Failure &failure) override;

    bool checkReachable(ProgramKind kind) override;
    bool checkChanged(ChangeMark &mark, bool quiet) override;

private:
    bool replaceOrRemove(int recordID, const QString &visitKey, const clsQuorvel *entry);
    /// The record `recordID` of `doc` if it is the visit `visitKey` (any, when empty); a null
    /// node when not.
    static bool findVisit(const QueueDocument &doc, int recordID, const QString &visitKey,
                          pugi::xml_node &match, Failure &failure);
    void report(const QString &prefix, const QString &title, const Failure &failure) const;
    void watchSignalFile();

    CoreContext &m_context;
    // Sees a change made on this machine at once; a share's changes still wait for the poll.
    QFileSystemWatcher m_watcher;
};
