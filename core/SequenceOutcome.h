#pragma once

#include "Failure.h"
#include "Prompter.h"

#include <QString>

/// What a take, return or sign-out came to. The sequences hold the queue lock while they work
/// and show the boxes of the operations they call only once it is released; the box of a
/// refusal is left to the window, which shows it with `show` after the call returns.
struct SequenceOutcome
{
    enum class Kind
    {
        Done,         // the customer was taken, returned or signed out
        TakenByOther, // another representative holds the customer
        Removed,      // the customer is no longer in the queue
        Changed,      // another workstation changed the entry since it was read; nothing written
        Failed,       // an operation failed; its box has been shown, or is in `text`
    };

    Kind kind = Kind::Done;
    QString text; // the box the window shows; empty when there is none to show
    QString title;
    Prompter::Icon icon = Prompter::Icon::Information;

    bool done() const { return kind == Kind::Done; }
    bool refused() const
    {
        return kind == Kind::TakenByOther || kind == Kind::Removed || kind == Kind::Changed;
    }

    /// Shows the box, if there is one.
    void show(Prompter &prompter) const;

    // The refusals and failures every store words alike.
    static SequenceOutcome takenByOther();
    static SequenceOutcome removedFromQueue();
    static SequenceOutcome removedBeforeSignOut();
    static SequenceOutcome inServiceNow();
    static SequenceOutcome changedElsewhere();
    /// A failure whose box the operation has already shown.
    static SequenceOutcome failedAndShown()
    {
        return {Kind::Failed, {}, {}, Prompter::Icon::Information};
    }
    /// A failure no operation has reported yet: the window shows it as the step's own error.
    static SequenceOutcome failed(const QString &prefix, const Failure &failure);
};

/// What the reception saw of an entry when it opened it: the checks below compare it with the
/// entry as it is when the change is written.
struct SeenEntry
{
    QString visitKey;
    qint16 lobbystatus = 0;
    qint32 repID = 0;
};
