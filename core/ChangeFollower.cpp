#include "ChangeFollower.h"

#include "Store.h"

namespace {
constexpr int GatherMilliseconds = 30;
}

ChangeFollower::ChangeFollower(Store &store, QTimer &pollTimer, std::function<void()> poll,
                               QObject *parent)
    : QObject(parent), m_pollTimer(pollTimer), m_poll(std::move(poll))
{
    m_soon.setSingleShot(true);
    m_soon.setInterval(GatherMilliseconds);
    connect(&store, &Store::changed, this, [this] {
        if (m_pollTimer.isActive() && !m_soon.isActive())
            m_soon.start();
    });
    connect(&m_soon, &QTimer::timeout, this, [this] {
        if (m_pollTimer.isActive())
            m_poll();
    });
}
