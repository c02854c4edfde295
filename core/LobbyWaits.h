#pragma once

#include "HistoryRow.h"
#include "QueueListing.h"

#include <QDateTime>
#include <QStringList>

class Store;

/// The estimated waits a window shows: recent history read at each queue reload, the estimates
/// made afresh against the clock. When history cannot be read nothing is estimated: a guess
/// without it would only look precise.
class LobbyWaits
{
public:
    /// Reads the history the estimates rest on; false when it cannot be read.
    bool readHistory(Store &store, const QDate &today);

    /// "about N min" or "less than 5 min" for each waiting customer, in queue order; empty texts
    /// when history could not be read.
    QStringList texts(const QueueListing &listing, const QDateTime &now) const;

    /// The same for a customer checked in now for `service`; empty when history could not be
    /// read.
    QString newCustomerText(const QueueListing &listing, const QString &service,
                            const QDateTime &now) const;

private:
    HistoryRows m_history;
    bool m_read = false;
};
