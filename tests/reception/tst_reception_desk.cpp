#include "FocusChain.h"
#include "ReceptionFixture.h"
#include "frmAdd.h"
#include "frmAdmin.h"
#include "frmModify.h"

#include "ListRows.h"
#include "Store.h"
#include "clsQuorvel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

/// The reception at the desk: keyboard use, and changes another workstation makes while a
/// dialog or a question is open.
class tst_reception_desk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void enterOnFocusedCancelAddsNobody();
    void enterOnFocusedCloseWritesNothing();
    void tabReachesEveryControl();
    void enterOnASelectedRowOpensIt();
    void deleteOfACustomerTakenWhileAskingIsRefused();
    void updateOfAnEntryTakenWhileOpenWritesNothing();
    void entryRemovedElsewhereIsSaidAndNotOpened();
    void unreadableQueueFileIsSaidUntilItReads();
    void namesSortAsPeopleRead();

private:
    QTreeWidget *list(const char *name) { return m_reception->lobbyControl<QTreeWidget>(name); }
    int idOf(const char *listName, const QString &name)
    {
        return ListRows::rowId(rowNamed(list(listName), name));
    }
    RecordingPrompter &prompter() { return m_reception->folder.prompter; }

    std::unique_ptr<Reception> m_reception;
};

void tst_reception_desk::init()
{
    m_reception = std::make_unique<Reception>(true);
    QVERIFY(m_reception->start());
    m_reception->lobby().show();
    QVERIFY(QTest::qWaitForWindowActive(&m_reception->lobby()));
}

void tst_reception_desk::cleanup()
{
    m_reception.reset();
}

namespace {
/// Shows the add dialog and fills it as for a check-in of Zoe Park, but does not send it.
void showFilled(frmAdd &dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QLineEdit *>("txtCustomer_0")->setText("Zoe");
    dialog.findChild<QLineEdit *>("txtCustomer_1")->setText("Park");
    dialog.findChild<QComboBox *>("lstServices")->setCurrentIndex(3);
}
} // namespace

void tst_reception_desk::enterOnFocusedCancelAddsNobody()
{
    const QList<StoredQueueRecord> before = m_reception->folder.queued();
    frmAdd dialog(m_reception->desk, &m_reception->lobby());
    showFilled(dialog);
    auto *cancel = dialog.findChild<QPushButton *>("cmdCancel");
    cancel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cancel, Qt::Key_Return);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(m_reception->folder.queued() == before);

    // Enter in a field still checks in: the dialog's main button.
    frmAdd again(m_reception->desk, &m_reception->lobby());
    showFilled(again);
    QTest::keyClick(again.findChild<QLineEdit *>("txtCustomer_1"), Qt::Key_Return);
    QVERIFY(rowNamed(list("lstQueue"), "Zoe Park"));
}

void tst_reception_desk::enterOnFocusedCloseWritesNothing()
{
    // The riskiest case: a customer in service, opened with "Sign out customer" ticked.
    const QList<StoredQueueRecord> before = m_reception->folder.queued();
    frmModify dialog(m_reception->desk, idOf("lstServing", "Jon Baptiste"), false,
                     &m_reception->lobby());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QLineEdit *>("mskCustomer_6")->setText("14:30:00");
    auto *close = dialog.findChild<QPushButton *>("Command1");
    close->setFocus(Qt::TabFocusReason);
    QTest::keyClick(close, Qt::Key_Enter);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(m_reception->folder.queued() == before);
    QVERIFY(prompter().boxes.isEmpty());
}

void tst_reception_desk::tabReachesEveryControl()
{
    // Another page of the tab widget is reached through its tab, as with any tab widget.
    auto *tabs = m_reception->lobbyControl<QTabWidget>("SSTab1");
    auto *tabBar = tabs->findChild<QTabBar *>();
    QCOMPARE(focusChain(tabBar), (QStringList{"lstQueue", "lstServing", "cmdCheckIn"}));
    tabs->setCurrentIndex(1);
    QCOMPARE(focusChain(tabBar), (QStringList{"txtFetchDate", "cmdRetrieve", "lstHistory"}));

    frmAdd add(m_reception->desk, &m_reception->lobby());
    showFilled(add);
    add.findChild<QComboBox *>("lstServices")->setCurrentIndex(1); // "Other" enables its entry
    QCOMPARE(focusChain(add.findChild<QLineEdit *>("txtCustomer_0")),
             (QStringList{"txtCustomer_1", "lstServices", "txtCustomer_2", "cmdOK", "cmdCancel"}));
    add.reject();

    frmModify modify(m_reception->desk, idOf("lstQueue", "Ivy Kowalski"), false,
                     &m_reception->lobby());
    modify.show();
    QVERIFY(QTest::qWaitForWindowActive(&modify));
    modify.findChild<QCheckBox *>("checkSignout")->setChecked(true);
    QCOMPARE(focusChain(modify.findChild<QLineEdit *>("mskCustomer_0")),
             (QStringList{"mskCustomer_1", "mskCustomer_2", "mskCustomer_3", "mskCustomer_4",
                          "checkSignout", "mskCustomer_5", "mskCustomer_6", "lstReps", "cmdUpdate",
                          "Command1"}));
}

void tst_reception_desk::enterOnASelectedRowOpensIt()
{
    QTreeWidget *queue = list("lstQueue");
    queue->setFocus();
    // The keyboard cursor alone is no choice: Enter opens nothing.
    queue->setCurrentItem(nullptr);
    QTest::keyClick(queue, Qt::Key_Return);
    QVERIFY(!QApplication::activeModalWidget());

    queue->setCurrentItem(rowNamed(queue, "Kai Fernández"));
    QString opened;
    OnModal<frmModify> look([&opened](frmModify &dialog) {
        opened = dialog.findChild<QLineEdit *>("mskCustomer_1")->text();
        dialog.reject();
    });
    QTest::keyClick(queue, Qt::Key_Return);
    QVERIFY(look.opened());
    QCOMPARE(opened, QString("Kai"));
}

void tst_reception_desk::deleteOfACustomerTakenWhileAskingIsRefused()
{
    QTreeWidget *queue = list("lstQueue");
    const int id = idOf("lstQueue", "Lena Vogel");
    queue->setCurrentItem(rowNamed(queue, "Lena Vogel"));
    // A representative takes the customer while "Delete this entry?" is open.
    prompter().onBox = [&](const RecordingPrompter::Box &box) {
        if (box.question)
            QCOMPARE(
                runQuorvelctl(m_reception->folder, {"take", QString::number(id), "--user", "2"}),
                0);
    };
    prompter().answer(true);
    QTest::keyClick(queue, Qt::Key_Delete);

    QCOMPARE(
        prompter().texts(),
        (QStringList{"Delete this entry?", "You can not remove a customer that is in service."}));
    clsQuorvel entry(m_reception->folder.context);
    QVERIFY(entry.loadLobbyEntry(id));
    QCOMPARE(entry.lobbystatus, qint16(1));
    QCOMPARE(entry.repID, 2);
    QVERIFY(rowNamed(list("lstServing"), "Lena Vogel"));
}

void tst_reception_desk::updateOfAnEntryTakenWhileOpenWritesNothing()
{
    const int id = idOf("lstQueue", "Kai Fernández");
    frmModify dialog(m_reception->desk, id, false, &m_reception->lobby());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QLineEdit *>("mskCustomer_3")->setText("Passports");
    QCOMPARE(runQuorvelctl(m_reception->folder, {"take", QString::number(id), "--user", "3"}), 0);

    QTest::mouseClick(dialog.findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QCOMPARE(prompter().texts(),
             QStringList{"Another workstation has changed this entry since it was opened.  "
                         "Nothing was saved; the lists show it as it is now."});
    QVERIFY(!dialog.isVisible());
    clsQuorvel entry(m_reception->folder.context);
    QVERIFY(entry.loadLobbyEntry(id));
    QCOMPARE(entry.lobbystatus, qint16(1));
    QCOMPARE(entry.repID, 3);
    QCOMPARE(entry.service, QString("Licences"));
    QVERIFY(rowNamed(list("lstServing"), "Kai Fernández"));

    // The representative's own sign-out then goes through.
    QCOMPARE(runQuorvelctl(m_reception->folder, {"complete", QString::number(id), "--user", "3"}),
             0);
}

void tst_reception_desk::entryRemovedElsewhereIsSaidAndNotOpened()
{
    QTreeWidget *queue = list("lstQueue");
    const int id = idOf("lstQueue", "Ivy Kowalski");
    QCOMPARE(runQuorvelctl(m_reception->folder, {"remove", QString::number(id)}), 0);
    QVERIFY(rowNamed(queue, "Ivy Kowalski")); // the poll has not run yet

    queue->setCurrentItem(rowNamed(queue, "Ivy Kowalski"));
    OnModal<frmModify> never([](frmModify &dialog) { dialog.reject(); });
    QTest::keyClick(queue, Qt::Key_Return);
    QVERIFY(!never.opened());
    QCOMPARE(prompter().texts(),
             QStringList{"This customer has been removed from the Lobby Queue."});
    QVERIFY(!rowNamed(queue, "Ivy Kowalski"));

    // Removed while the dialog is open: Update says so, writes nothing and closes.
    prompter().clear();
    const int lena = idOf("lstQueue", "Lena Vogel");
    frmModify dialog(m_reception->desk, lena, false, &m_reception->lobby());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(runQuorvelctl(m_reception->folder, {"remove", QString::number(lena)}), 0);
    QTest::mouseClick(dialog.findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QCOMPARE(prompter().texts(),
             QStringList{"This customer has been removed from the Lobby Queue."});
    QVERIFY(!dialog.isVisible());
    QVERIFY(!clsQuorvel(m_reception->folder.context).verifyLobbyEntry(lena));
}

void tst_reception_desk::unreadableQueueFileIsSaidUntilItReads()
{
    SKIP_ON_SERVER("The server keeps no queue file to be unreadable");
    auto *notice = m_reception->lobby().findChild<QLabel *>("panelNotice");
    QVERIFY(notice);
    QVERIFY(notice->isHidden());
    const QByteArray queue = m_reception->folder.readQueue();
    const int shown = list("lstQueue")->topLevelItemCount();
    QVERIFY(shown > 0);
    m_reception->folder.writeQueue("<LOBBY><QUEUE_REC");
    m_reception->lobby().loadit();
    QVERIFY(!notice->isHidden());
    QVERIFY((notice->toolTip().isEmpty() ? notice->text() : notice->toolTip())
                .startsWith("The queue file cannot be read: it is not well-formed"));
    QCOMPARE(list("lstQueue")->topLevelItemCount(), shown); // no empty lobby meanwhile

    m_reception->folder.writeQueue(queue);
    m_reception->lobby().loadit();
    QVERIFY(notice->isHidden());
    QCOMPARE(list("lstQueue")->topLevelItemCount(), shown);
}

void tst_reception_desk::namesSortAsPeopleRead()
{
    Store &store = m_reception->folder.context.store();
    int id = 0;
    Failure failure;
    for (const char *name : {"zoning", "Élections", "apostilles", "Embassy"})
        QVERIFY(store.addService(QString::fromUtf8(name), id, failure));
    frmAdd add(m_reception->desk, &m_reception->lobby());
    auto *services = add.findChild<QComboBox *>("lstServices");
    QStringList listed;
    for (int i = 3; i < services->count(); ++i)
        listed << services->itemText(i);
    QCOMPARE(listed, (QStringList{"apostilles", "Benefits", "Élections", "Embassy", "Licences",
                                  "Permits", "Taxes", "zoning"}));

    m_reception->addUser(20, "élodie", "Marsh");
    m_reception->addUser(21, "anders", "Holm");
    QList<Directory::User> users;
    QVERIFY(store.activeUsers(users, failure));
    QStringList names;
    for (const Directory::User &user : users)
        names << user.displayName();
    QCOMPARE(names, (QStringList{"anders Holm", "Dana Whitfield", "élodie Marsh", "Marco Ruiz",
                                 "Priya Nair"}));
}

QTEST_MAIN(tst_reception_desk)
#include "tst_reception_desk.moc"
