#include "frmAdmin.h"

#include "ui_frmAdmin.h"

#include "DESKDB.h"
#include "UserEntries.h"
#include "frmModifyService.h"
#include "frmModifyUser.h"

#include "IniFile.h"
#include "ListRows.h"
#include "SelectAllOnFocus.h"
#include "Store.h"

#include <QKeyEvent>
#include <QMenu>

namespace {
constexpr int StatusRole = Qt::UserRole + 1; // the user's status, beside the user number
constexpr int LongestWait = 30;

QString statusText(int status)
{
    switch (status) {
    case 0:
        return QStringLiteral("Inactive");
    case 1:
        return QStringLiteral("Active");
    default:
        return {};
    }
}
} // namespace

frmAdmin::frmAdmin(DESKDB &desk, Tab tab, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmAdmin>()), m_desk(desk)
{
    m_ui->setupUi(this);

    // Column widths in the ratio 4233 : 1764 : 2291.
    m_ui->lstUsers->setColumnWidth(0, 282);
    m_ui->lstUsers->setColumnWidth(1, 118);
    m_ui->lstUsers->setColumnWidth(2, 153);
    m_ui->lstUsers->installEventFilter(this);
    m_ui->lstServices->installEventFilter(this);
    ListRows::selectOnKeyboardFocus(m_ui->lstUsers);
    ListRows::selectOnKeyboardFocus(m_ui->lstServices);

    selectAllOnFocus(m_ui->txtService);
    m_userEntries = std::make_unique<UserEntries>(m_ui->txtUser_0, m_ui->txtUser_1, m_ui->txtUser_2,
                                                  m_ui->cmdAddUser);
    connect(m_ui->txtService, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_ui->cmdAdd->setEnabled(!text.trimmed().isEmpty()); });

    connect(m_ui->cmdAdd, &QPushButton::clicked, this, &frmAdmin::addService);
    connect(m_ui->cmdAddUser, &QPushButton::clicked, this, &frmAdmin::addUser);
    connect(m_ui->cmdApply2, &QPushButton::clicked, this, &frmAdmin::applyOptions);
    for (QPushButton *close : {m_ui->cmdClose_0, m_ui->cmdClose_1, m_ui->cmdClose_2})
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->lstServices, &QListWidget::itemDoubleClicked, this,
            &frmAdmin::modifySelectedService);
    connect(m_ui->lstUsers, &QTreeWidget::itemDoubleClicked, this, &frmAdmin::modifySelectedUser);
    connect(m_ui->lstUsers, &QWidget::customContextMenuRequested, this, &frmAdmin::showUserMenu);
    connect(m_ui->SSTab1, &QTabWidget::currentChanged, this, &frmAdmin::tabChanged);

    loadServiceList();
    loadUserList();
    m_ui->txtFilePath->setText(m_desk.context.params.dataPath);
    m_ui->SSTab1->setCurrentIndex(tab);
}

frmAdmin::~frmAdmin() = default;

void frmAdmin::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    refreshOptions();
    tabChanged(m_ui->SSTab1->currentIndex());
}

void frmAdmin::tabChanged(int tab)
{
    // Enter in a field presses the main button of the tab it is on.
    QPushButton *main[] = {m_ui->cmdAdd, m_ui->cmdAddUser, m_ui->cmdApply2};
    main[tab]->setDefault(true);
    if (!isVisible())
        return;
    QWidget *first[] = {m_ui->txtService, m_ui->txtUser_0, m_ui->txtWait};
    first[tab]->setFocus();
}

bool frmAdmin::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    const bool users = watched == m_ui->lstUsers;
    switch (key) {
    case Qt::Key_Delete:
        users ? removeSelectedUser() : removeSelectedService();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        users ? modifySelectedUser() : modifySelectedService();
        return true;
    case Qt::Key_Space:
        if (!users)
            break;
        if (QTreeWidgetItem *user = selectedUser())
            setSelectedUserStatus(user->data(0, StatusRole).toInt() == 1 ? 0 : 1);
        return true;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// Services

QListWidgetItem *frmAdmin::selectedService() const
{
    const QList<QListWidgetItem *> selected = m_ui->lstServices->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void frmAdmin::loadServiceList()
{
    QListWidget *list = m_ui->lstServices;
    QList<Directory::Service> services;
    Failure failure;
    const bool read = m_desk.context.store().activeServices(services, failure);
    ListRows::refill(list, [&] {
        for (const Directory::Service &service : std::as_const(services)) {
            auto *item = new QListWidgetItem(service.serviceName, list);
            item->setData(Qt::UserRole, service.id);
        }
    });
    if (!read)
        m_desk.showDatabaseWarning(QStringLiteral("Error loading services database!"), failure);
}

void frmAdmin::addService()
{
    int id = 0;
    Failure failure;
    if (!m_desk.context.store().addService(m_ui->txtService->text(), id, failure)) {
        m_desk.showDatabaseWarning(QStringLiteral("Error accessing services database!"), failure);
        return;
    }
    m_ui->txtService->clear();
    m_ui->txtService->setFocus();
    loadServiceList();
}

void frmAdmin::modifySelectedService()
{
    const QListWidgetItem *service = selectedService();
    if (!service)
        return;
    frmModifyService dialog(m_desk, service->data(Qt::UserRole).toInt(), service->text(), this);
    dialog.exec();
    loadServiceList();
    refreshOptions();
}

void frmAdmin::removeSelectedService()
{
    const QListWidgetItem *service = selectedService();
    if (service && m_desk.context.prompter().ask(QStringLiteral("Delete this entry?"),
                                                 QStringLiteral("Remove Service")))
        deleteService(service->data(Qt::UserRole).toInt());
}

void frmAdmin::deleteService(int id)
{
    Failure failure;
    if (!m_desk.context.store().deleteService(id, failure)) {
        m_desk.showFailure(QStringLiteral("Unable to remove service.  Error:  "), failure);
        return;
    }
    loadServiceList();
}

// Users

QTreeWidgetItem *frmAdmin::selectedUser() const
{
    return ListRows::selectedRow(m_ui->lstUsers);
}

void frmAdmin::loadUserList()
{
    QTreeWidget *list = m_ui->lstUsers;
    m_desk.repNames.clear();
    QList<Directory::User> users;
    Failure failure;
    const bool read = m_desk.context.store().allUsers(users, failure);
    ListRows::refill(list, [&] {
        for (const Directory::User &user : std::as_const(users)) {
            const QString name = user.displayName();
            auto *item = new QTreeWidgetItem(
                list, QStringList{name, QString::number(user.userNumber), statusText(user.status)});
            item->setData(0, Qt::UserRole, user.userNumber);
            item->setData(0, StatusRole, user.status);
            item->setToolTip(0, name);
            m_desk.repNames.add(user.userNumber, name);
        }
    });
    if (!read)
        m_desk.showFailure(QStringLiteral("Unable to load user list.  Error:  "), failure);
}

void frmAdmin::addUser()
{
    Directory::User user = m_userEntries->user();
    user.status = 1;
    int userNumber = 0;
    Failure failure;
    if (!m_desk.context.store().addUser(user, userNumber, failure)) {
        m_desk.showFailure(QStringLiteral("Could not add user to the database.  Error:  "),
                           failure);
        return;
    }
    m_userEntries->clear();
    m_ui->txtUser_0->setFocus();
    loadUserList();
}

void frmAdmin::modifySelectedUser()
{
    const QTreeWidgetItem *user = selectedUser();
    if (!user)
        return;
    frmModifyUser dialog(m_desk, user->data(0, Qt::UserRole).toInt(), this);
    connect(&dialog, &frmModifyUser::changedElsewhere, this, &frmAdmin::loadUserList);
    dialog.exec();
    // Also after Close: a failed modify may have found the user deleted at another desk.
    loadUserList();
    refreshOptions();
}

void frmAdmin::removeSelectedUser()
{
    const QTreeWidgetItem *user = selectedUser();
    if (user && m_desk.context.prompter().ask(
                    QStringLiteral("Delete this user?  This action can not be undone!"),
                    QStringLiteral("Remove User")))
        deleteUser(user->data(0, Qt::UserRole).toInt());
}

void frmAdmin::deleteUser(int userNumber)
{
    Failure failure;
    if (!m_desk.context.store().deleteUser(userNumber, failure)) {
        m_desk.showFailure(QStringLiteral("Unable to delete user.  Error:  "), failure);
        return;
    }
    loadUserList();
}

void frmAdmin::setSelectedUserStatus(int status)
{
    const QTreeWidgetItem *user = selectedUser();
    if (!user)
        return;
    const QString name = user->text(0);
    Failure failure;
    if (!m_desk.context.store().setUserStatus(user->data(0, Qt::UserRole).toInt(), status,
                                              failure)) {
        m_desk.showFailure(QStringLiteral("Unable to change the user's status.  Error:  "),
                           failure);
        return;
    }
    loadUserList();
    // The switch asks nothing, so a Space pressed by mistake must at least be seen.
    m_ui->StatusBar->showMessage(name + QStringLiteral(" is now ") + statusText(status) +
                                 QLatin1Char('.'));
}

void frmAdmin::showUserMenu(const QPoint &position)
{
    const QTreeWidgetItem *user = selectedUser();
    if (!user)
        return;
    const int status = user->data(0, StatusRole).toInt();
    QMenu menu(this);
    QAction *activate =
        menu.addAction(QStringLiteral("&Active"), this, [this] { setSelectedUserStatus(1); });
    QAction *deactivate =
        menu.addAction(QStringLiteral("&Inactive"), this, [this] { setSelectedUserStatus(0); });
    activate->setCheckable(true);
    activate->setChecked(status == 1);
    deactivate->setCheckable(true);
    deactivate->setChecked(status == 0);
    menu.exec(m_ui->lstUsers->viewport()->mapToGlobal(position));
}

// Options

void frmAdmin::refreshOptions()
{
    QComboBox *wait = m_ui->txtWait;
    if (wait->count() == 0)
        for (int minutes = 1; minutes <= LongestWait; ++minutes)
            wait->addItem(QString::number(minutes));
    const double limit = m_desk.context.params.MaxLimit;
    const bool listed = limit >= 1 && limit <= LongestWait && limit == int(limit);
    wait->setCurrentIndex(listed ? int(limit) - 1 : -1);
    m_ui->txtFilePath->setText(m_desk.context.params.dataPath);
    m_ui->txtFilePath->setToolTip(m_desk.context.params.dataPath);
    m_ui->lblCurrentWaitTime->setText(QString::number(limit) + QStringLiteral(" minutes"));
}

void frmAdmin::applyOptions()
{
    Prompter &prompter = m_desk.context.prompter();
    // With no entry chosen an empty value would be written, which reads as a limit of 0.
    if (m_ui->txtWait->currentIndex() < 0) {
        prompter.message(QStringLiteral("Choose a new wait time first; nothing was written."),
                         QStringLiteral("Options"), Prompter::Icon::Warning);
        m_ui->txtWait->setFocus();
        return;
    }
    QString error;
    if (!IniFile::writeString(m_desk.context.params.iniPath(), QStringLiteral("time"),
                              QStringLiteral("MaxLimit"), m_ui->txtWait->currentText().trimmed(),
                              &error)) {
        prompter.message(QStringLiteral("Could not update vedez.ini.  Error:  ") + error,
                         QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
    prompter.message(QStringLiteral("Options updated!  You must restart Quorvel."),
                     QStringLiteral("Options"), Prompter::Icon::Information);
    accept();
    m_desk.context.programEnd().endProgram(0);
}
