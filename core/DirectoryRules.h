#pragma once

#include "DirectoryRecords.h"
#include "Failure.h"

#include <QList>
#include <QString>
#include <QStringList>

/// What every store keeps to about users and services: names as stored, refusals in the same
/// words, lists in the order people read them.
namespace Directory {

/// A name as it is stored: without characters no stored name may hold, nor blanks around it.
QString storedName(const QString &name);
/// First name, last name and username as they are stored.
QStringList storedNames(const User &user);
/// False, with the failure, when one of `names` would be stored empty: a list row of blanks
/// names no one and cannot be told from another.
bool namesGiven(const QStringList &names, Failure &failure);

QString userGone();
QString serviceGone();

/// By the locale, ignoring case and accents at first sight ("anna" beside "Anna", "Élise" among
/// the E's), numbers by their value.
void sortForPeople(QList<User> &users);
void sortForPeople(QList<Service> &services);

} // namespace Directory
