#include "SequenceOutcome.h"

void SequenceOutcome::show(Prompter &prompter) const
{
    if (!text.isEmpty())
        prompter.message(text, title, icon);
}

SequenceOutcome SequenceOutcome::takenByOther()
{
    return {Kind::TakenByOther,
            QStringLiteral("This customer has been taken by another representative."),
            QStringLiteral("Customer Retrieval"), Prompter::Icon::Information};
}

SequenceOutcome SequenceOutcome::removedFromQueue()
{
    return {Kind::Removed, QStringLiteral("This customer has been removed from the Lobby Queue."),
            QStringLiteral("Quorvel"), Prompter::Icon::Information};
}

SequenceOutcome SequenceOutcome::removedBeforeSignOut()
{
    return {Kind::Removed, QStringLiteral("This customer record was removed by the Harbrin."),
            QStringLiteral("Service Error"), Prompter::Icon::Critical};
}

SequenceOutcome SequenceOutcome::inServiceNow()
{
    return {Kind::Changed, QStringLiteral("You can not remove a customer that is in service."),
            QStringLiteral("Error"), Prompter::Icon::Critical};
}

SequenceOutcome SequenceOutcome::changedElsewhere()
{
    return {Kind::Changed,
            QStringLiteral("Another workstation has changed this entry since it was opened.  "
                           "Nothing was saved; the lists show it as it is now."),
            QStringLiteral("Modify Entry"), Prompter::Icon::Warning};
}

SequenceOutcome SequenceOutcome::failed(const QString &prefix, const Failure &failure)
{
    return {Kind::Failed, prefix + failure.description,
            QStringLiteral("Error %1").arg(failure.number), Prompter::Icon::Critical};
}
