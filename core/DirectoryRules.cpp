#include "DirectoryRules.h"

#include "StorableText.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace Directory {

namespace {
template <typename T, typename Key> void sortByKey(QList<T> &items, Key key)
{
    // The C locale would compare code points: it stands for no choice, so take the forms the
    // programs use everywhere else.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::stable_sort(items.begin(), items.end(),
                     [&](const T &a, const T &b) { return collator.compare(key(a), key(b)) < 0; });
}
} // namespace

QString storedName(const QString &name)
{
    return storableText(name).trimmed();
}

QStringList storedNames(const User &user)
{
    return {storedName(user.firstName), storedName(user.lastName), storedName(user.username)};
}

bool namesGiven(const QStringList &names, Failure &failure)
{
    for (const QString &name : names) {
        if (name.isEmpty()) {
            failure = {FailureNumber::InvalidArgument,
                       QStringLiteral("A name cannot be empty or only blanks.")};
            return false;
        }
    }
    return true;
}

QString userGone()
{
    return QStringLiteral("The user is no longer in the database.");
}

QString serviceGone()
{
    return QStringLiteral("The service is no longer in the database.");
}

void sortForPeople(QList<User> &users)
{
    sortByKey(users, [](const User &user) { return user.displayName(); });
}

void sortForPeople(QList<Service> &services)
{
    sortByKey(services, [](const Service &service) { return service.serviceName; });
}

} // namespace Directory
