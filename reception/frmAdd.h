#pragma once

#include <QDialog>

#include <memory>

class DESKDB;
namespace Ui {
class frmAdd;
}

/// Checks one walk-in customer into the lobby queue.
class frmAdd : public QDialog
{
    Q_OBJECT

public:
    explicit frmAdd(DESKDB &desk, QWidget *parent = nullptr);
    ~frmAdd() override;

    // The fixed entries at the top of the service list.
    enum ServicePosition
    {
        SelectService = 0,
        OtherService = 1,
        Separator = 2
    };

    /// The three fixed entries, then every active service by name.
    void loadServiceList();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void serviceChosen(int position);
    void showEstimate();
    void namesChanged();
    void checkIn();

    std::unique_ptr<Ui::frmAdd> m_ui;
    DESKDB &m_desk;
    bool m_activated = false;
};
