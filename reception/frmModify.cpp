#include "frmModify.h"

#include "ui_frmModify.h"

#include "DESKDB.h"
#include "frmLobby.h"

#include "Failure.h"
#include "MaskedEntry.h"
#include "SelectAllOnFocus.h"
#include "TextForms.h"

namespace {
/// The time a box shows for a loose time, or nothing when it holds none.
QString boxText(const LooseTime &time)
{
    return time.isEmpty() ? QString() : TextForms::screenTime24(time.toTime());
}
} // namespace

frmModify::frmModify(DESKDB &desk, int editRecordID, bool isHistory, QWidget *parent,
                     const QString &visitKey)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmModify>()), m_desk(desk),
      m_editRecordID(editRecordID), m_isHistory(isHistory)
{
    m_ui->setupUi(this);
    for (int index = 0; index < BoxCount; ++index) {
        selectAllOnFocus(box(index));
        connect(box(index), &QLineEdit::textChanged, this, &frmModify::changeRule);
    }
    connect(m_ui->lstReps, &QComboBox::currentIndexChanged, this, &frmModify::changeRule);
    connect(m_ui->checkSignout, &QCheckBox::toggled, this, &frmModify::signOutRule);
    connect(m_ui->cmdUpdate, &QPushButton::clicked, this, &frmModify::update);
    connect(m_ui->Command1, &QPushButton::clicked, this, &QDialog::reject);

    load(visitKey);
    adjustSize();
    // Shown, the dialog centres itself on the window it belongs to.
}

frmModify::~frmModify() = default;

QLineEdit *frmModify::box(int index) const
{
    QLineEdit *const boxes[] = {m_ui->mskCustomer_0, m_ui->mskCustomer_1, m_ui->mskCustomer_2,
                                m_ui->mskCustomer_3, m_ui->mskCustomer_4, m_ui->mskCustomer_5,
                                m_ui->mskCustomer_6};
    return boxes[index];
}

QLabel *frmModify::label(int index) const
{
    QLabel *const labels[] = {m_ui->Label1_0, m_ui->Label1_1, m_ui->Label1_2, m_ui->Label1_3,
                              m_ui->Label1_4, m_ui->Label1_5, m_ui->Label1_6};
    return labels[index];
}

void frmModify::load(const QString &visitKey)
{
    clsQuorvel entry(m_desk.context);
    bool loaded = false;
    if (m_isHistory) {
        // A history row that is not there leaves the object as new: its status stays 0.
        loaded = entry.loadHistoryData(m_editRecordID) && entry.lobbystatus == 3;
    } else {
        const SequenceOutcome read =
            m_desk.context.store().readQueueEntry(m_editRecordID, visitKey, entry);
        read.show(m_desk.context.prompter());
        m_entryGone = read.kind == SequenceOutcome::Kind::Removed;
        loaded = read.done();
        if (loaded)
            m_seen = {entry.visitKey, entry.lobbystatus, entry.repID};
    }
    const int status = loaded ? entry.lobbystatus : 0;
    if (loaded) {
        box(DateIn)->setText(TextForms::screenDate(entry.dateIn));
        box(FirstName)->setText(entry.firstName);
        box(LastName)->setText(entry.lastName);
        box(Service)->setText(entry.service);
        box(TimeIn)->setText(TextForms::screenTime24(entry.Timein));
        box(TimeSeen)->setText(boxText(entry.timeSeen));
        if (m_isHistory)
            box(TimeOut)->setText(boxText(entry.Timeout));
    }

    if (status == 1) {
        for (int index = DateIn; index <= TimeIn; ++index) {
            box(index)->setEnabled(false);
            label(index)->setEnabled(false);
        }
        m_ui->checkSignout->setChecked(true);
    }
    if (m_isHistory) {
        m_ui->checkSignout->setEnabled(false);
        m_ui->lblStatus->setEnabled(false);
        signOutRule(true);
    }
    fillReps(loaded ? entry.repID : 0);
    changeRule();
}

void frmModify::fillReps(int repID)
{
    QComboBox *list = m_ui->lstReps;
    list->addItem(QStringLiteral("[Select Representative]"), 0);
    for (const RepNames::Entry &rep : m_desk.repNames.entries())
        list->addItem(rep.name, rep.userNumber);
    // A representative no longer listed leaves no entry chosen.
    list->setCurrentIndex(list->findData(repID));
}

void frmModify::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        if (!box(FirstName)->isEnabled())
            box(TimeOut)->setFocus();
    }
}

void frmModify::signOutRule(bool ticked)
{
    for (int index : {TimeSeen, TimeOut}) {
        box(index)->setEnabled(ticked);
        label(index)->setEnabled(ticked);
    }
    m_ui->lstReps->setEnabled(ticked);
    m_ui->lblReps->setEnabled(ticked);
}

void frmModify::changeRule()
{
    m_ui->cmdUpdate->setEnabled(!box(FirstName)->text().isEmpty() &&
                                !box(LastName)->text().isEmpty() &&
                                !box(Service)->text().isEmpty());
}

bool frmModify::refuse(const QString &text, QLineEdit *focus)
{
    m_desk.context.prompter().message(text, QStringLiteral("Error"), Prompter::Icon::Critical);
    if (focus)
        focus->setFocus();
    return false;
}

void frmModify::update()
{
    clsQuorvel entry(m_desk.context);
    const bool signOut = m_ui->checkSignout->isEnabled() && m_ui->checkSignout->isChecked();
    const bool withTimes = signOut || m_isHistory;
    const int repPosition = m_ui->lstReps->currentIndex();

    if (signOut && repPosition == 0) {
        refuse(QStringLiteral("You must select a representative"));
        return;
    }
    const QDate dateIn = MaskedEntry::date(box(DateIn));
    if (!dateIn.isValid()) {
        refuse(QStringLiteral("Invalid date specified!"), box(DateIn));
        return;
    }
    const QTime timeIn = MaskedEntry::time(box(TimeIn));
    if (!timeIn.isValid()) {
        refuse(QStringLiteral("Invalid time set in the Time In field."), box(TimeIn));
        return;
    }
    if (withTimes && !MaskedEntry::time(box(TimeSeen)).isValid()) {
        refuse(QStringLiteral("Invalid time set in the Time Seen field."), box(TimeSeen));
        return;
    }
    if (withTimes && !MaskedEntry::time(box(TimeOut)).isValid()) {
        refuse(QStringLiteral("Invalid time set in the Time Out field."), box(TimeOut));
        return;
    }
    if (repPosition < 0) {
        refuse(QStringLiteral("There was an error updating the record.\rError:  %1 - %2")
                   .arg(FailureNumber::InvalidArgument)
                   .arg(QStringLiteral("The entry's representative is not in the list.")));
        return;
    }

    entry.dateIn = dateIn;
    entry.firstName = box(FirstName)->text();
    entry.lastName = box(LastName)->text();
    entry.service = box(Service)->text();
    entry.Timein = timeIn;
    entry.repID = m_ui->lstReps->itemData(repPosition).toInt();
    if (withTimes) {
        entry.timeSeen = LooseTime::fromText(box(TimeSeen)->text());
        entry.Timeout = LooseTime::fromText(box(TimeOut)->text());
    }

    // Each write reports its own failure; the lists are reloaded and the dialog closes anyway. A
    // queue entry is written only as it was opened: a take, return or removal made meanwhile at
    // another workstation is said and kept.
    if (m_isHistory) {
        entry.updateHistoryRecord(m_editRecordID);
    } else {
        m_desk.context.store()
            .correctQueueEntry(entry, m_editRecordID, m_seen, signOut)
            .show(m_desk.context.prompter());
    }
    m_desk.lobby().loadit();
    accept();
}
