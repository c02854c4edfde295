#include "frmHistoryInfo.h"

#include "ui_frmHistoryInfo.h"

#include "Store.h"
#include "TextForms.h"
#include "lobbyDB.h"

#include <QTimer>

frmHistoryInfo::frmHistoryInfo(lobbyDB &program, qint32 historyID, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmHistoryInfo>()), m_program(program),
      m_historyID(historyID)
{
    m_ui->setupUi(this);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &frmHistoryInfo::accept);
}

frmHistoryInfo::~frmHistoryInfo() = default;

void frmHistoryInfo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Read once the window is up, so a failure's box stands over it.
    if (!m_loaded) {
        m_loaded = true;
        QTimer::singleShot(0, this, &frmHistoryInfo::loadHistory);
    }
}

void frmHistoryInfo::loadHistory()
{
    Prompter &prompter = m_program.context().prompter();
    Store &store = m_program.context().store();
    HistoryRow row;
    bool found = false;
    Failure failure;
    if (!store.historyRecord(m_historyID, row, found, failure)) {
        prompter.message(failure.message(QStringLiteral("Error accessing history database!")),
                         QStringLiteral("Database Error"), Prompter::Icon::Warning);
        return;
    }
    if (found) {
        m_ui->historyField_0->setText(row.firstName + QLatin1Char(' ') + row.lastName);
        m_ui->historyField_1->setText(TextForms::queueDate(row.lobbyDateIn));
        m_ui->historyField_2->setText(TextForms::queueTime(row.lobbyTimeIn));
        m_ui->historyField_3->setText(TextForms::queueTime(row.timeServiced));
        m_ui->historyField_4->setText(TextForms::queueTime(row.timeOut));
        m_ui->historyField_5->setText(row.serviceRequested);
    } else {
        prompter.message(QStringLiteral("No history information found!"), QStringLiteral("History"),
                         Prompter::Icon::Warning);
    }

    Directory::User user;
    bool userFound = false;
    if (!store.userByNumber(row.servicedBy.value_or(0), user, userFound, failure)) {
        prompter.message(failure.message(QStringLiteral("Error accessing user database!")),
                         QStringLiteral("Database Error"), Prompter::Icon::Warning);
        return;
    }
    m_ui->historyField_6->setText(userFound ? user.displayName() : QStringLiteral("Unknown"));
}
