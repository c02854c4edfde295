#include "FolderStore.h"

#include "CoreContext.h"
#include "Failure.h"
#include "LockedSection.h"
#include "QueueDocument.h"
#include "QueueRecordReader.h"
#include "RepNames.h"
#include "TextForms.h"
#include "VisitKey.h"
#include "WatchDog.h"
#include "clsQuorvel.h"
#include "kzrXML.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstring>

namespace {
constexpr int FirstId = 86400;
constexpr int LastId = 172799;

const QString errorTitle = QStringLiteral("Error %1");

/// Loads the queue file into `doc`; false (with `failure` set) when it is there but cannot be
/// read. A missing file holds no entry; one that cannot be read may hold any, so it answers
/// nothing.
bool loadReadable(const QString &queuePath, QueueDocument &doc, Failure &failure)
{
    const QueueDocument::LoadState state = doc.load(queuePath);
    if (state == QueueDocument::LoadState::Loaded || state == QueueDocument::LoadState::Missing)
        return true;
    failure = doc.loadFailure();
    return false;
}

/// The id a new record gets: `wanted`, or the next one above it that no record holds yet.
int freeIdFrom(int wanted, const QueueDocument &doc)
{
    QSet<int> taken;
    for (const pugi::xml_node &record : doc.records()) {
        int id = 0;
        if (QueueDocument::recordId(record, id))
            taken.insert(id);
    }
    int id = wanted;
    for (int tries = 0; tries <= LastId - FirstId && taken.contains(id); ++tries)
        id = id == LastId ? FirstId : id + 1;
    return id;
}
} // namespace

void FolderStore::report(const QString &prefix, const QString &title, const Failure &failure) const
{
    m_context.prompter().message(prefix + failure.description, title, Prompter::Icon::Critical);
}

int FolderStore::addCustomer(const QString &sFirstName, const QString &sLastName,
                             const QString &sServiceDesc)
{
    const QString prefix = QStringLiteral("Error adding customer entry.  [addCustomerToQueue]: ");
    const QDateTime now = m_context.clock().now();
    const int wantedId = FirstId + now.time().msecsSinceStartOfDay() / 1000;

    bool corrupted = false;
    int id = 0;
    {
        LockedSection section(m_context);
        Failure failure;
        QueueDocument doc;
        if (!section.acquire(failure)) {
            report(prefix, QStringLiteral("Error"), failure);
            return 0;
        }
        if (doc.load(m_context.params.queuePath) == QueueDocument::LoadState::Unreadable) {
            report(prefix, QStringLiteral("Error"), doc.loadFailure());
            return 0;
        }
        id = freeIdFrom(wantedId, doc);
        pugi::xml_document scratch;
        kzrXML xml(m_context.prompter());
        QueueDocument::buildRecord(scratch, id,
                                   {sFirstName, sLastName, QStringLiteral("0"), sServiceDesc,
                                    QString(), TextForms::queueTime(now.time()),
                                    TextForms::queueDate(now.date()), QString(), VisitKey::make()},
                                   xml);
        switch (doc.append(scratch)) {
        case QueueDocument::AppendResult::Appended:
            break;
        case QueueDocument::AppendResult::NoDocumentElement:
            report(prefix, QStringLiteral("Error"),
                   doc.loadFailure().description.isEmpty()
                       ? Failure{FailureNumber::NoDocumentElement,
                                 QStringLiteral("The queue file holds no LOBBY element.")}
                       : doc.loadFailure());
            return 0;
        case QueueDocument::AppendResult::Corrupted:
            corrupted = true;
            break;
        }
        if (!corrupted) {
            if (!doc.save(m_context.params.queuePath, failure)) {
                report(prefix, QStringLiteral("Error"), failure);
                return 0;
            }
            updateWatchDog(m_context);
        }
    }
    if (corrupted) {
        // Shown once the lock is released; then the program ends with nothing saved.
        m_context.prompter().message(
            QStringLiteral("The lobbyData.xml file is corrupted.  Please replace this file."),
            QStringLiteral("Data file"), Prompter::Icon::Critical);
        m_context.programEnd().endProgram(1);
        return 0;
    }
    return id;
}

bool FolderStore::loadEntry(int recordID, clsQuorvel &entry)
{
    const QString prefix = QStringLiteral("XML error.  [loadLobbyEntry]:  ");
    QueueDocument doc;
    pugi::xml_node match;
    Failure failure;
    if (!loadReadable(m_context.params.queuePath, doc, failure) ||
        !doc.findById(recordID, match, failure)) {
        report(prefix, errorTitle.arg(failure.number), failure);
        return false;
    }
    if (!match)
        return false;

    using Field = QueueRecordReader::Field;
    QueueRecordReader reader(match, m_context.prompter());
    entry.visitKey = reader.quietText(Field::VisitKey);
    entry.firstName = reader.text(Field::FirstName);
    entry.lastName = reader.text(Field::LastName);
    entry.service = reader.text(Field::Service);
    int status = 0;
    if (!reader.number(Field::LobbyStatus, status, failure) ||
        !reader.time(Field::TimeIn, entry.Timein, failure) ||
        !reader.date(Field::DateIn, entry.dateIn, failure)) {
        report(prefix, errorTitle.arg(failure.number), failure);
        return false;
    }
    entry.lobbystatus = qint16(status);
    entry.timeSeen = LooseTime::null();
    entry.repID = 0;
    entry.desk.clear();
    if (entry.lobbystatus == 1) {
        entry.desk = reader.quietText(Field::Desk);
        int user = 0;
        if (!reader.number(Field::UserId, user, failure)) {
            report(prefix, errorTitle.arg(failure.number), failure);
            return false;
        }
        entry.repID = user;
        if (!reader.raw(Field::TimeSeen).isEmpty()) {
            QTime time;
            if (!reader.time(Field::TimeSeen, time, failure)) {
                report(prefix, errorTitle.arg(failure.number), failure);
                return false;
            }
            entry.timeSeen = LooseTime::fromTime(time);
        }
    }
    return true;
}

bool FolderStore::verifyEntry(int recordID, const QString &visitKey)
{
    QueueDocument doc;
    pugi::xml_node match;
    Failure failure;
    if (!loadReadable(m_context.params.queuePath, doc, failure) ||
        !findVisit(doc, recordID, visitKey, match, failure)) {
        report(QStringLiteral("XML error.  [verifyLobbyEntry]:  "), errorTitle.arg(failure.number),
               failure);
        return false;
    }
    return bool(match);
}

bool FolderStore::updateEntry(int recordID, const clsQuorvel &entry)
{
    return replaceOrRemove(recordID, entry.visitKey, &entry);
}

bool FolderStore::removeEntry(int recordID, const QString &visitKey)
{
    return replaceOrRemove(recordID, visitKey, nullptr);
}

bool FolderStore::findVisit(const QueueDocument &doc, int recordID, const QString &visitKey,
                            pugi::xml_node &match, Failure &failure)
{
    if (!doc.findById(recordID, match, failure))
        return false;
    if (match && !visitKey.isEmpty() && QueueDocument::visitKey(match) != visitKey)
        match = pugi::xml_node();
    return true;
}

bool FolderStore::replaceOrRemove(int recordID, const QString &visitKey, const clsQuorvel *entry)
{
    const bool remove = entry == nullptr;
    const QString prefix =
        remove ? QStringLiteral("Error deleting queue item.  [removeCustomerFromLobby]: ")
               : QStringLiteral("XML error.  [updateLobbyEntry]: ");
    LockedSection section(m_context);
    Failure failure;
    QueueDocument doc;
    if (!section.acquire(failure)) {
        report(prefix, errorTitle.arg(failure.number), failure);
        return false;
    }
    // An unreadable file is left as it is: saving the empty document would wipe the queue.
    if (doc.load(m_context.params.queuePath) != QueueDocument::LoadState::Loaded) {
        failure = doc.loadFailure();
        report(prefix, errorTitle.arg(failure.number), failure);
        return false;
    }
    // Another customer holding the id now is no match: the one aimed at has gone.
    pugi::xml_node match;
    if (!findVisit(doc, recordID, visitKey, match, failure)) {
        report(prefix, errorTitle.arg(failure.number), failure);
        return false;
    }
    if (remove) {
        doc.remove(match);
    } else {
        // A writer that never read the key (an older caller) must not strip the visit's identity.
        const QString key = visitKey.isEmpty() ? QueueDocument::visitKey(match) : visitKey;
        pugi::xml_document scratch;
        kzrXML xml(m_context.prompter());
        QueueDocument::buildRecord(
            scratch, recordID,
            {entry->firstName, entry->lastName, QString::number(entry->lobbystatus), entry->service,
             QString::number(entry->repID), TextForms::queueTime(entry->Timein),
             TextForms::queueDate(entry->dateIn), entry->timeSeen.queueText(), key,
             entry->lobbystatus == 1 ? entry->desk : QString()},
            xml);
        doc.replace(match, scratch);
    }
    if (!doc.save(m_context.params.queuePath, failure)) {
        report(prefix, errorTitle.arg(failure.number), failure);
        return false;
    }
    updateWatchDog(m_context);
    return true;
}

int FolderStore::loadQueue(QueueListing &listing, bool withInService, int userID,
                           const RepNames *repNames, QueueScan &scan)
{
    scan.hasExpiredEntries = false;
    listing = QueueListing();
    const QDateTime now = m_context.clock().now();
    const double maxLimit = m_context.params.MaxLimit;

    QueueDocument doc;
    scan.queueRead =
        doc.loadForReading(m_context.params.queuePath) == QueueDocument::LoadState::Loaded;
    scan.readProblem = scan.queueRead ? QString() : doc.loadFailure().description;
    Failure failure;
    using Field = QueueRecordReader::Field;
    const qsizetype records = doc.recordCount();
    listing.waiting.reserve(records);
    for (qsizetype index = 0; index < records; ++index) {
        QueueRecordReader reader(doc.recordValues(index), m_context.prompter());
        QueueRow row;
        int status = 0;
        if (!reader.id(row.id)) {
            failure = QueueRecordReader::typeMismatch("id", reader.rawId());
            break;
        }
        row.visitKey = reader.quietText(Field::VisitKey);
        // Read in the order every load has read them, so the same field is reported first.
        const QByteArrayView first = reader.raw(Field::FirstName);
        const QByteArrayView last = reader.raw(Field::LastName);
        if (!reader.time(Field::TimeIn, row.timeIn, failure) ||
            !reader.date(Field::DateIn, row.dateIn, failure) ||
            !reader.number(Field::LobbyStatus, status, failure))
            break;
        const QByteArrayView service = reader.raw(Field::Service);
        if (status > 0) {
            if (!reader.number(Field::UserId, row.userId, failure))
                break;
            if (row.userId == userID)
                scan.improperShutdown = row.id;
        }
        // Text is made only for the rows listed.
        if (status == 0 || (status == 1 && withInService)) {
            row.firstName = QString::fromUtf8(first);
            row.lastName = QString::fromUtf8(last);
            row.service = QString::fromUtf8(service);
        }
        if (status == 0) {
            if (row.dateIn < now.date())
                scan.hasExpiredEntries = true;
            row.userId = 0;
            row.overdue = isOverdue(row.timeIn, now.time(), maxLimit);
            if (row.overdue)
                ++listing.overdueCount;
            ++listing.waitingCount;
            listing.waiting.append(std::move(row));
        } else if (status == 1 && withInService) {
            if (repNames)
                row.repName = repNames->name(row.userId);
            // Read quietly: the lists never needed it, so a record without it is no failure.
            row.timeSeen = TextForms::parseQueueTimeUtf8(reader.quietRaw(Field::TimeSeen));
            row.desk = reader.quietText(Field::Desk);
            listing.inService.append(std::move(row));
        }
    }
    if (failure.number != 0) {
        report(QStringLiteral("Error loading queue data.  [loadQueue]: "),
               errorTitle.arg(failure.number), failure);
        listing.waitingCount = 0;
        return 0;
    }
    return listing.waitingCount;
}

bool FolderStore::queueRecords(QList<StoredQueueRecord> &records, Failure &failure)
{
    QueueDocument doc;
    const QueueDocument::LoadState state = doc.load(m_context.params.queuePath);
    if (state == QueueDocument::LoadState::NotWellFormed ||
        state == QueueDocument::LoadState::Unreadable) {
        failure = doc.loadFailure();
        return false;
    }
    using Field = QueueRecordReader::Field;
    for (const pugi::xml_node &record : doc.records()) {
        QueueRecordReader reader(record, m_context.prompter());
        StoredQueueRecord stored;
        QueueDocument::recordId(record, stored.id);
        stored.texts = {reader.text(Field::FirstName),     reader.text(Field::LastName),
                        reader.text(Field::LobbyStatus),   reader.text(Field::Service),
                        reader.text(Field::UserId),        reader.text(Field::TimeIn),
                        reader.text(Field::DateIn),        reader.text(Field::TimeSeen),
                        reader.quietText(Field::VisitKey), reader.quietText(Field::Desk)};
        records.append(std::move(stored));
    }
    return true;
}

bool FolderStore::checkChanged(ChangeMark &mark, bool quiet)
{
    const QString fileToCheck = m_context.params.watchDogPath();
    watchSignalFile();
    FileStamp told{mark.unsignalled, mark.unsignalled != 0};
    if (quiet) {
        const FileStamp stamp = readFileStamp(fileToCheck);
        // Unreadable: only a reload can tell whether anything changed.
        bool changed = !stamp.valid || !mark.valid || stamp.nanoseconds != mark.stamp;
        changed = unsignalledChange(m_context.params, told) || changed;
        mark = {stamp.nanoseconds, stamp.valid, told.nanoseconds};
        return changed;
    }
    int error = 0;
    FileStamp stamp = readFileStamp(fileToCheck, &error);
    if (!stamp.valid) {
        if (error != ENOENT) {
            m_context.prompter().message(QStringLiteral("File I/O error.  [checkWatchDog]: ") +
                                             QString::fromLocal8Bit(std::strerror(error)),
                                         errorTitle.arg(FailureNumber::PathAccess),
                                         Prompter::Icon::Critical);
            return false;
        }
        // A missing signal file is made empty; if even that fails the queue is left as listed.
        QFile file(fileToCheck);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.close();
        stamp = readFileStamp(fileToCheck);
        mark = {stamp.nanoseconds, stamp.valid, mark.unsignalled};
        watchSignalFile();
        return stamp.valid;
    }
    m_context.log(QStringLiteral("[clsQuorvel.checkWatchDog] FileDateTime = ") +
                  TextForms::logStamp(stamp.toDateTime()));
    m_context.log(
        QStringLiteral("[clsQuorvel.checkWatchDog] Last FileDateTime = ") +
        (mark.valid ? TextForms::logStamp(FileStamp{mark.stamp, true}.toDateTime()) : QString()));
    bool changed = !mark.valid || mark.stamp != stamp.nanoseconds;
    if (unsignalledChange(m_context.params, told)) {
        updateWatchDog(m_context);
        stamp = readFileStamp(fileToCheck);
        changed = true;
    }
    mark = {stamp.nanoseconds, stamp.valid, told.nanoseconds};
    m_context.log(QStringLiteral("[clsQuorvel.checkWatchDog] CheckWatchDog result is ") +
                  (changed ? QStringLiteral("True") : QStringLiteral("False")));
    return changed;
}
