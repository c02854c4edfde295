// The representatives and services an office works with.
#include "Commands.h"
#include "CtlEnvironment.h"

#include "Directory.h"

namespace {
int failed(CtlEnvironment &env, const Failure &failure)
{
    env.error(QStringLiteral("%1 (%2)").arg(failure.description).arg(failure.number));
    return ExitStatus::Failed;
}

int addUser(CtlEnvironment &env, const QStringList &args)
{
    if (args.size() != 3)
        return ExitStatus::Usage;
    Directory::User user;
    user.firstName = args.at(0);
    user.lastName = args.at(1);
    user.username = args.at(2);
    user.status = 1;
    int userNumber = 0;
    Failure failure;
    if (!Directory::addUser(env.context().params.systemPath, user, userNumber, failure))
        return failed(env, failure);
    env.out() << userNumber << Qt::endl;
    return ExitStatus::Done;
}

int listUsers(CtlEnvironment &env, const QStringList &args)
{
    if (!args.isEmpty())
        return ExitStatus::Usage;
    QList<Directory::User> users;
    Failure failure;
    if (!Directory::allUsers(env.context().params.systemPath, users, failure))
        return failed(env, failure);
    for (const Directory::User &user : std::as_const(users))
        env.out() << user.userNumber << '\t' << user.firstName << '\t' << user.lastName << '\t'
                  << user.username << '\t' << user.status << '\n';
    env.out().flush();
    return ExitStatus::Done;
}

int addService(CtlEnvironment &env, const QStringList &args)
{
    if (args.size() != 1)
        return ExitStatus::Usage;
    int id = 0;
    Failure failure;
    if (!Directory::addService(env.context().params.systemPath, args.first(), id, failure))
        return failed(env, failure);
    env.out() << id << Qt::endl;
    return ExitStatus::Done;
}

int listServices(CtlEnvironment &env, const QStringList &args)
{
    if (!args.isEmpty())
        return ExitStatus::Usage;
    QList<Directory::Service> services;
    Failure failure;
    if (!Directory::activeServices(env.context().params.systemPath, services, failure))
        return failed(env, failure);
    for (const Directory::Service &service : std::as_const(services))
        env.out() << service.id << '\t' << service.serviceName << '\n';
    env.out().flush();
    return ExitStatus::Done;
}
} // namespace

QList<Command> directoryCommands()
{
    return {
        {QStringLiteral("users add"), QStringLiteral("FIRST LAST USERNAME"), true, addUser},
        {QStringLiteral("users list"), QString(), true, listUsers},
        {QStringLiteral("services add"), QStringLiteral("NAME"), true, addService},
        {QStringLiteral("services list"), QString(), true, listServices},
    };
}
