#include "Directory.h"

#include "Database.h"

#include <QSqlRecord>
#include <QVariant>

namespace Directory {

namespace {
const QString userColumns =
    QStringLiteral("SELECT userNumber, firstName, lastName, username, status FROM users ");

User userFrom(const QSqlQuery &query)
{
    return {query.value(0).toInt(), query.value(1).toString(), query.value(2).toString(),
            query.value(3).toString(), query.value(4).toInt()};
}

bool readUsers(const QString &systemPath, const QString &statement, const QVariantList &values,
               QList<User> &users, Failure &failure)
{
    Database db(systemPath);
    if (!db.open()) {
        failure = db.failure();
        return false;
    }
    QSqlQuery query = db.prepare(statement);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (db.failure().number != 0 || !db.exec(query)) {
        failure = db.failure();
        return false;
    }
    while (query.next())
        users.append(userFrom(query));
    return true;
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
} // namespace

bool activeUsers(const QString &systemPath, QList<User> &users, Failure &failure)
{
    return readUsers(systemPath, userColumns + QStringLiteral("WHERE status=1 ORDER BY firstName"),
                     {}, users, failure);
}

bool allUsers(const QString &systemPath, QList<User> &users, Failure &failure)
{
    return readUsers(systemPath, userColumns + QStringLiteral("ORDER BY userNumber"), {}, users,
                     failure);
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
    return insert(systemPath,
                  QStringLiteral("INSERT INTO users (firstName, lastName, department, username, "
                                 "status) VALUES (?, ?, '', ?, ?)"),
                  {user.firstName, user.lastName, user.username, user.status}, userNumber, failure);
}

bool activeServices(const QString &systemPath, QList<Service> &services, Failure &failure)
{
    Database db(systemPath);
    if (!db.open()) {
        failure = db.failure();
        return false;
    }
    QSqlQuery query =
        db.prepare(QStringLiteral("SELECT id, serviceName FROM services WHERE status=1 "
                                  "ORDER BY serviceName"));
    if (db.failure().number != 0 || !db.exec(query)) {
        failure = db.failure();
        return false;
    }
    while (query.next())
        services.append({query.value(0).toInt(), query.value(1).toString()});
    return true;
}

bool addService(const QString &systemPath, const QString &serviceName, int &id, Failure &failure)
{
    return insert(systemPath,
                  QStringLiteral("INSERT INTO services (serviceName, status) VALUES (?, 1)"),
                  {serviceName}, id, failure);
}

} // namespace Directory
