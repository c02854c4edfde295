#pragma once

#include "SequenceOutcome.h"

class CoreContext;
class clsQuorvel;

namespace ServiceSequences {

/// Every step below names the customer by record id and, where the caller has it, by visit key
/// (`visitKey`, or the key held by `entry`): an id may pass to another customer at once, and a
/// step aimed at one customer must never reach the next. With the key empty (a record from
/// before keys, or quorvelctl without --key) the id alone names the customer.

/// Takes the customer `id` into the service of `userNumber`: re-reads the entry and, unless it
/// is gone or another representative holds it, writes it back with status 1, this user and the
/// time seen (now, to the second), all under one hold of the queue lock. On `Done`, `entry`
/// holds the customer as written (names, service, date and time in, `timeSeen`); the client
/// keeps it for the sign-out. An entry already held by `userNumber` is taken again. `desk` is
/// where the customer is called to (empty for none).
SequenceOutcome takeCustomer(CoreContext &context, int id, const QString &visitKey, int userNumber,
                             clsQuorvel &entry, const QString &desk = QString());

/// Puts the customer `id` back into the waiting list: status 0, keeping the user number and
/// time seen. Refused when the entry is gone or another representative now holds it (the
/// reception may have handed it on meanwhile); the customer is then no longer this user's.
SequenceOutcome returnCustomer(CoreContext &context, int id, const QString &visitKey,
                               int userNumber);

/// Signs the customer `id` out: under one hold of the queue lock, checks that the entry is
/// still in the queue and not held by another representative, then completes the service (the
/// history row is written before the entry leaves the queue). The caller fills `entry` as taken
/// (names, service, `dateIn`, `Timein`, `timeSeen`, `repID` = its user number, `visitKey`); this
/// sets `lobbystatus` 3 and `Timeout` to now.
SequenceOutcome signOutCustomer(CoreContext &context, clsQuorvel &entry, int id);

/// Reads the queue entry `id` into `entry` as it is now: `Done`; `Removed`, with its box, when it
/// is no longer in the queue; `Failed` when the read failed (its box has been shown).
SequenceOutcome readQueueEntry(CoreContext &context, int id, const QString &visitKey,
                               clsQuorvel &entry);

/// Removes the waiting customer `id`. Refused, with nothing written, when a representative has
/// taken the customer meanwhile; an entry that is already gone counts as `Removed` (no box).
SequenceOutcome removeWaitingCustomer(CoreContext &context, int id, const QString &visitKey);

/// Writes the reception's correction `entry` over the queue entry `id`, or signs it out when
/// `signOut`, only while the entry still has the status and representative `seen`; otherwise
/// nothing is written and the outcome says the entry was removed or changed elsewhere.
SequenceOutcome correctQueueEntry(CoreContext &context, clsQuorvel &entry, int id,
                                  const SeenEntry &seen, bool signOut);

} // namespace ServiceSequences
