// Take, return and complete as a representative's client does them, and the history of a day.
#include "Commands.h"
#include "CtlEnvironment.h"

#include "QueueRecord.h"
#include "StorableText.h"
#include "Store.h"
#include "TextForms.h"
#include "clsQuorvel.h"

namespace {
/// Reads "ID --user N [--key KEY]"; false when ID or N is missing or not a number.
bool customerAndUser(const QStringList &args, int &id, int &user, QString &visitKey)
{
    QStringList rest = args;
    bool given = false, keyed = false;
    return CtlEnvironment::takeUserOption(rest, user, given) && given &&
           CtlEnvironment::takeOption(rest, QStringLiteral("--key"), visitKey, keyed) &&
           rest.size() == 1 && CtlEnvironment::parseNumber(rest.first(), id);
}

int exitStatusOf(CtlEnvironment &env, const SequenceOutcome &outcome)
{
    outcome.show(env.prompter());
    switch (outcome.kind) {
    case SequenceOutcome::Kind::Done:
        return ExitStatus::Done;
    case SequenceOutcome::Kind::TakenByOther:
    case SequenceOutcome::Kind::Removed:
        return ExitStatus::Refused;
    case SequenceOutcome::Kind::Failed:
        break;
    }
    return ExitStatus::Failed;
}

int take(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    QString desk;
    const qsizetype at = rest.indexOf(QStringLiteral("--desk"));
    if (at >= 0) {
        if (at + 1 >= rest.size())
            return ExitStatus::Usage;
        desk = storableText(rest.at(at + 1)).simplified().left(MaxDeskLength);
        rest.remove(at, 2);
    }
    int id = 0, user = 0;
    QString visitKey;
    if (!customerAndUser(rest, id, user, visitKey))
        return ExitStatus::Usage;
    // A customer taken by no one who exists would stay in service until the reception sees it.
    Directory::User representative;
    bool found = false;
    Failure failure;
    if (!env.context().store().userByNumber(user, representative, found, failure)) {
        env.error(failure.description);
        return ExitStatus::Failed;
    }
    if (!found) {
        env.error(QStringLiteral("There is no user with number %1.").arg(user));
        return ExitStatus::Refused;
    }
    clsQuorvel entry(env.context());
    return exitStatusOf(env, env.context().store().takeCustomer(id, visitKey, user, entry, desk));
}

int giveBack(CtlEnvironment &env, const QStringList &args)
{
    int id = 0, user = 0;
    QString visitKey;
    if (!customerAndUser(args, id, user, visitKey))
        return ExitStatus::Usage;
    return exitStatusOf(env, env.context().store().returnCustomer(id, visitKey, user));
}

int complete(CtlEnvironment &env, const QStringList &args)
{
    int id = 0, user = 0;
    QString visitKey;
    if (!customerAndUser(args, id, user, visitKey))
        return ExitStatus::Usage;
    // The client signs out the customer it took and kept; here the entry as it is now stands in
    // for what it kept. The sign-out checks again, as it writes, that no one else holds it.
    clsQuorvel entry(env.context());
    const SequenceOutcome read = env.context().store().readQueueEntry(id, visitKey, entry);
    if (read.kind == SequenceOutcome::Kind::Failed)
        return exitStatusOf(env, read); // there, but unreadable: the read has said why
    if (read.done() && !(entry.lobbystatus == 1 && entry.repID == user)) {
        env.error(
            QStringLiteral("Customer %1 is not in the service of user %2.").arg(id).arg(user));
        return ExitStatus::Refused;
    }
    // A customer gone by now, or another visit under the id, is reported as such by the
    // sign-out, which then writes nothing.
    if (!visitKey.isEmpty())
        entry.visitKey = visitKey;
    entry.repID = user;
    return exitStatusOf(env, env.context().store().signOutCustomer(entry, id));
}

/// Empty for a column without a value, as the dates and times print.
QString numberText(std::optional<int> number)
{
    return number ? QString::number(*number) : QString();
}

int history(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    int user = 0;
    bool byUser = false;
    if (!CtlEnvironment::takeUserOption(rest, user, byUser) || rest.size() != 1)
        return ExitStatus::Usage;
    const QDate day = TextForms::parseScreenDate(rest.first());
    if (!day.isValid()) {
        env.error(QStringLiteral("%1 is not a date (month/day/year).").arg(rest.first()));
        return ExitStatus::Usage;
    }
    Failure failure;
    const HistoryRows rows = env.context().store().historyOfDay(day, byUser ? user : 0, failure);
    for (const HistoryRow &row : rows) {
        const QStringList fields = {QString::number(row.id),
                                    row.firstName,
                                    row.lastName,
                                    row.serviceRequested,
                                    TextForms::screenDate(row.lobbyDateIn),
                                    TextForms::screenTime24(row.lobbyTimeIn),
                                    TextForms::screenTime24(row.timeServiced),
                                    TextForms::screenTime24(row.timeOut),
                                    numberText(row.servicedBy),
                                    numberText(row.serviceTime)};
        env.out() << fields.join(QLatin1Char('\t')) << '\n';
    }
    env.out().flush();
    if (failure.number != 0) {
        env.prompter().message(QStringLiteral("Error loading history data!\r%1/%2")
                                   .arg(failure.number)
                                   .arg(failure.description),
                               QStringLiteral("Error"), Prompter::Icon::Warning);
        return ExitStatus::Failed;
    }
    return ExitStatus::Done;
}
} // namespace

QList<Command> serviceCommands()
{
    return {
        {QStringLiteral("take"),
         QStringLiteral("ID --user N [--key KEY] [--desk TEXT]"),
         true,
         take,
         {QStringLiteral("take a customer into a representative's service"),
          QStringLiteral(
              "Takes a waiting customer into the service of representative N, as the client does: "
              "the entry gets status 1, the user number and the time seen."),
          {{QStringLiteral("ID"), QStringLiteral("the customer's id, as \"list\" prints it")},
           {QStringLiteral("--user N"),
            QStringLiteral("the representative's user number, as \"users list\" prints it")},
           {QStringLiteral("--desk TEXT"),
            QStringLiteral("where the customer is called to, such as \"Window 4\" (at most 30 "
                           "characters)")},
           keyOption()},
          {{QStringLiteral("0"), QStringLiteral("taken")},
           {QStringLiteral("1"), QStringLiteral("the queue file or the system database could not "
                                                "be read or written; the reason is printed")},
           {QStringLiteral("3"), QStringLiteral("refused: no user has number N, another "
                                                "representative has the customer, or it is no "
                                                "longer in the queue")}},
          QStringLiteral("quorvelctl take 131045 --user 2")}},
        {QStringLiteral("return"),
         QStringLiteral("ID --user N [--key KEY]"),
         true,
         giveBack,
         {QStringLiteral("put a representative's customer back into the waiting list"),
          QStringLiteral("Puts the customer that representative N has taken back into the waiting "
                         "list, as the client's return does."),
          {{QStringLiteral("ID"), QStringLiteral("the customer's id")},
           {QStringLiteral("--user N"), QStringLiteral("the representative's user number")},
           keyOption()},
          {{QStringLiteral("0"), QStringLiteral("returned")},
           {QStringLiteral("1"),
            QStringLiteral("the queue file could not be read or written; the reason is printed")},
           {QStringLiteral("3"), QStringLiteral("refused: another representative has the customer, "
                                                "or it is no longer in the queue")}},
          QStringLiteral("quorvelctl return 131045 --user 2")}},
        {QStringLiteral("complete"),
         QStringLiteral("ID --user N [--key KEY]"),
         true,
         complete,
         {QStringLiteral("sign a representative's customer out into history"),
          QStringLiteral("Signs out the customer that representative N serves, as the client does: "
                         "writes the visit's history row, then removes the customer from the "
                         "queue. When the queue cannot be saved, the history row is taken back, so "
                         "the visit is never in neither place nor in both."),
          {{QStringLiteral("ID"), QStringLiteral("the customer's id")},
           {QStringLiteral("--user N"), QStringLiteral("the representative's user number")},
           keyOption()},
          {{QStringLiteral("0"), QStringLiteral("signed out")},
           {QStringLiteral("1"), QStringLiteral("the queue file or the history database could not "
                                                "be read or written; the reason is printed")},
           {QStringLiteral("3"),
            QStringLiteral(
                "refused: the customer is not in user N's service, or is no longer in the queue")}},
          QStringLiteral("quorvelctl complete 131045 --user 2")}},
        {QStringLiteral("history"),
         QStringLiteral("DATE [--user N]"),
         true,
         history,
         {QStringLiteral("print the visits of a day"),
          QStringLiteral(
              "Prints the completed visits of a day by check-in time, one tab-separated line per "
              "visit: id, first name, last name, service, date in, time in, time serviced, time "
              "out, user number of the representative, service time in minutes."),
          {{QStringLiteral("DATE"), QStringLiteral("the day as month/day/year")},
           {QStringLiteral("--user N"),
            QStringLiteral("only the visits served by the representative with user number N")}},
          {{QStringLiteral("0"), QStringLiteral("printed")},
           {QStringLiteral("1"),
            QStringLiteral("the history database could not be read; the reason is printed")},
           {QStringLiteral("2"), QStringLiteral("wrong usage, or DATE is not a date")}},
          QStringLiteral("quorvelctl history 12/6/2026 --user 2")}},
    };
}
