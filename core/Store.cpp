#include "Store.h"

#include "RepNames.h"

#include <QFileInfo>

bool Store::userNames(RepNames &names, Failure &failure)
{
    QList<Directory::User> users;
    const bool read = allUsers(users, failure);
    for (const Directory::User &user : std::as_const(users))
        names.add(user.userNumber, user.displayName());
    return read;
}

bool Store::historyToRead(const QString &chosen, const SystemParameters &params, QString &path,
                          Failure &failure)
{
    path = chosen;
    return !isCurrentHistory(chosen, params) || historyFile(path, failure);
}

bool Store::isCurrentHistory(const QString &chosen, const SystemParameters &params)
{
    return QFileInfo(chosen) == QFileInfo(params.historyPath);
}
