#pragma once

#include <QDialog>

#include <memory>

class DESKDB;
namespace Ui {
class frmModifyService;
}

/// Renames one service. Closes after Apply whether the rename succeeded or not.
class frmModifyService : public QDialog
{
    Q_OBJECT

public:
    frmModifyService(DESKDB &desk, int id, const QString &serviceName, QWidget *parent = nullptr);
    ~frmModifyService() override;

    /// Renames the service to the entry's text.
    void modifyService();

private:
    std::unique_ptr<Ui::frmModifyService> m_ui;
    DESKDB &m_desk;
    const int m_id;
};
