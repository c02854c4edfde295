// The representatives and services an office works with.
#include "Commands.h"
#include "CtlEnvironment.h"

#include "Store.h"

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
    if (!env.context().store().addUser(user, userNumber, failure))
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
    if (!env.context().store().allUsers(users, failure))
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
    if (!env.context().store().addService(args.first(), id, failure))
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
    if (!env.context().store().activeServices(services, failure))
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
        {QStringLiteral("users add"),
         QStringLiteral("FIRST LAST USERNAME"),
         true,
         addUser,
         {QStringLiteral("add an active representative; prints the user number"),
          QStringLiteral(
              "Adds an active representative and prints the user number. The representative enters "
              "USERNAME once in the client's options; it is matched exactly."),
          {{QStringLiteral("FIRST LAST"),
            QStringLiteral("the representative's first and last name")},
           {QStringLiteral("USERNAME"),
            QStringLiteral("the name the representative enters in the client")}},
          {{QStringLiteral("0"), QStringLiteral("added; the user number is printed")},
           {QStringLiteral("1"),
            QStringLiteral(
                "the system database could not be opened or written; the reason is printed")}},
          QStringLiteral("quorvelctl users add Dana Whitfield dana")}},
        {QStringLiteral("users list"),
         QString(),
         true,
         listUsers,
         {QStringLiteral("print every representative"),
          QStringLiteral("Prints every representative, one tab-separated line each: user number, "
                         "first name, last name, username, status (1 active, 0 inactive)."),
          {},
          {{QStringLiteral("0"), QStringLiteral("printed")},
           {QStringLiteral("1"),
            QStringLiteral("the system database could not be read; the reason is printed")}},
          QStringLiteral("quorvelctl users list")}},
        {QStringLiteral("services add"),
         QStringLiteral("NAME"),
         true,
         addService,
         {QStringLiteral("add a service offered at check-in; prints its id"),
          QStringLiteral("Adds a service that the reception offers at check-in and prints its id. "
                         "Quote a name of several words."),
          {{QStringLiteral("NAME"), QStringLiteral("the service's name")}},
          {{QStringLiteral("0"), QStringLiteral("added; the id is printed")},
           {QStringLiteral("1"),
            QStringLiteral(
                "the system database could not be opened or written; the reason is printed")}},
          QStringLiteral("quorvelctl services add \"Building permits\"")}},
        {QStringLiteral("services list"),
         QString(),
         true,
         listServices,
         {QStringLiteral("print the active services"),
          QStringLiteral(
              "Prints the active services by name, one tab-separated line each: id, name."),
          {},
          {{QStringLiteral("0"), QStringLiteral("printed")},
           {QStringLiteral("1"),
            QStringLiteral("the system database could not be read; the reason is printed")}},
          QStringLiteral("quorvelctl services list")}},
    };
}
