#pragma once

#include "Store.h"

#include <QList>

class QLineEdit;
class QPushButton;

/// A representative's three entries (first name, last name, username), on the users tab and in
/// the modify dialog: each selects its whole text on focus, and `button` is enabled exactly when
/// none of them is empty or only blanks.
class UserEntries
{
public:
    UserEntries(QLineEdit *firstName, QLineEdit *lastName, QLineEdit *username,
                QPushButton *button);

    /// The names as typed, for user number `userNumber`.
    Directory::User user(int userNumber = 0) const;
    void show(const Directory::User &user);
    void clear();

private:
    QList<QLineEdit *> m_entries;
};
