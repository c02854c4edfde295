#pragma once

#include "DESKDB.h"
#include "TestSupport.h"
#include "frmLobby.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <functional>

class QTreeWidgetItem;

/// One queue record as a test wants it in the queue.
struct QueueEntry
{
    QString firstName;
    QString lastName;
    QString service;
    QTime timeIn;
    QDate dateIn;
    int status = 0;
    int userId = 0;
    QTime timeSeen = {};
};

/// A fresh program folder with the reception's program-wide state on it, started or not.
class Reception
{
public:
    explicit Reception(bool demo = false, const QStringList &arguments = {});

    TestFolder folder;
    DESKDB desk;

    bool start() { return desk.initiateProgram(); }
    frmLobby &lobby() { return desk.lobby(); }

    /// The named control of the lobby window.
    template <typename T> T *lobbyControl(const char *name)
    {
        return desk.lobby().findChild<T *>(QLatin1String(name));
    }

    /// Checks `entries` in through the store, each then given the state it names.
    void addToQueue(const QList<QueueEntry> &entries);
    /// Adds a representative with a chosen user number.
    void addUser(int userNumber, const QString &first, const QString &last, int status = 1);
};

/// The row whose first column is `text`; null when none.
QTreeWidgetItem *rowNamed(QTreeWidget *list, const QString &text);
QStringList firstColumn(QTreeWidget *list);

/// Clicks, then double-clicks the row on the list's viewport, as a person would.
void doubleClickRow(QTreeWidget *list, QTreeWidgetItem *item);

/// Runs `act` on the modal dialog of type T as soon as one is open, for triggers that open it
/// with exec(). Watches for five seconds at most, and no longer than it lives.
template <typename T> class OnModal
{
public:
    explicit OnModal(std::function<void(T &)> act) : m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!dialog && !m_deadline.hasExpired())
                return;
            m_timer.stop();
            if (dialog) {
                m_opened = true;
                m_act(*dialog);
            }
        });
        m_timer.start(10);
    }

    bool opened() const { return m_opened; }

private:
    std::function<void(T &)> m_act;
    QTimer m_timer;
    QDeadlineTimer m_deadline{5000};
    bool m_opened = false;
};
