#pragma once

#include "CoreContext.h"
#include "LobbyWaits.h"
#include "NameForm.h"
#include "QueueListing.h"
#include "Store.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

/// What the lobby board shows, read from the data folder without ever writing into it: the
/// customers in service (the most recently taken first, a newly taken one highlighted for a
/// while) and the waiting customers in queue order with the minutes each has waited. Until the
/// queue has been read once it shows no one; when it cannot be read later it keeps the last good
/// picture and says it is reconnecting.
class BoardModel : public QObject
{
    Q_OBJECT

public:
    static constexpr int PollMilliseconds = 2500;
    static constexpr int HighlightSeconds = 15;

    struct ServingRow
    {
        int id = 0;
        QString customer;
        QString representative; // first name and last initial
        QString desk;           // where the customer goes; empty for none
        bool highlighted = false;
    };

    /// A customer newly taken, as the lobby hears it called.
    struct Call
    {
        QString customer; // in the board's name form
        QString desk;     // empty: the representative has no desk
    };

    struct WaitingRow
    {
        int id = 0;
        QString customer;
        int minutesWaited = 0; // whole days included
        bool overdue = false;
        QString estimate; // "about N min", "less than 5 min"; empty without one
    };

    /// `params` as the programs form them (`loadSystemParameters`, `formFilePaths`).
    BoardModel(const SystemParameters &params, Clock &clock, NameForm nameForm);

    /// Polls now and then every 2.5 seconds.
    void start();
    /// One poll: reload when the change signal moved (or the last read failed), else bring the
    /// minutes waited, overdue marks and highlights up to the clock.
    void poll();

    QString title() const { return m_title; }
    QDateTime now() const { return m_context.clock().now(); }
    const QList<ServingRow> &serving() const { return m_serving; }
    const QList<WaitingRow> &waiting() const { return m_waiting; }
    bool reconnecting() const { return m_reconnecting; }
    /// True until the first good read of the queue: there is nothing to show yet.
    bool waitingForQueue() const { return !m_loadedOnce; }

Q_SIGNALS:
    /// Something shown has changed.
    void updated();
    /// One or more customers were taken since the last poll; sent once for them all, each take
    /// among `calls` once.
    void customerTaken(const QList<BoardModel::Call> &calls);
    /// The queue could not be read, and why (naming the file), whenever the reason changes.
    void queueUnreadable(const QString &why);

private:
    /// Counts the boxes the core would show: any box means the read failed.
    class FailureCount final : public Prompter
    {
    public:
        void message(const QString &, const QString &text, Icon) override
        {
            ++count;
            last = text;
        }
        bool ask(const QString &, const QString &, Icon) override { return false; }
        int count = 0;
        QString last;
    };

    bool reload();
    QString queueUnreadableReason() const;
    void readRepresentatives();
    QList<Call> noteTakenCustomers(); // those taken since the last read
    void showRows();

    FailureCount m_failures;
    ProcessEnd m_programEnd;
    CoreContext m_context;
    NameForm m_nameForm;
    QString m_title;
    QTimer m_timer;
    Store::ChangeMark m_changeMark;
    QString m_storeNotice; // while the server cannot be reached, its status line

    QueueListing m_listing;
    LobbyWaits m_waits;
    QHash<int, QString> m_representatives; // user number: first name and last initial
    bool m_loadedOnce = false;
    QHash<QPair<int, int>, QDateTime> m_takenSeen; // (id, user number): first seen in service
    QList<ServingRow> m_serving;
    QList<WaitingRow> m_waiting;
    bool m_reconnecting = false;
    QString m_unreadableReason;
};
