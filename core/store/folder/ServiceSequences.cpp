#include "ServiceSequences.h"

#include "CoreContext.h"
#include "Failure.h"
#include "LockedSection.h"
#include "TextForms.h"
#include "clsQuorvel.h"

namespace {
/// Counts the boxes the operations show while it lives, to tell an entry that is simply not
/// there (no box) from a failure to read it (the operation's box).
class BoxCounter final : public Prompter
{
public:
    explicit BoxCounter(CoreContext &context)
        : m_context(context), m_inner(context.setPrompter(*this))
    {
    }
    ~BoxCounter() override { m_context.setPrompter(*m_inner); }
    BoxCounter(const BoxCounter &) = delete;
    BoxCounter &operator=(const BoxCounter &) = delete;

    void message(const QString &text, const QString &title, Icon icon) override
    {
        ++count;
        m_inner->message(text, title, icon);
    }
    bool ask(const QString &text, const QString &title, Icon icon) override
    {
        ++count;
        return m_inner->ask(text, title, icon);
    }

    int count = 0;

private:
    CoreContext &m_context;
    Prompter *m_inner;
};

SequenceOutcome outcome(SequenceOutcome::Kind kind)
{
    return {kind, {}, {}, Prompter::Icon::Information};
}

/// The refusal of a sign-out names the step refused.
SequenceOutcome signOutTakenByOther()
{
    SequenceOutcome refused = SequenceOutcome::takenByOther();
    refused.title = QStringLiteral("Customer Sign Out");
    return refused;
}

bool heldByOther(const clsQuorvel &entry, int userNumber)
{
    return entry.lobbystatus >= 1 && entry.repID != userNumber;
}

/// Reads the entry `id` as it is now, under the caller's hold of the lock: `Done` when it is
/// there and is still the visit `visitKey` (any, when empty), else why not.
SequenceOutcome readCurrent(CoreContext &context, int id, const QString &visitKey,
                            clsQuorvel &current, const SequenceOutcome &whenGone)
{
    BoxCounter boxes(context);
    if (current.loadLobbyEntry(id))
        return visitKey.isEmpty() || current.visitKey == visitKey
                   ? outcome(SequenceOutcome::Kind::Done)
                   : whenGone;
    return boxes.count == 0 ? whenGone : SequenceOutcome::failedAndShown();
}

/// Takes the lock `section` holds, then reads the entry `id` as above; a lock that cannot be had
/// fails with the step's own `prefix`.
SequenceOutcome lockAndRead(LockedSection &section, CoreContext &context, const QString &prefix,
                            int id, const QString &visitKey, clsQuorvel &current,
                            const SequenceOutcome &whenGone)
{
    Failure failure;
    if (!section.acquire(failure))
        return SequenceOutcome::failed(prefix, failure);
    return readCurrent(context, id, visitKey, current, whenGone);
}
} // namespace

namespace ServiceSequences {

SequenceOutcome takeCustomer(CoreContext &context, int id, const QString &visitKey, int userNumber,
                             clsQuorvel &entry, const QString &desk)
{
    LockedSection section(context);
    const SequenceOutcome read =
        lockAndRead(section, context, QStringLiteral("Error.  [getMember]: "), id, visitKey, entry,
                    SequenceOutcome::removedFromQueue());
    if (!read.done())
        return read;
    if (heldByOther(entry, userNumber))
        return SequenceOutcome::takenByOther();
    entry.lobbystatus = 1;
    entry.repID = userNumber;
    entry.timeSeen = LooseTime::fromTime(context.clock().timeOfDay());
    entry.desk = desk;
    return entry.updateLobbyEntry(id) ? outcome(SequenceOutcome::Kind::Done)
                                      : SequenceOutcome::failedAndShown();
}

SequenceOutcome returnCustomer(CoreContext &context, int id, const QString &visitKey,
                               int userNumber)
{
    LockedSection section(context);
    clsQuorvel entry(context);
    const SequenceOutcome read =
        lockAndRead(section, context, QStringLiteral("Error.  [updateLobbyEntry]: "), id, visitKey,
                    entry, SequenceOutcome::removedFromQueue());
    if (!read.done())
        return read;
    if (heldByOther(entry, userNumber))
        return SequenceOutcome::takenByOther();
    // The entry keeps what was read, the time seen among it; only the status goes back.
    entry.lobbystatus = 0;
    entry.repID = userNumber;
    return entry.updateLobbyEntry(id) ? outcome(SequenceOutcome::Kind::Done)
                                      : SequenceOutcome::failedAndShown();
}

SequenceOutcome signOutCustomer(CoreContext &context, clsQuorvel &entry, int id)
{
    entry.lobbystatus = 3;
    entry.Timeout =
        LooseTime::fromText(TextForms::screenTime12Seconds(context.clock().timeOfDay()));
    LockedSection section(context);
    clsQuorvel current(context);
    const SequenceOutcome read =
        lockAndRead(section, context, QStringLiteral("Error.  [completeService]: "), id,
                    entry.visitKey, current, SequenceOutcome::removedBeforeSignOut());
    if (!read.done())
        return read;
    // The reception may have returned the customer and another desk taken them since.
    if (heldByOther(current, entry.repID))
        return signOutTakenByOther();
    entry.desk = current.desk;
    return entry.completeService(id) ? outcome(SequenceOutcome::Kind::Done)
                                     : SequenceOutcome::failedAndShown();
}

SequenceOutcome readQueueEntry(CoreContext &context, int id, const QString &visitKey,
                               clsQuorvel &entry)
{
    return readCurrent(context, id, visitKey, entry, SequenceOutcome::removedFromQueue());
}

SequenceOutcome removeWaitingCustomer(CoreContext &context, int id, const QString &visitKey)
{
    LockedSection section(context);
    clsQuorvel current(context);
    const SequenceOutcome read =
        lockAndRead(section, context, QStringLiteral("Error:  [deleteQueueEntry]: "), id, visitKey,
                    current, outcome(SequenceOutcome::Kind::Removed));
    if (!read.done())
        return read;
    if (current.lobbystatus >= 1)
        return SequenceOutcome::inServiceNow();
    return current.removeCustomerFromLobby(id) ? outcome(SequenceOutcome::Kind::Done)
                                               : SequenceOutcome::failedAndShown();
}

SequenceOutcome correctQueueEntry(CoreContext &context, clsQuorvel &entry, int id,
                                  const SeenEntry &seen, bool signOut)
{
    LockedSection section(context);
    clsQuorvel current(context);
    const SequenceOutcome read =
        lockAndRead(section, context, QStringLiteral("XML error.  [updateLobbyEntry]: "), id,
                    seen.visitKey, current, SequenceOutcome::removedFromQueue());
    if (!read.done())
        return read;
    if (current.lobbystatus != seen.lobbystatus || current.repID != seen.repID)
        return SequenceOutcome::changedElsewhere();
    entry.desk = current.desk;
    const bool written = signOut ? entry.completeService(id) : entry.updateLobbyEntry(id);
    return written ? outcome(SequenceOutcome::Kind::Done) : SequenceOutcome::failedAndShown();
}

} // namespace ServiceSequences
