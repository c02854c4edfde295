#include "UserEntries.h"

#include "SelectAllOnFocus.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

UserEntries::UserEntries(QLineEdit *firstName, QLineEdit *lastName, QLineEdit *username,
                         QPushButton *button)
    : m_entries{firstName, lastName, username}
{
    for (QLineEdit *entry : std::as_const(m_entries)) {
        selectAllOnFocus(entry);
        QObject::connect(entry, &QLineEdit::textChanged, button, [entries = m_entries, button] {
            button->setEnabled(std::none_of(entries.cbegin(), entries.cend(), [](QLineEdit *e) {
                return e->text().trimmed().isEmpty();
            }));
        });
    }
}

Directory::User UserEntries::user(int userNumber) const
{
    Directory::User user;
    user.userNumber = userNumber;
    user.firstName = m_entries.at(0)->text();
    user.lastName = m_entries.at(1)->text();
    user.username = m_entries.at(2)->text();
    return user;
}

void UserEntries::show(const Directory::User &user)
{
    m_entries.at(0)->setText(user.firstName);
    m_entries.at(1)->setText(user.lastName);
    m_entries.at(2)->setText(user.username);
}

void UserEntries::clear()
{
    for (QLineEdit *entry : std::as_const(m_entries))
        entry->clear();
}
