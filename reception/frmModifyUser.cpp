#include "frmModifyUser.h"

#include "ui_frmModifyUser.h"

#include "DESKDB.h"
#include "UserEntries.h"

frmModifyUser::frmModifyUser(DESKDB &desk, int userNumber, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmModifyUser>()), m_desk(desk),
      m_userNumber(userNumber)
{
    m_ui->setupUi(this);
    m_entries = std::make_unique<UserEntries>(m_ui->txtUser_0, m_ui->txtUser_1, m_ui->txtUser_2,
                                              m_ui->cmdOK);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmModifyUser::modify);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    retrieveUserInfo();
    adjustSize();
}

frmModifyUser::~frmModifyUser() = default;

bool frmModifyUser::readUser(Directory::User &user)
{
    bool found = false;
    Failure failure;
    if (!m_desk.context.store().userByNumber(m_userNumber, user, found, failure))
        m_desk.showFailure(QStringLiteral("Could not load user information.  Error:  "), failure);
    else if (!found)
        m_desk.context.prompter().message(QStringLiteral("Could not find user in database."),
                                          QStringLiteral("Error"), Prompter::Icon::Critical);
    return found;
}

void frmModifyUser::retrieveUserInfo()
{
    if (readUser(m_seen))
        m_entries->show(m_seen);
}

void frmModifyUser::modify()
{
    Failure failure;
    if (m_desk.context.store().modifyUser(m_seen, m_entries->user(m_userNumber), failure)) {
        accept();
        return;
    }
    if (failure.number != FailureNumber::ChangedElsewhere) {
        m_desk.showFailure(QStringLiteral("Unable to modify user.  Error:  "), failure);
        return;
    }
    // What was typed stays. The list behind now shows the user as stored, and a second OK,
    // made knowing that, writes over it.
    Directory::User now;
    if (readUser(now))
        m_seen = now;
    Q_EMIT changedElsewhere();
    m_desk.context.prompter().message(failure.description, windowTitle(), Prompter::Icon::Warning);
}
