#include "FolderStore.h"

#include "CoreContext.h"
#include "Directory.h"
#include "EventList.h"
#include "HistoryArchive.h"
#include "HistoryList.h"
#include "ServiceSequences.h"
#include "SharedFileCheck.h"

#include <QStorageInfo>

FolderStore::FolderStore(CoreContext &context) : m_context(context)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        // A rewrite may replace the file: watch it again, whatever became of it.
        watchSignalFile();
        Q_EMIT changed();
    });
}

void FolderStore::watchSignalFile()
{
    const QString path = m_context.params.watchDogPath();
    if (path.isEmpty() || m_watcher.files().contains(path))
        return;
    // inotify hears only this machine's writes, and a share's file system may never tell.
    const QByteArray type = QStorageInfo(m_context.params.dataPath).fileSystemType();
    static const QList<QByteArray> remote = {"nfs",   "nfs4",       "cifs", "smb3",
                                             "smbfs", "fuse.sshfs", "9p"};
    if (!remote.contains(type))
        m_watcher.addPath(path);
}

SequenceOutcome FolderStore::takeCustomer(int id, const QString &visitKey, int userNumber,
                                          clsQuorvel &entry, const QString &desk)
{
    return ServiceSequences::takeCustomer(m_context, id, visitKey, userNumber, entry, desk);
}

SequenceOutcome FolderStore::returnCustomer(int id, const QString &visitKey, int userNumber)
{
    return ServiceSequences::returnCustomer(m_context, id, visitKey, userNumber);
}

SequenceOutcome FolderStore::signOutCustomer(clsQuorvel &entry, int id)
{
    return ServiceSequences::signOutCustomer(m_context, entry, id);
}

SequenceOutcome FolderStore::readQueueEntry(int id, const QString &visitKey, clsQuorvel &entry)
{
    return ServiceSequences::readQueueEntry(m_context, id, visitKey, entry);
}

SequenceOutcome FolderStore::removeWaitingCustomer(int id, const QString &visitKey)
{
    return ServiceSequences::removeWaitingCustomer(m_context, id, visitKey);
}

SequenceOutcome FolderStore::correctQueueEntry(clsQuorvel &entry, int id, const SeenEntry &seen,
                                               bool signOut)
{
    return ServiceSequences::correctQueueEntry(m_context, entry, id, seen, signOut);
}

HistoryRows FolderStore::historyOfDay(const QDate &day, int servicedBy, Failure &failure)
{
    return ::historyOfDay(m_context.params.historyPath, day, servicedBy, failure);
}

bool FolderStore::historyRecord(int id, HistoryRow &row, bool &found, Failure &failure)
{
    return ::historyRecord(m_context.params.historyPath, id, row, found, failure);
}

HistoryRows FolderStore::historySince(const QDate &firstDay, Failure &failure)
{
    return ::historySince(m_context.params.historyPath, firstDay, failure);
}

bool FolderStore::historyFile(QString &path, Failure &)
{
    path = m_context.params.historyPath;
    return true;
}

bool FolderStore::archiveHistory(bool, QString &archivePath, Failure &failure)
{
    return HistoryArchive::archiveDB(m_context, archivePath, failure);
}

bool FolderStore::activeUsers(QList<Directory::User> &users, Failure &failure)
{
    return Directory::activeUsers(m_context.params.systemPath, users, failure);
}

bool FolderStore::allUsers(QList<Directory::User> &users, Failure &failure)
{
    return Directory::allUsers(m_context.params.systemPath, users, failure);
}

bool FolderStore::userByName(const QString &username, Directory::User &user, bool &found,
                             Failure &failure)
{
    return Directory::userByName(m_context.params.systemPath, username, user, found, failure);
}

bool FolderStore::userByNumber(int userNumber, Directory::User &user, bool &found, Failure &failure)
{
    return Directory::userByNumber(m_context.params.systemPath, userNumber, user, found, failure);
}

bool FolderStore::addUser(const Directory::User &user, int &userNumber, Failure &failure)
{
    return Directory::addUser(m_context.params.systemPath, user, userNumber, failure);
}

bool FolderStore::modifyUser(const Directory::User &seen, const Directory::User &user,
                             Failure &failure)
{
    return Directory::modifyUser(m_context.params.systemPath, seen, user, failure);
}

bool FolderStore::setUserStatus(int userNumber, int status, Failure &failure)
{
    return Directory::setUserStatus(m_context.params.systemPath, userNumber, status, failure);
}

bool FolderStore::deleteUser(int userNumber, Failure &failure)
{
    return Directory::deleteUser(m_context.params.systemPath, userNumber, failure);
}

bool FolderStore::activeServices(QList<Directory::Service> &services, Failure &failure)
{
    return Directory::activeServices(m_context.params.systemPath, services, failure);
}

bool FolderStore::addService(const QString &serviceName, int &id, Failure &failure)
{
    return Directory::addService(m_context.params.systemPath, serviceName, id, failure);
}

bool FolderStore::renameService(int id, const QString &serviceName, Failure &failure)
{
    return Directory::renameService(m_context.params.systemPath, id, serviceName, failure);
}

bool FolderStore::deleteService(int id, Failure &failure)
{
    return Directory::deleteService(m_context.params.systemPath, id, failure);
}

bool FolderStore::eventsOfDay(qint32 userNumber, const QDate &day, QList<CalendarEvent> &events,
                              Failure &failure)
{
    return ::eventsOfDay(m_context.params.systemPath, userNumber, day, events, failure);
}

bool FolderStore::eventRecord(qint32 eventID, CalendarEvent &event, bool &found, Failure &failure)
{
    return ::eventRecord(m_context.params.systemPath, eventID, event, found, failure);
}

bool FolderStore::addEvent(const CalendarEvent &event, qint32 &eventID, Failure &failure)
{
    return ::addEvent(m_context.params.systemPath, event, eventID, failure);
}

bool FolderStore::reviseEvent(const CalendarEvent &seen, const CalendarEvent &event, bool &found,
                              Failure &failure)
{
    return ::reviseEvent(m_context.params.systemPath, seen, event, found, failure);
}

bool FolderStore::removeEvent(qint32 eventID, Failure &failure)
{
    return ::removeEvent(m_context.params.systemPath, eventID, failure);
}

bool FolderStore::checkReachable(ProgramKind kind)
{
    return checkSharedFiles(m_context, kind);
}
