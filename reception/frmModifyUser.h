#pragma once

#include "Directory.h"

#include <QDialog>

#include <memory>

class DESKDB;
class UserEntries;
namespace Ui {
class frmModifyUser;
}

/// Changes one representative's names and username. Accepted once the change is stored.
class frmModifyUser : public QDialog
{
    Q_OBJECT

public:
    frmModifyUser(DESKDB &desk, int userNumber, QWidget *parent = nullptr);
    ~frmModifyUser() override;

    /// Fills the three entries from the stored user.
    void retrieveUserInfo();

Q_SIGNALS:
    /// OK found the user changed by another workstation since it was read; nothing was written.
    void changedElsewhere();

private:
    void modify();
    /// Reads the stored user; false, after the box, when it cannot be read or is gone.
    bool readUser(Directory::User &user);

    std::unique_ptr<Ui::frmModifyUser> m_ui;
    DESKDB &m_desk;
    const int m_userNumber;
    std::unique_ptr<UserEntries> m_entries;
    Directory::User m_seen; // as read: OK writes only while the stored user is still so
};
