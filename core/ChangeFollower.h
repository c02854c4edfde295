#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class Store;

/// Runs a window's poll soon after its store hears of a change, instead of at the poll's next
/// tick; a burst of changes brings one poll. Only while the poll timer runs: a window that holds
/// its poll (a dialog, an archive) keeps holding it.
class ChangeFollower : public QObject
{
    Q_OBJECT

public:
    ChangeFollower(Store &store, QTimer &pollTimer, std::function<void()> poll,
                   QObject *parent = nullptr);

private:
    QTimer &m_pollTimer;
    std::function<void()> m_poll;
    QTimer m_soon;
};
