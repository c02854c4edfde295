#include "Directory.h"

#include "Database.h"
#include "DirectoryRules.h"
#include "GuardedChange.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>

namespace Directory {

namespace {
const QString userColumns =
    QStringLiteral("SELECT userNumber, firstName, lastName, username, status FROM users ");
const QString allUsersInOrder = userColumns + QStringLiteral("ORDER BY userNumber");

int statusFrom(const QVariant &value)
{
    bool ok = false;
    const int status = value.toInt(&ok);
    return !value.isNull() && ok ? status : User::NoStatus;
}

User userFrom(const QSqlQuery &query)
{
    return {query.value(0).toInt(), query.value(1).toString(), query.value(2).toString(),
            query.value(3).toString(), statusFrom(query.value(4))};
}

/// Opens `db` and runs `statement` with `values` bound in order.
bool run(Database &db, const QString &statement, const QVariantList &values, QSqlQuery &query,
         Failure &failure)
{
    if (db.open()) {
        query = db.prepare(statement);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (db.failure().number == 0 && db.exec(query))
            return true;
    }
    failure = db.failure();
    return false;
}

/// False when walking the result stopped on an error rather than at its end.
bool walkedToEnd(Database &db, const QSqlQuery &query, Failure &failure)
{
    if (!query.lastError().isValid())
        return true;
    db.setFailureFrom(query);
    failure = db.failure();
    return false;
}

bool readUsers(const QString &systemPath, const QString &statement, const QVariantList &values,
               QList<User> &users, Failure &failure)
{
    Database db(systemPath, Database::Mode::ReadOnly);
    QSqlQuery query;
    if (!run(db, statement, values, query, failure))
        return false;
    while (query.next())
        users.append(userFrom(query));
    return walkedToEnd(db, query, failure);
}

bool readOneUser(const QString &systemPath, const QString &where, const QVariant &value, User &user,
                 bool &found, Failure &failure)
{
    QList<User> users;
    if (!readUsers(systemPath, userColumns + where, {value}, users, failure))
        return false;
    found = !users.isEmpty();
    if (found)
        user = users.first();
    return true;
}

bool insert(const QString &path, const QString &statement, const QVariantList &values, int &id,
            Failure &failure)
{
    Database db(path);
    if (!db.open() || !db.exec(statement, values)) {
        failure = db.failure();
        return false;
    }
    QSqlQuery last = db.prepare(QStringLiteral("SELECT last_insert_rowid()"));
    if (!db.exec(last) || !last.next()) {
        failure = db.failure();
        return false;
    }
    id = last.value(0).toInt();
    return true;
}

/// Runs a change of one row; when `gone` is given, a statement that found no row fails with it.
bool change(const QString &path, const QString &statement, const QVariantList &values,
            const QString &gone, Failure &failure)
{
    Database db(path);
    QSqlQuery query;
    if (!run(db, statement, values, query, failure))
        return false;
    if (!gone.isEmpty() && query.numRowsAffected() == 0) {
        failure = {FailureNumber::NoCurrentRecord, gone};
        return false;
    }
    return true;
}

} // namespace

bool activeUsers(const QString &systemPath, QList<User> &users, Failure &failure)
{
    const bool read =
        readUsers(systemPath, userColumns + QStringLiteral("WHERE status=1 ORDER BY firstName"), {},
                  users, failure);
    sortForPeople(users);
    return read;
}

bool allUsers(const QString &systemPath, QList<User> &users, Failure &failure)
{
    return readUsers(systemPath, allUsersInOrder, {}, users, failure);
}

bool userByName(const QString &systemPath, const QString &username, User &user, bool &found,
                Failure &failure)
{
    return readOneUser(systemPath, QStringLiteral("WHERE userName = ?"), username, user, found,
                       failure);
}

bool userByNumber(const QString &systemPath, int userNumber, User &user, bool &found,
                  Failure &failure)
{
    return readOneUser(systemPath, QStringLiteral("WHERE userNumber = ?"), userNumber, user, found,
                       failure);
}

bool addUser(const QString &systemPath, const User &user, int &userNumber, Failure &failure)
{
    const QStringList names = storedNames(user);
    return namesGiven(names, failure) &&
           insert(systemPath,
                  QStringLiteral("INSERT INTO users (firstName, lastName, department, username, "
                                 "status) VALUES (?, ?, '', ?, ?)"),
                  QVariantList{names[0], names[1], names[2], user.status}, userNumber, failure);
}

bool modifyUser(const QString &systemPath, const User &seen, const User &user, Failure &failure)
{
    const QStringList names = storedNames(user);
    const GuardedChange change{
        userColumns + QStringLiteral("WHERE userNumber = ?"),
        {user.userNumber},
        [&seen](const QSqlQuery &row) {
            const User now = userFrom(row);
            return now.firstName == seen.firstName && now.lastName == seen.lastName &&
                   now.username == seen.username;
        },
        QStringLiteral("UPDATE users SET firstName = ?, lastName = ?, userName = ? "
                       "WHERE userNumber = ?"),
        QVariantList{names[0], names[1], names[2], user.userNumber}};
    return namesGiven(names, failure) && change.run(systemPath, userGone(), failure);
}

bool setUserStatus(const QString &systemPath, int userNumber, int status, Failure &failure)
{
    return change(systemPath, QStringLiteral("UPDATE users SET status = ? WHERE userNumber = ?"),
                  {status, userNumber}, userGone(), failure);
}

bool deleteUser(const QString &systemPath, int userNumber, Failure &failure)
{
    // A user deleted meanwhile is gone as asked: no failure.
    return change(systemPath, QStringLiteral("DELETE FROM users WHERE userNumber = ?"),
                  {userNumber}, QString(), failure);
}

bool activeServices(const QString &systemPath, QList<Service> &services, Failure &failure)
{
    Database db(systemPath, Database::Mode::ReadOnly);
    QSqlQuery query;
    if (!run(db,
             QStringLiteral("SELECT id, serviceName FROM services WHERE status=1 "
                            "ORDER BY serviceName"),
             {}, query, failure))
        return false;
    while (query.next())
        services.append({query.value(0).toInt(), query.value(1).toString()});
    const bool read = walkedToEnd(db, query, failure);
    sortForPeople(services);
    return read;
}

bool addService(const QString &systemPath, const QString &serviceName, int &id, Failure &failure)
{
    const QString name = storedName(serviceName);
    return namesGiven({name}, failure) &&
           insert(systemPath,
                  QStringLiteral("INSERT INTO services (serviceName, status) VALUES (?, 1)"),
                  {name}, id, failure);
}

bool renameService(const QString &systemPath, int id, const QString &serviceName, Failure &failure)
{
    const QString name = storedName(serviceName);
    return namesGiven({name}, failure) &&
           change(systemPath, QStringLiteral("UPDATE services SET serviceName = ? WHERE id = ?"),
                  {name, id}, serviceGone(), failure);
}

bool deleteService(const QString &systemPath, int id, Failure &failure)
{
    return change(systemPath, QStringLiteral("DELETE FROM services WHERE id = ?"), {id}, QString(),
                  failure);
}

} // namespace Directory
