#include "ReceptionFixture.h"
#include "frmAdmin.h"
#include "frmModifyService.h"
#include "frmModifyUser.h"

#include "Database.h"
#include "Store.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

class tst_reception_admin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void menuEntriesOpenTheirTab();
    void addUserNeedsAllThreeEntries();
    void namesRoundTripAsTyped();
    void modifyingAUserDeletedMeanwhile();
    void modifyingAUserChangedMeanwhile();
    void deleteUserAsksFirst();
    void largeUserNumbersAndUnknownStatus();
    void activeAndInactive();
    void keysActOnTheRowTabBringsTheFocusTo();
    void serviceRenameAndDelete();
    void miscTabShowsTheCurrentLimit_data();
    void miscTabShowsTheCurrentLimit();
    void applyWritesOnlyMaxLimitAndEnds();
    void applyThatCannotWriteKeepsRunning();
    void unusableDatabaseKeepsTheWindowUsable();

private:
    void open(frmAdmin::Tab tab);
    template <typename T> T *control(const QString &name) const
    {
        return m_admin->findChild<T *>(name);
    }
    QLineEdit *userEntry(int index) const
    {
        return control<QLineEdit>(QStringLiteral("txtUser_%1").arg(index));
    }
    QTreeWidget *users() const { return control<QTreeWidget>("lstUsers"); }
    QListWidget *services() const { return control<QListWidget>("lstServices"); }
    QStringList serviceNames() const
    {
        QStringList names;
        for (int i = 0; i < services()->count(); ++i)
            names << services()->item(i)->text();
        return names;
    }
    RecordingPrompter &prompter() const { return m_reception->folder.prompter; }
    QString systemPath() const { return m_reception->folder.context.params.systemPath; }
    Store &store() const { return m_reception->folder.context.store(); }
    QList<Directory::User> storedUsers() const
    {
        QList<Directory::User> all;
        Failure failure;
        store().allUsers(all, failure);
        return all;
    }
    void selectUser(const QString &name)
    {
        QTreeWidgetItem *row = rowNamed(users(), name);
        QVERIFY(row);
        users()->setCurrentItem(row);
        users()->setFocus();
    }

    std::unique_ptr<Reception> m_reception;
    std::unique_ptr<frmAdmin> m_admin;
};

void tst_reception_admin::init()
{
    m_reception = std::make_unique<Reception>(true);
    QVERIFY(m_reception->start());
}

void tst_reception_admin::cleanup()
{
    m_admin.reset();
    m_reception.reset();
}

void tst_reception_admin::open(frmAdmin::Tab tab)
{
    m_admin = std::make_unique<frmAdmin>(m_reception->desk, tab);
    m_admin->show();
    QVERIFY(QTest::qWaitForWindowActive(m_admin.get()));
}

void tst_reception_admin::menuEntriesOpenTheirTab()
{
    const struct
    {
        const char *entry;
        int tab;
        const char *focus;
    } entries[] = {
        {"mnuService", 0, "txtService"}, {"mnuUser", 1, "txtUser_0"}, {"mnuDB", 2, "txtWait"}};
    frmLobby &lobby = m_reception->lobby();
    lobby.show();
    for (const auto &e : entries) {
        auto *action = lobby.findChild<QAction *>(e.entry);
        QVERIFY(action->isEnabled());
        int tab = -1;
        QString focus;
        OnModal<frmAdmin> admin([&](frmAdmin &window) {
            QCOMPARE(window.windowTitle(), QString("Quorvel Administration"));
            tab = window.findChild<QTabWidget *>("SSTab1")->currentIndex();
            QTRY_VERIFY(QApplication::focusWidget());
            focus = QApplication::focusWidget()->objectName();
            QTest::keyClick(&window, Qt::Key_Escape);
        });
        action->trigger();
        QVERIFY(admin.opened());
        QCOMPARE(tab, e.tab);
        QCOMPARE(focus, QString(e.focus));
    }
}

void tst_reception_admin::addUserNeedsAllThreeEntries()
{
    open(frmAdmin::UserTab);
    auto *add = control<QPushButton>("cmdAddUser");
    QVERIFY(!add->isEnabled());
    QTest::keyClicks(userEntry(0), "Ann");
    QTest::keyClicks(userEntry(1), "Lee");
    QTest::keyClick(userEntry(1), Qt::Key_Return); // no username yet: nothing happens
    QCOMPARE(storedUsers().size(), 4);
    QVERIFY(m_admin->isVisible());

    QTest::keyClicks(userEntry(2), "   "); // blanks name no one
    QVERIFY(!add->isEnabled());
    userEntry(2)->clear();
    QTest::keyClicks(userEntry(2), QString(30, 'a'));
    QCOMPARE(userEntry(2)->text(), QString(25, 'a'));
    QVERIFY(add->isEnabled());
    QTest::keyClick(userEntry(2), Qt::Key_Return);
    QCOMPARE(storedUsers().size(), 5);
    QCOMPARE(storedUsers().last().status, 1);
    for (int i = 0; i < 3; ++i)
        QVERIFY(userEntry(i)->text().isEmpty());
    QVERIFY(!add->isEnabled());
    QCOMPARE(QApplication::focusWidget(), userEntry(0));
    QCOMPARE(users()->topLevelItem(4)->text(2), QString("Active"));
    QVERIFY(prompter().boxes.isEmpty());
}

void tst_reception_admin::namesRoundTripAsTyped()
{
    open(frmAdmin::UserTab);
    const QString first = QString::fromUtf8("Seán \"Jo\" & <Ana>");
    const QString last = QString::fromUtf8("O'Neil-Ørsted") + QString(50 - 13, 'x');
    userEntry(0)->setText(first); // QTest types ASCII only
    userEntry(1)->setText(last);
    QTest::keyClicks(userEntry(2), "o'neil");
    QTest::mouseClick(control<QPushButton>("cmdAddUser"), Qt::LeftButton);
    const Directory::User stored = storedUsers().last();
    QCOMPARE(stored.firstName, first);
    QCOMPARE(stored.lastName, last);
    QCOMPARE(stored.username, QString("o'neil"));
    QVERIFY(rowNamed(users(), first + ' ' + last));
    QCOMPARE(m_reception->desk.repNames.name(stored.userNumber), first + ' ' + last);

    // The modify dialog shows it once-quoted and stores a change the same way.
    selectUser(first + ' ' + last);
    OnModal<frmModifyUser> modify([&](frmModifyUser &dialog) {
        QCOMPARE(dialog.windowTitle(), QString("Modify User Information"));
        auto *entry = dialog.findChild<QLineEdit *>("txtUser_1");
        QCOMPARE(entry->text(), last);
        entry->setText("O'Neil");
        QTest::keyClick(entry, Qt::Key_Return);
    });
    QTest::keyClick(users(), Qt::Key_Return);
    QVERIFY(modify.opened());
    QCOMPARE(storedUsers().last().lastName, QString("O'Neil"));
    QVERIFY(rowNamed(users(), first + " O'Neil"));
    QCOMPARE(users()->currentItem()->text(0), first + " O'Neil"); // the selection stays

    // Services the same way.
    m_admin->activateWindow(); // the offscreen platform does not give it back by itself
    QVERIFY(QTest::qWaitForWindowActive(m_admin.get()));
    m_admin->findChild<QTabWidget *>("SSTab1")->setCurrentIndex(frmAdmin::ServiceTab);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>("txtService"));
    // Characters no stored name may hold are dropped at the door.
    control<QLineEdit>("txtService")->setText(QString::fromUtf8("\xEF\xBB\xBFMom's Loans\x07"));
    QTest::keyClick(control<QLineEdit>("txtService"), Qt::Key_Return);
    QCOMPARE(serviceNames().count("Mom's Loans"), 1);
    QVERIFY(prompter().boxes.isEmpty());
}

void tst_reception_admin::modifyingAUserDeletedMeanwhile()
{
    open(frmAdmin::UserTab);
    const int marco = storedUsers().at(1).userNumber;
    Failure failure;
    QVERIFY(store().deleteUser(marco, failure)); // another workstation
    bool okEnabled = true;
    OnModal<frmModifyUser> modify([&](frmModifyUser &dialog) {
        okEnabled = dialog.findChild<QPushButton *>("cmdOK")->isEnabled();
        dialog.reject();
    });
    doubleClickRow(users(), rowNamed(users(), "Marco Ruiz"));
    QVERIFY(modify.opened());
    QVERIFY(!okEnabled);
    QVERIFY(!rowNamed(users(), "Marco Ruiz")); // closed without a change, the list is read again
    QCOMPARE(prompter().texts(), QStringList{"Could not find user in database."});
    QCOMPARE(prompter().boxes.first().title, QString("Error"));
    QCOMPARE(prompter().boxes.first().icon, Prompter::Icon::Critical);

    // Deleted while the dialog is open: the change is refused, not reported as done.
    prompter().clear();
    const int dana = storedUsers().first().userNumber;
    frmModifyUser dialog(m_reception->desk, dana, m_admin.get());
    QVERIFY(store().deleteUser(dana, failure));
    dialog.findChild<QLineEdit *>("txtUser_0")->setText("Dora");
    QTest::mouseClick(dialog.findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
    QCOMPARE(prompter().texts(), QStringList{"Unable to modify user.  Error:  The user is no "
                                             "longer in the database."});
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

// Another workstation renames the user while the dialog is open: OK writes nothing over it, and
// what was typed stays for a second, knowing OK.
void tst_reception_admin::modifyingAUserChangedMeanwhile()
{
    open(frmAdmin::UserTab);
    const Directory::User priya = storedUsers().at(2);
    Directory::User renamed = priya;
    renamed.lastName = "Nair-Ruiz";
    renamed.username = "pnair";
    QString typed;
    OnModal<frmModifyUser> modify([&](frmModifyUser &dialog) {
        Failure failure;
        QVERIFY(store().modifyUser(priya, renamed, failure));
        auto *first = dialog.findChild<QLineEdit *>("txtUser_0");
        first->setText("Pri");
        QTest::mouseClick(dialog.findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        typed = first->text();
        QVERIFY(rowNamed(users(), "Priya Nair-Ruiz")); // the list behind shows it as it is now
        QTest::mouseClick(dialog.findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
    });
    doubleClickRow(users(), rowNamed(users(), "Priya Nair"));
    QVERIFY(modify.opened());
    QCOMPARE(typed, QString("Pri"));
    QCOMPARE(prompter().texts(), QStringList{changedElsewhere().description});
    QCOMPARE(prompter().titles(), QStringList{"Modify User Information"});
    // The second OK wrote what was typed, the other workstation's change in view.
    QCOMPARE(storedUsers().at(2).firstName, QString("Pri"));
    QCOMPARE(storedUsers().at(2).lastName, QString("Nair"));
}

void tst_reception_admin::deleteUserAsksFirst()
{
    open(frmAdmin::UserTab);
    users()->setFocus();
    QTest::keyClick(users(), Qt::Key_Delete); // nothing selected: no question
    QVERIFY(prompter().boxes.isEmpty());

    selectUser("Priya Nair");
    QTest::keyClick(users(), Qt::Key_Delete);
    QCOMPARE(prompter().titles(), QStringList{"Remove User"});
    QCOMPARE(prompter().texts(), QStringList{"Delete this user?  This action can not be undone!"});
    QCOMPARE(storedUsers().size(), 4);

    prompter().answer(true);
    QTest::keyClick(users(), Qt::Key_Delete);
    QCOMPARE(storedUsers().size(), 3);
    QVERIFY(!rowNamed(users(), "Priya Nair"));
    QVERIFY(!m_reception->desk.repNames.contains(3));
}

void tst_reception_admin::largeUserNumbersAndUnknownStatus()
{
    m_reception->addUser(40000, "Big", "Number", 7);
    m_reception->addUser(2147483000, "Last", "One", 0);
    open(frmAdmin::UserTab);
    QCOMPARE(firstColumn(users()), (QStringList{"Dana Whitfield", "Marco Ruiz", "Priya Nair",
                                                "Tom Osei", "Big Number", "Last One"}));
    QTreeWidgetItem *big = rowNamed(users(), "Big Number");
    QCOMPARE(big->text(1), QString("40000"));
    QCOMPARE(big->text(2), QString());
    QCOMPARE(rowNamed(users(), "Last One")->text(2), QString("Inactive"));
    QCOMPARE(m_reception->desk.repNames.name(40000), QString("Big Number"));
    QCOMPARE(m_reception->desk.repNames.name(2147483000), QString("Last One"));
    QCOMPARE(m_reception->desk.repNames.name(4), QString("Tom Osei")); // inactive, still named

    QVERIFY(prompter().boxes.isEmpty());
}

void tst_reception_admin::activeAndInactive()
{
    open(frmAdmin::UserTab);
    selectUser("Marco Ruiz");
    QTest::keyClick(users(), Qt::Key_Space);
    QCOMPARE(rowNamed(users(), "Marco Ruiz")->text(2), QString("Inactive"));
    QCOMPARE(storedUsers().at(1).status, 0);
    QCOMPARE(users()->currentItem()->text(0), QString("Marco Ruiz"));

    // The context menu offers the other state.
    QTimer::singleShot(0, [] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 2);
        QVERIFY(menu->actions().at(1)->isChecked());
        menu->actions().at(0)->trigger();
        menu->close();
    });
    Q_EMIT users()->customContextMenuRequested(
        users()->visualItemRect(users()->currentItem()).center());
    QCOMPARE(rowNamed(users(), "Marco Ruiz")->text(2), QString("Active"));
    QCOMPARE(storedUsers().at(1).status, 1);

    // An inactive representative can no longer sign in to a client.
    QTest::keyClick(users(), Qt::Key_Space);
    QList<Directory::User> active;
    Failure failure;
    QVERIFY(store().activeUsers(active, failure));
    QCOMPARE(active.size(), 2);
    QVERIFY(m_reception->desk.repNames.contains(2));
}

void tst_reception_admin::keysActOnTheRowTabBringsTheFocusTo()
{
    open(frmAdmin::UserTab);
    QWidget *tabBar = control<QTabWidget>("SSTab1")->tabBar();
    tabBar->setFocus();
    QTest::keyClick(tabBar, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), users());
    QCOMPARE(users()->selectedItems().size(), 1);
    QCOMPARE(users()->selectedItems().first()->text(0), QString("Dana Whitfield"));

    // Space switches the status without a question, and says so.
    QTest::keyClick(users(), Qt::Key_Space);
    QCOMPARE(storedUsers().first().status, 0);
    QCOMPARE(control<QStatusBar>("StatusBar")->currentMessage(),
             QString("Dana Whitfield is now Inactive."));
    QTest::keyClick(users(), Qt::Key_Delete);
    QCOMPARE(prompter().titles(), QStringList{"Remove User"});

    m_admin->findChild<QTabWidget *>("SSTab1")->setCurrentIndex(frmAdmin::ServiceTab);
    tabBar->setFocus();
    QTest::keyClick(tabBar, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), services());
    OnModal<frmModifyService> modify([](frmModifyService &dialog) {
        QCOMPARE(dialog.findChild<QLineEdit *>("txtServiceName")->text(), QString("Benefits"));
        dialog.reject();
    });
    QTest::keyClick(services(), Qt::Key_Return);
    QVERIFY(modify.opened());
}

void tst_reception_admin::serviceRenameAndDelete()
{
    QVERIFY(m_reception->folder.insertRow(
        "services", {{"id", 40000}, {"serviceName", "Mom's Loans"}, {"status", 1}}));
    open(frmAdmin::ServiceTab);
    QCOMPARE(services()->toolTip(),
             QString("Double-click to edit entry or press DEL to delete entry."));
    QVERIFY(serviceNames().contains("Mom's Loans"));
    QListWidgetItem *loans = services()->findItems("Mom's Loans", Qt::MatchExactly).first();
    QCOMPARE(loans->data(Qt::UserRole).toInt(), 40000);

    OnModal<frmModifyService> modify([](frmModifyService &dialog) {
        QCOMPARE(dialog.windowTitle(), QString("Modify Service"));
        auto *entry = dialog.findChild<QLineEdit *>("txtServiceName");
        auto *apply = dialog.findChild<QPushButton *>("cmdOK");
        QCOMPARE(entry->text(), QString("Mom's Loans"));
        QVERIFY(apply->isEnabled());
        entry->setText("  ");
        QVERIFY(!apply->isEnabled());
        QTest::keyClick(entry, Qt::Key_Return); // nothing
        entry->clear();
        QVERIFY(dialog.isVisible());
        QTest::keyClicks(entry, "Dad's Loans");
        QTest::keyClick(entry, Qt::Key_Return);
    });
    services()->setFocus();
    services()->setCurrentItem(loans);
    QTest::keyClick(services(), Qt::Key_Return);
    QVERIFY(modify.opened());
    QCOMPARE(serviceNames(),
             (QStringList{"Benefits", "Dad's Loans", "Licences", "Permits", "Taxes"}));
    QCOMPARE(services()->currentItem()->text(), QString("Dad's Loans"));

    QTest::keyClick(services(), Qt::Key_Delete);
    QCOMPARE(prompter().titles(), QStringList{"Remove Service"});
    QCOMPARE(prompter().texts(), QStringList{"Delete this entry?"});
    QCOMPARE(services()->count(), 5);
    prompter().answer(true);
    QTest::keyClick(services(), Qt::Key_Delete);
    QCOMPARE(serviceNames(), (QStringList{"Benefits", "Licences", "Permits", "Taxes"}));
}

void tst_reception_admin::miscTabShowsTheCurrentLimit_data()
{
    QTest::addColumn<double>("limit");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("10") << 10.0 << "10 minutes"
                        << "10";
    QTest::newRow("45") << 45.0 << "45 minutes"
                        << "";
    QTest::newRow("7.5") << 7.5 << "7.5 minutes"
                         << "";
}

void tst_reception_admin::miscTabShowsTheCurrentLimit()
{
    QFETCH(double, limit);
    QFETCH(QString, label);
    QFETCH(QString, chosen);
    m_reception->desk.context.params.MaxLimit = limit;
    open(frmAdmin::MiscTab);
    auto *wait = control<QComboBox>("txtWait");
    QCOMPARE(control<QLabel>("lblCurrentWaitTime")->text(), label);
    QCOMPARE(wait->count(), 30);
    QCOMPARE(wait->itemText(0), QString("1"));
    QCOMPARE(wait->itemText(29), QString("30"));
    QCOMPARE(wait->currentText(), chosen);
    QCOMPARE(control<QLineEdit>("txtFilePath")->text(), m_reception->folder.path() + "/data");

    // A choice not applied goes back when a modify dialog closes.
    wait->setCurrentIndex(24);
    OnModal<frmModifyUser> modify([](frmModifyUser &dialog) { dialog.reject(); });
    m_admin->findChild<QTabWidget *>("SSTab1")->setCurrentIndex(frmAdmin::UserTab);
    doubleClickRow(users(), users()->topLevelItem(0));
    QVERIFY(modify.opened());
    QCOMPARE(wait->currentText(), chosen);

    if (!chosen.isEmpty())
        return;
    // Nothing chosen: Apply writes nothing and says so.
    const QString ini = m_reception->folder.filePath("vedez.ini");
    const QByteArray before = readFile(ini);
    m_admin->findChild<QTabWidget *>("SSTab1")->setCurrentIndex(frmAdmin::MiscTab);
    QTest::mouseClick(control<QPushButton>("cmdApply2"), Qt::LeftButton);
    QCOMPARE(prompter().texts(), QStringList{"Choose a new wait time first; nothing was written."});
    QCOMPARE(readFile(ini), before);
    QVERIFY(!m_reception->folder.programEnd.ended);
    QVERIFY(m_admin->isVisible());
}

void tst_reception_admin::applyWritesOnlyMaxLimitAndEnds()
{
    const QByteArray before = "; office\r\n[Other]\r\nMaxLimit=3\r\n\r\n[TIME]\r\n"
                              "  maxlimit = 10   \r\nkeep=yes\r\n# end";
    QVERIFY(writeFile(m_reception->folder.filePath("vedez.ini"), before));
    open(frmAdmin::MiscTab);
    control<QLineEdit>("txtFilePath")->setText("/elsewhere"); // informational only
    control<QComboBox>("txtWait")->setCurrentIndex(24);
    QTest::keyClick(control<QComboBox>("txtWait"), Qt::Key_Return);
    QCOMPARE(prompter().texts(), QStringList{"Options updated!  You must restart Quorvel."});
    QCOMPARE(prompter().boxes.first().title, QString("Options"));
    QCOMPARE(prompter().boxes.first().icon, Prompter::Icon::Information);
    QVERIFY(m_reception->folder.programEnd.ended);
    QVERIFY(!m_admin->isVisible());
    QCOMPARE(readFile(m_reception->folder.filePath("vedez.ini")),
             QByteArray(before).replace("= 10   ", "= 25"));
    SystemParameters params;
    loadSystemParameters(m_reception->folder.path(), params);
    QCOMPARE(params.MaxLimit, 25.0);
}

void tst_reception_admin::applyThatCannotWriteKeepsRunning()
{
    // A folder where the file should be: it can be neither read nor replaced.
    QVERIFY(QFile::remove(m_reception->folder.filePath("vedez.ini")));
    QVERIFY(QDir(m_reception->folder.path()).mkdir("vedez.ini"));
    open(frmAdmin::MiscTab);
    QTest::mouseClick(control<QPushButton>("cmdApply2"), Qt::LeftButton);
    QCOMPARE(prompter().boxes.size(), 1);
    QVERIFY(prompter().texts().first().startsWith("Could not update vedez.ini.  Error:  "));
    QVERIFY(prompter().texts().first().size() > 37);
    QCOMPARE(prompter().boxes.first().icon, Prompter::Icon::Critical);
    QVERIFY(!m_reception->folder.programEnd.ended);
    QVERIFY(m_admin->isVisible());
}

void tst_reception_admin::unusableDatabaseKeepsTheWindowUsable()
{
    if (TestFolder::onServer())
        QSKIP("The directory's file, its lock and its loss are the folder's; the server's "
              "absence is the server-gone tests'");
    // Locked by another workstation for longer than the busy timeout.
    Database::setBusyTimeout(100);
    {
        Database holder(systemPath());
        QVERIFY(holder.open());
        QVERIFY(holder.exec("BEGIN EXCLUSIVE"));
        open(frmAdmin::UserTab);
        QCOMPARE(prompter().texts(), (QStringList{"Error loading services database!\r5/database is "
                                                  "locked",
                                                  "Unable to load user list.  Error:  database "
                                                  "is locked"}));
        prompter().clear();
        for (int i = 0; i < 3; ++i)
            QTest::keyClicks(userEntry(i), "Ann");
        QTest::keyClick(userEntry(2), Qt::Key_Return);
        QCOMPARE(prompter().texts(),
                 QStringList{"Could not add user to the database.  Error:  database is locked"});
        QCOMPARE(userEntry(0)->text(), QString("Ann")); // nothing lost
    }
    Database::setBusyTimeout(10000);
    prompter().clear();
    QTest::keyClick(userEntry(2), Qt::Key_Return);
    QVERIFY(prompter().boxes.isEmpty());
    QCOMPARE(storedUsers().size(), 5);
    m_admin.reset();

    // Not a database at all, then missing.
    QVERIFY(writeFile(systemPath(), QByteArray(4096, 'x')));
    open(frmAdmin::UserTab);
    QCOMPARE(prompter().boxes.size(), 2);
    QVERIFY(prompter().texts().at(1).startsWith("Unable to load user list.  Error:  file is not "
                                                "a database"));
    m_admin.reset();
    prompter().clear();
    QVERIFY(QFile::remove(systemPath()));
    open(frmAdmin::ServiceTab);
    QVERIFY(prompter().texts().at(0).startsWith("Error loading services database!\r53/Could not "
                                                "find file"));
    QTest::keyClicks(control<QLineEdit>("txtService"), "Taxes");
    QTest::keyClick(control<QLineEdit>("txtService"), Qt::Key_Return);
    QVERIFY(prompter().texts().last().startsWith("Error accessing services database!\r53/"));
    QCOMPARE(control<QLineEdit>("txtService")->text(), QString("Taxes"));
    QVERIFY(!QFile::exists(systemPath())); // never created
}

QTEST_MAIN(tst_reception_admin)
#include "tst_reception_admin.moc"
