#pragma once

#include <QString>

/// The representatives and services an office keeps.
namespace Directory {

struct User
{
    int userNumber = 0;
    QString firstName;
    QString lastName;
    QString username;
    int status =
        0; // 1 active, 0 inactive; NoStatus when the stored value is neither a number nor set

    static constexpr int NoStatus = -1;

    QString displayName() const { return firstName + QLatin1Char(' ') + lastName; }
    /// The same names as `other`: what Modify User shows and writes.
    bool sameNames(const User &other) const
    {
        return firstName == other.firstName && lastName == other.lastName &&
               username == other.username;
    }
};

struct Service
{
    int id = 0;
    QString serviceName;
};

} // namespace Directory
