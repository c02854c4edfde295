#pragma once

#include "DirectoryRecords.h"
#include "Failure.h"
#include "RepNames.h"

#include <QList>
#include <QString>

/// The representatives and services of `systemData.mdb`. Their names are stored without blanks
/// around them; a name that is empty or only blanks is refused.
namespace Directory {

/// Active users ordered by name as people read it (by the locale, case and accents aside). Rows
/// read before a failure stay in `users`.
bool activeUsers(const QString &systemPath, QList<User> &users, Failure &failure);
/// Every user, in user-number order. Reading never writes the file (a board may have no right
/// to).
bool allUsers(const QString &systemPath, QList<User> &users, Failure &failure);
/// The user whose username is exactly `username`; `found` false when none.
bool userByName(const QString &systemPath, const QString &username, User &user, bool &found,
                Failure &failure);
/// The user `userNumber`; `found` false when none.
bool userByNumber(const QString &systemPath, int userNumber, User &user, bool &found,
                  Failure &failure);
/// Adds an active user; `userNumber` is the new number.
bool addUser(const QString &systemPath, const User &user, int &userNumber, Failure &failure);
/// Changes the names and username of `user.userNumber` while they are still those of `seen` (as
/// the dialog read them); fails when that user is gone or `changedElsewhere()` when another
/// workstation has changed them since.
bool modifyUser(const QString &systemPath, const User &seen, const User &user, Failure &failure);
/// Marks `userNumber` active (1) or inactive (0); fails when that user is gone.
bool setUserStatus(const QString &systemPath, int userNumber, int status, Failure &failure);
bool deleteUser(const QString &systemPath, int userNumber, Failure &failure);

/// Active services ordered by name as people read it (by the locale, case and accents aside).
bool activeServices(const QString &systemPath, QList<Service> &services, Failure &failure);
bool addService(const QString &systemPath, const QString &serviceName, int &id, Failure &failure);
/// Renames service `id`; fails when that service is gone.
bool renameService(const QString &systemPath, int id, const QString &serviceName, Failure &failure);
bool deleteService(const QString &systemPath, int id, Failure &failure);

} // namespace Directory
