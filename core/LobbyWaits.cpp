#include "LobbyWaits.h"

#include "Store.h"
#include "WaitEstimator.h"

bool LobbyWaits::readHistory(Store &store, const QDate &today)
{
    Failure failure;
    m_history = store.historySince(WaitEstimator::firstHistoryDay(today), failure);
    m_read = failure.number == 0;
    return m_read;
}

QStringList LobbyWaits::texts(const QueueListing &listing, const QDateTime &now) const
{
    QStringList texts;
    const QList<double> minutes =
        m_read ? WaitEstimator(m_history, now).waitingMinutes(listing) : QList<double>();
    for (qsizetype i = 0; i < listing.waiting.size(); ++i)
        texts.append(m_read ? waitText(minutes.at(i)) : QString());
    return texts;
}

QString LobbyWaits::newCustomerText(const QueueListing &listing, const QString &service,
                                    const QDateTime &now) const
{
    if (!m_read)
        return {};
    return waitText(WaitEstimator(m_history, now).newCustomerMinutes(listing, service));
}
