#pragma once

#include "Failure.h"

#include <QList>
#include <QString>

/// The representatives and services of `systemData.mdb`.
namespace Directory {

struct User
{
    int userNumber = 0;
    QString firstName;
    QString lastName;
    QString username;
    int status = 0;

    QString displayName() const { return firstName + QLatin1Char(' ') + lastName; }
};

struct Service
{
    int id = 0;
    QString serviceName;
};

/// Active users ordered by first name. Rows read before a failure stay in `users`.
bool activeUsers(const QString &systemPath, QList<User> &users, Failure &failure);
/// Every user, in user-number order.
bool allUsers(const QString &systemPath, QList<User> &users, Failure &failure);
/// The user whose username is exactly `username`; `found` false when none.
bool userByName(const QString &systemPath, const QString &username, User &user, bool &found,
                Failure &failure);
/// The user `userNumber`; `found` false when none.
bool userByNumber(const QString &systemPath, int userNumber, User &user, bool &found,
                  Failure &failure);
/// Adds an active user; `userNumber` is the new number.
bool addUser(const QString &systemPath, const User &user, int &userNumber, Failure &failure);

/// Active services ordered by name.
bool activeServices(const QString &systemPath, QList<Service> &services, Failure &failure);
bool addService(const QString &systemPath, const QString &serviceName, int &id, Failure &failure);

} // namespace Directory
