#pragma once

#include "Prompter.h"

#include <QString>

class CoreContext;
class clsQuorvel;

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
        Failed,       // an operation failed; its box has been shown, or is in `text`
    };

    Kind kind = Kind::Done;
    QString text; // the box the window shows; empty when there is none to show
    QString title;
    Prompter::Icon icon = Prompter::Icon::Information;

    bool done() const { return kind == Kind::Done; }
    bool refused() const { return kind == Kind::TakenByOther || kind == Kind::Removed; }

    /// Shows the box, if there is one.
    void show(Prompter &prompter) const;
};

namespace ServiceSequences {

/// Takes the customer `id` into the service of `userNumber`: re-reads the entry and, unless it
/// is gone or another representative holds it, writes it back with status 1, this user and the
/// time seen (now, to the second), all under one hold of the queue lock. On `Done`, `entry`
/// holds the customer as written (names, service, date and time in, `timeSeen`); the client
/// keeps it for the sign-out. An entry already held by `userNumber` is taken again.
SequenceOutcome takeCustomer(CoreContext &context, int id, int userNumber, clsQuorvel &entry);

/// Puts the customer `id` back into the waiting list: status 0, keeping the user number and
/// time seen. Refused when the entry is gone or another representative now holds it (the
/// reception may have handed it on meanwhile); the customer is then no longer this user's.
SequenceOutcome returnCustomer(CoreContext &context, int id, int userNumber);

/// Signs the customer `id` out: under one hold of the queue lock, checks that the entry is
/// still in the queue, then completes the service (the history row is written before the entry
/// leaves the queue). The caller fills `entry` as taken (names, service, `dateIn`, `Timein`,
/// `timeSeen`, `repID` = its user number); this sets `lobbystatus` 3 and `Timeout` to now.
SequenceOutcome signOutCustomer(CoreContext &context, clsQuorvel &entry, int id);

} // namespace ServiceSequences
