#include "Commands.h"
#include "CtlEnvironment.h"

#include "QueueDocument.h"
#include "clsQuorvel.h"
#include "kzrXML.h"

namespace {
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
    if (!CtlEnvironment::takeUserOption(rest, user, byUser) || !rest.isEmpty())
        return ExitStatus::Usage;
    QueueDocument doc;
    doc.load(env.context().params.queuePath);
    if (doc.loadFailure().number == FailureNumber::NotWellFormed) {
        env.error(doc.loadFailure().description);
        return ExitStatus::Failed;
    }
    kzrXML xml(env.prompter());
    for (const pugi::xml_node &record : doc.records()) {
        int id = 0;
        QueueDocument::recordId(record, id);
        bool numeric = false;
        const int userId = xml.getElementAttrVal(record, "USER_ID").toInt(&numeric);
        if (byUser && userId != user)
            continue;
        const QStringList fields = {
            QString::number(id),
            xml.getElementAttrVal(record, "LOBBY_STATUS"),
            xml.getElementAttrVal(record, "FIRST_NAME"),
            xml.getElementAttrVal(record, "LAST_NAME"),
            xml.getElementAttrVal(record, "SERVICE"),
            xml.getElementAttrVal(record, "DATE_IN"),
            xml.getElementAttrVal(record, "TIME_IN"),
            QString::number(numeric ? userId : 0),
            xml.getElementAttrVal(record, "TIME_SEEN"),
        };
        env.out() << fields.join(QLatin1Char('\t')) << '\n';
    }
    env.out().flush();
    return env.prompter().shown == 0 ? ExitStatus::Done : ExitStatus::Failed;
}

int remove(CtlEnvironment &env, const QStringList &args)
{
    int id = 0;
    if (args.size() != 1 || !CtlEnvironment::parseNumber(args.first(), id))
        return ExitStatus::Usage;
    clsQuorvel entry(env.context());
    if (!entry.verifyLobbyEntry(id)) {
        if (env.prompter().shown == 0)
            env.error(QStringLiteral("No customer with id %1 is in the queue.").arg(id));
        return env.prompter().shown == 0 ? ExitStatus::Refused : ExitStatus::Failed;
    }
    return entry.removeCustomerFromLobby(id) ? ExitStatus::Done : ExitStatus::Failed;
}
} // namespace

QList<Command> queueCommands()
{
    return {
        {QStringLiteral("add"), QStringLiteral("FIRST LAST SERVICE"), true, add},
        {QStringLiteral("list"), QStringLiteral("[--user N]"), true, list},
        {QStringLiteral("remove"), QStringLiteral("ID"), true, remove},
    };
}
