#pragma once

#include "Store.h"

#include <QDialog>

#include <memory>

class DESKDB;
class QLabel;
class QLineEdit;
namespace Ui {
class frmModify;
}

/// Corrects one entry: a waiting customer, a customer in service (and signs either out on the
/// representative's behalf), or a completed visit in history.
class frmModify : public QDialog
{
    Q_OBJECT

public:
    /// `editRecordID` is the queue record's id, or the history row's id when `isHistory`.
    /// `visitKey` names the queue entry with its id (empty for a history row or an entry from
    /// before keys): an entry whose id has passed to another customer is reported as removed.
    frmModify(DESKDB &desk, int editRecordID, bool isHistory, QWidget *parent = nullptr,
              const QString &visitKey = QString());
    ~frmModify() override;

    /// True when the queue entry was no longer there to open; the dialog has said so and is
    /// not to be shown.
    bool entryGone() const { return m_entryGone; }

    // The boxes of `mskCustomer`, by index.
    enum Box
    {
        DateIn,
        FirstName,
        LastName,
        Service,
        TimeIn,
        TimeSeen,
        TimeOut,
        BoxCount
    };

protected:
    void showEvent(QShowEvent *event) override;

private:
    void load(const QString &visitKey);
    void fillReps(int repID);
    void signOutRule(bool ticked);
    void changeRule();
    void update();
    bool refuse(const QString &text, QLineEdit *focus = nullptr);

    QLineEdit *box(int index) const;
    QLabel *label(int index) const;

    std::unique_ptr<Ui::frmModify> m_ui;
    DESKDB &m_desk;
    const int m_editRecordID;
    const bool m_isHistory;
    bool m_activated = false;
    bool m_entryGone = false;
    SeenEntry m_seen; // the queue entry as loaded, checked again on "&Update"
};
