#include "AboutWindow.h"

#include "ui_AboutWindow.h"

#include "QuorvelLogo.h"

AboutWindow::AboutWindow(const ProgramInfo &info, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AboutWindow>())
{
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("About ") + info.title);
    m_ui->imgLogo->setPixmap(quorvelLogo(64));
    m_ui->lblTitle->setText(info.title);
    m_ui->lblVersion->setText(info.versionText());
    m_ui->lblRole->setText(info.role);
    m_ui->lblLegalNotice->setText(info.legalNotice);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    adjustSize();
    // Shown, the dialog centres itself on the window it belongs to.
}

AboutWindow::~AboutWindow() = default;
