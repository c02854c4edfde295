#pragma once

#include "ServerConnection.h"
#include "Store.h"

#include <QTimer>

class CoreContext;

/// The office's shared state on a PostgreSQL server. Each change is one transaction that says
/// itself with NOTIFY; a race is refused by the statement's WHERE on what the desk saw; a lost
/// connection is said through `reachability` and retried with back-off.
class ServerStore final : public Store
{
public:
    ServerStore(CoreContext &context, const QString &connection);

    static QString unreachableText();

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
    using Rows = std::function<void(QSqlQuery &)>;
    /// Runs one read, reconnecting once when the connection has dropped since the last call.
    bool read(const QString &statement, const QVariantList &values, const Rows &rows,
              Failure &failure);
    /// Runs `work` as one transaction; a dropped connection is reported, never retried, since
    /// the change may have been committed just before the drop.
    bool change(const std::function<bool(Failure &)> &work, Failure &failure);
    /// One statement as one change; when `gone` is given, a statement that meets no row fails
    /// with it.
    bool changeRows(const QString &statement, const QVariantList &values, const QString &gone,
                    Failure &failure);
    /// In one transaction: locks the row `select` reads, and makes the change `update` only
    /// while `stillAsSeen` holds for it. Fails with `gone` (NoCurrentRecord) when the row is not
    /// there, and with `changedElsewhere()` when it holds something else now.
    bool guardedChange(const QString &select, const QVariantList &selectValues,
                       const std::function<bool(const QSqlQuery &row)> &stillAsSeen,
                       const QString &update, const QVariantList &updateValues,
                       const QString &gone, Failure &failure);
    bool archiveToFile(const QDateTime &now, QString &archivePath, Failure &failure);
    bool connect(Failure &failure);
    void lost();
    void retry();
    void report(const QString &prefix, const Failure &failure) const;
    /// Why a conditional change found no row: another desk holds it, or `whenGone`.
    SequenceOutcome whyRefused(int id, const QString &visitKey, const SequenceOutcome &whenGone,
                               const QString &prefix);
    bool insertVisit(const clsQuorvel &entry, const QString &removeFirst,
                     const QVariantList &removeValues, bool &removed, Failure &failure);

    CoreContext &m_context;
    ServerConnection m_connection;
    QTimer m_retry;
    int m_backoffMs = 0;
    qint64 m_heard = 0; // notifications heard since the store was made
    bool m_unreachable = false;
    // The visit whose sign-out went out when the connection dropped: it may have committed.
    QString m_signOutInDoubt;
};
