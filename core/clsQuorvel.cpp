#include "clsQuorvel.h"

#include "CoreContext.h"
#include "Store.h"

clsQuorvel::clsQuorvel(CoreContext &context) : m_context(context) {}

int clsQuorvel::addCustomerToQueue(const QString &sFirstName, const QString &sLastName,
                                   const QString &sServiceDesc)
{
    return m_context.store().addCustomer(sFirstName, sLastName, sServiceDesc);
}

bool clsQuorvel::loadLobbyEntry(int recordID)
{
    return m_context.store().loadEntry(recordID, *this);
}

bool clsQuorvel::verifyLobbyEntry(int recordID)
{
    return m_context.store().verifyEntry(recordID, visitKey);
}

bool clsQuorvel::updateLobbyEntry(int recordID)
{
    return m_context.store().updateEntry(recordID, *this);
}

bool clsQuorvel::removeCustomerFromLobby(int recordID)
{
    return m_context.store().removeEntry(recordID, visitKey);
}

int clsQuorvel::loadQueue(QueueListing &listing, bool withInService, int userID,
                          const RepNames *repNames)
{
    QueueScan scan;
    const int waiting = m_context.store().loadQueue(listing, withInService, userID, repNames, scan);
    if (scan.improperShutdown != 0)
        m_improperShutdown = scan.improperShutdown;
    m_hasExpiredEntries = scan.hasExpiredEntries;
    m_queueFileRead = scan.queueRead;
    m_queueReadProblem = scan.readProblem;
    return waiting;
}

bool clsQuorvel::completeService(int recordNumber)
{
    return m_context.store().completeService(*this, recordNumber);
}

bool clsQuorvel::loadHistoryData(int recordNumber)
{
    return m_context.store().loadHistoryData(recordNumber, *this);
}

bool clsQuorvel::updateHistoryRecord(int recordNumber)
{
    return m_context.store().updateHistoryRecord(recordNumber, *this);
}

bool clsQuorvel::CheckWatchDog(const QString &fileToCheck)
{
    m_context.log(QStringLiteral("[clsQuorvel.checkWatchDog] Checking ") + fileToCheck);
    return m_context.store().checkChanged(m_changeMark, false);
}
