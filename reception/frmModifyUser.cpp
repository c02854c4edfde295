#include "frmModifyUser.h"

#include "ui_frmModifyUser.h"

#include "DESKDB.h"

#include "Directory.h"
#include "SelectAllOnFocus.h"

frmModifyUser::frmModifyUser(DESKDB &desk, int userNumber, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmModifyUser>()), m_desk(desk),
      m_userNumber(userNumber)
{
    m_ui->setupUi(this);
    m_entries = {m_ui->txtUser_0, m_ui->txtUser_1, m_ui->txtUser_2};
    for (QLineEdit *entry : std::as_const(m_entries)) {
        selectAllOnFocus(entry);
        connect(entry, &QLineEdit::textChanged, this, &frmModifyUser::entriesChanged);
    }
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmModifyUser::modify);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    retrieveUserInfo();
    adjustSize();
}

frmModifyUser::~frmModifyUser() = default;

void frmModifyUser::retrieveUserInfo()
{
    Directory::User user;
    bool found = false;
    Failure failure;
    Prompter &prompter = m_desk.context.prompter();
    if (!Directory::userByNumber(m_desk.context.params.systemPath, m_userNumber, user, found,
                                 failure)) {
        prompter.message(QStringLiteral("Could not load user information.  Error:  ") +
                             failure.description,
                         QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
    if (!found) {
        prompter.message(QStringLiteral("Could not find user in database."),
                         QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
    m_ui->txtUser_0->setText(user.firstName);
    m_ui->txtUser_1->setText(user.lastName);
    m_ui->txtUser_2->setText(user.username);
}

void frmModifyUser::entriesChanged()
{
    m_ui->cmdOK->setEnabled(std::none_of(m_entries.cbegin(), m_entries.cend(),
                                         [](QLineEdit *entry) { return entry->text().isEmpty(); }));
}

void frmModifyUser::modify()
{
    Directory::User user;
    user.userNumber = m_userNumber;
    user.firstName = m_ui->txtUser_0->text();
    user.lastName = m_ui->txtUser_1->text();
    user.username = m_ui->txtUser_2->text();
    Failure failure;
    if (!Directory::modifyUser(m_desk.context.params.systemPath, user, failure)) {
        m_desk.context.prompter().message(QStringLiteral("Unable to modify user.  Error:  ") +
                                              failure.description,
                                          QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
    accept();
}
