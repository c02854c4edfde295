#include "ServiceChoices.h"

#include "DESKDB.h"

#include "Store.h"

#include <QComboBox>

void addActiveServices(DESKDB &desk, QComboBox *list)
{
    QList<Directory::Service> services;
    Failure failure;
    const bool read = desk.context.store().activeServices(services, failure);
    for (const Directory::Service &service : services)
        list->addItem(service.serviceName);
    if (!read)
        desk.showDatabaseWarning(QStringLiteral("Error loading services database!"), failure);
}

void addActiveReps(DESKDB &desk, QComboBox *list)
{
    QList<Directory::User> users;
    Failure failure;
    desk.context.store().activeUsers(users, failure);
    for (const Directory::User &user : users)
        list->addItem(user.displayName(), user.userNumber);
}

void enableOtherService(QWidget *entry, QWidget *label, bool other)
{
    entry->setEnabled(other);
    label->setEnabled(other);
    if (other)
        entry->setFocus();
}
