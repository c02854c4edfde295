#pragma once

#include <QDialog>

#include <memory>

class lobbyDB;
namespace Ui {
class frmHistoryInfo;
}

/// The details of one completed visit: the customer, the day, the three times, the service and
/// the representative who served it. It only reads.
class frmHistoryInfo : public QDialog
{
    Q_OBJECT

public:
    frmHistoryInfo(lobbyDB &program, qint32 historyID, QWidget *parent = nullptr);
    ~frmHistoryInfo() override;

    /// The `id` of the history row shown.
    qint32 historyID() const { return m_historyID; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void loadHistory();

    std::unique_ptr<Ui::frmHistoryInfo> m_ui;
    lobbyDB &m_program;
    qint32 m_historyID;
    bool m_loaded = false;
};
