#pragma once

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

private:
    void modify();

    std::unique_ptr<Ui::frmModifyUser> m_ui;
    DESKDB &m_desk;
    const int m_userNumber;
    std::unique_ptr<UserEntries> m_entries;
};
