#pragma once

#include <QDialog>

#include <memory>

class DESKDB;
namespace Ui {
class frmArchive;
}

/// Moves the whole history database into the archive folder and starts an empty one; the
/// program ends afterwards.
class frmArchive : public QDialog
{
    Q_OBJECT

public:
    explicit frmArchive(DESKDB &desk, QWidget *parent = nullptr);
    ~frmArchive() override;

private:
    void archive();

    std::unique_ptr<Ui::frmArchive> m_ui;
    DESKDB &m_desk;
};
