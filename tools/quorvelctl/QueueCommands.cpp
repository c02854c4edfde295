#include "Commands.h"
#include "CtlEnvironment.h"

#include "LobbyWaits.h"
#include "Store.h"
#include "clsQuorvel.h"

#include <optional>

namespace {
/// The estimated wait of each waiting customer by id; none when history cannot be read.
QHash<int, QString> waitEstimates(CtlEnvironment &env)
{
    CoreContext &context = env.context();
    QueueListing listing;
    clsQuorvel(context).loadQueue(listing, true);
    LobbyWaits waits;
    QHash<int, QString> estimates;
    if (!waits.readHistory(context.store(), context.clock().now().date()))
        env.error(QStringLiteral("The history cannot be read: no estimates."));
    const QStringList texts = waits.texts(listing, context.clock().now());
    for (qsizetype i = 0; i < listing.waiting.size(); ++i)
        estimates.insert(listing.waiting.at(i).id, texts.at(i));
    return estimates;
}

int add(CtlEnvironment &env, const QStringList &args)
{
    if (args.size() != 3)
        return ExitStatus::Usage;
    clsQuorvel entry(env.context());
    const int id = entry.addCustomerToQueue(args.at(0), args.at(1), args.at(2));
    if (id == 0)
        return ExitStatus::Failed;
    env.out() << id << Qt::endl;
    return ExitStatus::Done;
}

int list(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    int user = 0;
    bool byUser = false;
    const bool withEstimate = rest.removeAll(QStringLiteral("--estimate")) > 0;
    if (!CtlEnvironment::takeUserOption(rest, user, byUser) || !rest.isEmpty())
        return ExitStatus::Usage;
    const QHash<int, QString> estimates = withEstimate ? waitEstimates(env) : QHash<int, QString>();
    QList<StoredQueueRecord> records;
    Failure failure;
    if (!env.context().store().queueRecords(records, failure)) {
        env.error(failure.description);
        return ExitStatus::Failed;
    }
    for (const StoredQueueRecord &record : std::as_const(records)) {
        const QueueRecordTexts &texts = record.texts;
        bool numeric = false;
        const int userId = texts.userId.toInt(&numeric);
        if (byUser && userId != user)
            continue;
        QStringList fields = {
            QString::number(record.id),
            texts.lobbyStatus,
            texts.firstName,
            texts.lastName,
            texts.service,
            texts.dateIn,
            texts.timeIn,
            QString::number(numeric ? userId : 0),
            texts.timeSeen,
            texts.visitKey,
        };
        if (withEstimate)
            fields.append(fields.at(1) == QLatin1String("0") ? estimates.value(record.id)
                                                             : QString());
        env.out() << fields.join(QLatin1Char('\t')) << '\n';
    }
    env.out().flush();
    return env.prompter().shown == 0 ? ExitStatus::Done : ExitStatus::Failed;
}

int remove(CtlEnvironment &env, const QStringList &args)
{
    QStringList rest = args;
    int id = 0;
    bool keyed = false;
    clsQuorvel entry(env.context());
    if (!CtlEnvironment::takeOption(rest, QStringLiteral("--key"), entry.visitKey, keyed) ||
        rest.size() != 1 || !CtlEnvironment::parseNumber(rest.first(), id))
        return ExitStatus::Usage;
    bool present = false, removed = false;
    {
        // On a folder, one hold of the lock: the queue is read and parsed once for the look and
        // the removal. With the key, the removal reaches only that visit, even once its id has
        // passed on. A server's statements need no folder lock.
        std::optional<LockedSection> section;
        if (env.context().params.serverConnection.isEmpty()) {
            section.emplace(env.context());
            if (!env.acquire(*section))
                return ExitStatus::Failed;
        }
        present = entry.verifyLobbyEntry(id);
        removed = present && entry.removeCustomerFromLobby(id);
    }
    if (!present) {
        if (env.prompter().shown == 0)
            env.error(keyed ? QStringLiteral("No customer with id %1 and key %2 is in the queue.")
                                  .arg(id)
                                  .arg(entry.visitKey)
                            : QStringLiteral("No customer with id %1 is in the queue.").arg(id));
        return env.prompter().shown == 0 ? ExitStatus::Refused : ExitStatus::Failed;
    }
    return removed ? ExitStatus::Done : ExitStatus::Failed;
}
} // namespace

QList<Command> queueCommands()
{
    return {
        {QStringLiteral("add"),
         QStringLiteral("FIRST LAST SERVICE"),
         true,
         add,
         {QStringLiteral("check a customer in; prints the new id"),
          QStringLiteral("Checks a customer in, as the reception does, and prints the new "
                         "customer's id. SERVICE is any text, normally a name from \"services "
                         "list\"; quote a text of several words."),
          {{QStringLiteral("FIRST LAST"), QStringLiteral("the customer's first and last name")},
           {QStringLiteral("SERVICE"), QStringLiteral("the service the customer asks for")}},
          {{QStringLiteral("0"), QStringLiteral("checked in; the id is printed")},
           {QStringLiteral("1"),
            QStringLiteral("the queue file could not be read or written; the reason is printed")}},
          QStringLiteral("quorvelctl add Ann Lee Taxes")}},
        {QStringLiteral("list"),
         QStringLiteral("[--user N] [--estimate]"),
         true,
         list,
         {QStringLiteral("print the queue, one line per customer"),
          QStringLiteral(
              "Prints the queue in check-in order, one tab-separated line per customer: id, status "
              "(0 waiting, 1 in service), first name, last name, service, date in, time in, user "
              "number of the representative (0 when none), time seen, visit key (empty for a "
              "customer checked in before visits had keys)."),
          {{QStringLiteral("--user N"),
            QStringLiteral(
                "only the customers in the service of the representative with user number N")},
           {QStringLiteral("--estimate"),
            QStringLiteral("one more field: the estimated wait of a waiting customer, as the "
                           "reception shows it (\"about 15 min\", \"less than 5 min\"); empty "
                           "for a customer in service")}},
          {{QStringLiteral("0"), QStringLiteral("printed")},
           {QStringLiteral("1"),
            QStringLiteral(
                "the queue file could not be read or is not well-formed; the reason is printed")}},
          QStringLiteral("quorvelctl list --user 2")}},
        {QStringLiteral("remove"),
         QStringLiteral("ID [--key KEY]"),
         true,
         remove,
         {QStringLiteral("remove a customer from the queue"),
          QStringLiteral("Removes a customer from the queue without a history row, as the "
                         "reception's Delete does."),
          {{QStringLiteral("ID"), QStringLiteral("the customer's id, as \"list\" prints it")},
           keyOption()},
          {{QStringLiteral("0"), QStringLiteral("removed")},
           {QStringLiteral("1"),
            QStringLiteral("the queue file could not be read or written; the reason is printed")},
           {QStringLiteral("3"),
            QStringLiteral("no customer with that id (and key, when given) is in the queue")}},
          QStringLiteral("quorvelctl remove 131045")}},
    };
}
