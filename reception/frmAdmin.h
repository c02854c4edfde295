#pragma once

#include <QDialog>

#include <memory>

class DESKDB;
class UserEntries;
class QListWidgetItem;
class QTreeWidgetItem;
namespace Ui {
class frmAdmin;
}

/// The administration window: the services offered at check-in, the representatives, and the
/// waiting-time limit.
class frmAdmin : public QDialog
{
    Q_OBJECT

public:
    enum Tab
    {
        ServiceTab = 0,
        UserTab = 1,
        MiscTab = 2
    };

    /// Loads the services, the users (rebuilding `repNames`) and the path display.
    frmAdmin(DESKDB &desk, Tab tab, QWidget *parent = nullptr);
    ~frmAdmin() override;

    /// Refills the list with the active services by name; keeps the selected one.
    void loadServiceList();
    void deleteService(int id);

    /// Refills the list and `repNames` with every user, active or not; keeps the selected one.
    void loadUserList();
    void deleteUser(int userNumber);

    /// The options tab as the running program sees them; a choice not applied is reset.
    void refreshOptions();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tabChanged(int tab);
    void addService();
    void modifySelectedService();
    void removeSelectedService();
    void addUser();
    void modifySelectedUser();
    void removeSelectedUser();
    void setSelectedUserStatus(int status);
    void showUserMenu(const QPoint &position);
    void applyOptions();

    QListWidgetItem *selectedService() const;
    QTreeWidgetItem *selectedUser() const;

    std::unique_ptr<Ui::frmAdmin> m_ui;
    DESKDB &m_desk;
    std::unique_ptr<UserEntries> m_userEntries;
    bool m_shown = false;
};
