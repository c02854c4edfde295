#include "Store.h"

#include "RepNames.h"

bool Store::userNames(RepNames &names, Failure &failure)
{
    QList<Directory::User> users;
    const bool read = allUsers(users, failure);
    for (const Directory::User &user : std::as_const(users))
        names.add(user.userNumber, user.displayName());
    return read;
}
