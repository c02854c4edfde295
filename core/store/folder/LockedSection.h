#pragma once

#include "Failure.h"
#include "Prompter.h"
#include "QueueLock.h"

#include <QList>

class CoreContext;

/// Holds the queue lock for one load-change-save and keeps every box back until the lock is
/// released, so that no box left open on one workstation blocks all the others.
class LockedSection
{
public:
    explicit LockedSection(CoreContext &context);
    ~LockedSection();
    LockedSection(const LockedSection &) = delete;
    LockedSection &operator=(const LockedSection &) = delete;

    /// Takes the lock; the outermost hold also signals a change whose holder ended before it
    /// could.
    bool acquire(Failure &failure);

    /// Releases the lock, then shows the boxes held back, in order.
    void close();

private:
    class HeldBack : public Prompter
    {
    public:
        void message(const QString &text, const QString &title, Icon icon) override;
        bool ask(const QString &text, const QString &title, Icon icon) override;
        struct Box
        {
            QString text, title;
            Icon icon;
        };
        QList<Box> boxes;
    };

    CoreContext &m_context;
    QueueLock m_lock;
    HeldBack m_heldBack;
    Prompter *m_outer = nullptr;
};
