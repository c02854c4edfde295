#include "frmModifyService.h"

#include "ui_frmModifyService.h"

#include "DESKDB.h"

#include "SelectAllOnFocus.h"
#include "Store.h"

frmModifyService::frmModifyService(DESKDB &desk, int id, const QString &serviceName,
                                   QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmModifyService>()), m_desk(desk), m_id(id)
{
    m_ui->setupUi(this);
    selectAllOnFocus(m_ui->txtServiceName);
    connect(m_ui->txtServiceName, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_ui->cmdOK->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_ui->cmdOK, &QPushButton::clicked, this, [this] {
        modifyService();
        accept();
    });
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    m_ui->txtServiceName->setText(serviceName);
    adjustSize();
}

frmModifyService::~frmModifyService() = default;

void frmModifyService::modifyService()
{
    Failure failure;
    if (!m_desk.context.store().renameService(m_id, m_ui->txtServiceName->text(), failure))
        m_desk.showFailure(QStringLiteral("Unable to revise service.  Error:  "), failure);
}
