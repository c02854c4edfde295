#include "frmAdd.h"

#include "ui_frmAdd.h"

#include "DESKDB.h"
#include "ServiceChoices.h"
#include "frmLobby.h"

#include "SelectAllOnFocus.h"

frmAdd::frmAdd(DESKDB &desk, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmAdd>()), m_desk(desk)
{
    m_ui->setupUi(this);
    for (QLineEdit *entry : {m_ui->txtCustomer_0, m_ui->txtCustomer_1, m_ui->txtCustomer_2}) {
        selectAllOnFocus(entry);
        connect(entry, &QLineEdit::textChanged, this, &frmAdd::namesChanged);
    }
    connect(m_ui->txtCustomer_2, &QLineEdit::textChanged, this, &frmAdd::showEstimate);
    connect(m_ui->lstServices, &QComboBox::currentIndexChanged, this, &frmAdd::serviceChosen);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmAdd::checkIn);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    loadServiceList();
    adjustSize();
    // Shown, the dialog centres itself on the window it belongs to.
    m_ui->lstServices->setCurrentIndex(SelectService);
    serviceChosen(SelectService);
    namesChanged();
}

frmAdd::~frmAdd() = default;

void frmAdd::loadServiceList()
{
    QComboBox *list = m_ui->lstServices;
    list->addItems({QStringLiteral("[Select Service]"), QStringLiteral("Other (specify below)"),
                    QStringLiteral("---------------------")});
    addActiveServices(m_desk, list);
}

void frmAdd::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        m_ui->txtCustomer_0->setFocus();
    }
}

void frmAdd::serviceChosen(int position)
{
    enableOtherService(m_ui->txtCustomer_2, m_ui->Label1_4, position == OtherService);
    showEstimate();
}

void frmAdd::showEstimate()
{
    const int position = m_ui->lstServices->currentIndex();
    const QString service = position == OtherService ? m_ui->txtCustomer_2->text().trimmed()
                            : position > Separator  ? m_ui->lstServices->currentText()
                                                    : QString();
    const QString estimate = service.isEmpty() ? QString() : m_desk.lobby().estimatedWait(service);
    m_ui->lblEstimate->setText(estimate.isEmpty() ? QString()
                                                  : QStringLiteral("Estimated wait: ") + estimate);
}

void frmAdd::namesChanged()
{
    m_ui->cmdOK->setEnabled(!m_ui->txtCustomer_0->text().isEmpty() &&
                            !m_ui->txtCustomer_1->text().isEmpty());
}

void frmAdd::checkIn()
{
    Prompter &prompter = m_desk.context.prompter();
    const QString firstName = m_ui->txtCustomer_0->text();
    const QString lastName = m_ui->txtCustomer_1->text();
    const int position = m_ui->lstServices->currentIndex();

    // The separator line is no service either.
    if (position == SelectService || position == Separator) {
        prompter.message(
            QStringLiteral("Invalid service selected.  Please correct and resubmit your form."),
            QStringLiteral("Error"), Prompter::Icon::Critical);
        m_ui->lstServices->setFocus();
        return;
    }
    QString service = m_ui->lstServices->currentText();
    if (position == OtherService) {
        service = m_ui->txtCustomer_2->text();
        if (service.isEmpty()) {
            prompter.message(QStringLiteral("No service was entered."), DESKDB::programInfo().title,
                             Prompter::Icon::NoIcon);
            m_ui->txtCustomer_2->setFocus();
            return;
        }
    }

    clsQuorvel entry(m_desk.context);
    // A failed check-in has shown its reason; the dialog stays open with what was typed, so
    // the receptionist can try again instead of asking the customer for everything anew.
    if (entry.addCustomerToQueue(firstName, lastName, service) <= 0)
        return;
    m_desk.lobby().loadit();
    m_desk.context.log(QStringLiteral("[frmAdd] - Added new customer record to queue"));
    accept();
}
