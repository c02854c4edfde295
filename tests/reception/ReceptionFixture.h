#pragma once

#include "DESKDB.h"
#include "TestSupport.h"
#include "frmLobby.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <functional>

class QTreeWidgetItem;

/// One queue record as a test writes it straight into the queue file.
struct QueueEntry
{
    int id;
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

    void writeQueue(const QList<QueueEntry> &entries);
    /// Adds a representative with a chosen user number.
    void addUser(int userNumber, const QString &first, const QString &last, int status = 1);
};

/// The row whose first column is `text`; null when none.
QTreeWidgetItem *rowNamed(QTreeWidget *list, const QString &text);
QStringList firstColumn(QTreeWidget *list);

/// Clicks, then double-clicks the row on the list's viewport, as a person would.
void doubleClickRow(QTreeWidget *list, QTreeWidgetItem *item);

/// Runs `act` on the modal dialog of type T as soon as one is open, for triggers that open it
/// with exec(); gives up after five seconds. `opened` tells whether it ran.
template <typename T> void onModal(std::function<void(T &)> act, bool &opened)
{
    auto *timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, act, &opened] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog && !deadline.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog) {
            opened = true;
            act(*dialog);
        }
    });
    timer->start(10);
}
