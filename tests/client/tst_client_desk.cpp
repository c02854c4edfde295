// The representative at the desk: a selection that stays the representative's, keyboard use,
// long texts that never widen the window, a sign-out raced by another workstation, and a
// machine without sound.
#include "ClientDesk.h"
#include "FocusChain.h"
#include "Store.h"
#include "frmLobby.h"
#include "frmPref.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {
const QString kai = QStringLiteral("Kai");
const QString fernandez = QStringLiteral("Fernández");

QStringList selectedNames(QTreeWidget *list)
{
    QStringList names;
    for (const QTreeWidgetItem *item : list->selectedItems())
        names << item->text(0);
    return names;
}
} // namespace

class tst_client_desk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void enterTakesOnlyTheChosenCustomer();
    void tabReachesEveryControl();
    void longNameAndServiceKeepTheWindowOnScreen();
    void signOutOfACustomerAnotherDeskNowHoldsIsRefused();
    void withoutAudioOutputTheSilenceIsSaidOnce();

private:
    void show()
    {
        m_desk->window().show();
        QVERIFY(QTest::qWaitForWindowActive(&m_desk->window()));
    }
    QString id(const QString &first, const QString &last)
    {
        return QString::number(queueIdOf(*m_folder, first, last));
    }

    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<ClientDesk> m_desk;
};

void tst_client_desk::init()
{
    m_folder = std::make_unique<TestFolder>(true);
    m_desk = std::make_unique<ClientDesk>(*m_folder, QStringLiteral("marco"));
}

void tst_client_desk::cleanup()
{
    m_desk.reset();
    m_folder.reset();
}

void tst_client_desk::enterTakesOnlyTheChosenCustomer()
{
    QVERIFY(m_desk->start());
    show();
    QTreeWidget *list = m_desk->waitingList();
    list->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(list->hasFocus());

    // Tab brought the focus in with nobody chosen: the row under the focus frame is chosen,
    // visibly, as the user's own act.
    QCOMPARE(selectedNames(list), QStringList{list->topLevelItem(0)->text(0)});
    QVERIFY(m_desk->prompter.boxes.isEmpty());

    // A reload (another desk checks a customer in) keeps the chosen row, and only it.
    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(selectedNames(list), QStringList{"Kai Fernández"});
    QCOMPARE(runQuorvelctl(*m_folder, {"add", "Zed", "Quinn", "Taxes"}), 0);
    m_desk->program->loadit();
    QCOMPARE(list->topLevelItemCount(), 4);
    QCOMPARE(selectedNames(list), QStringList{"Kai Fernández"});

    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(m_desk->state().servicing);
    QCOMPARE(m_desk->shownName(), QStringLiteral("Kai Fernández"));

    // After a keyboard sign-out the next Enter takes nobody.
    m_desk->prompter.answer(true);
    auto *signOut = m_desk->find<QPushButton>("cmdSignout");
    signOut->setFocus(Qt::TabFocusReason);
    QTest::keyClick(signOut, Qt::Key_Space);
    QVERIFY(!m_desk->state().servicing);
    QVERIFY(selectedNames(list).isEmpty());
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(!m_desk->state().servicing);
    QCOMPARE(list->topLevelItemCount(), 3);
}

void tst_client_desk::tabReachesEveryControl()
{
    QVERIFY(m_desk->start());
    show();
    m_desk->program->takeCustomer(queueIdOf(*m_folder, kai, fernandez));
    QCOMPARE(focusChain(m_desk->waitingList()), (QStringList{"cmdSignout", "qt_tabwidget_tabbar"}));

    frmPref options(*m_desk->program, &m_desk->window());
    options.show();
    QVERIFY(QTest::qWaitForWindowActive(&options));
    options.findChild<QCheckBox *>("notifySound")->click(); // enables the path, "..." and Update
    QCOMPARE(focusChain(options.findChild<QLineEdit *>("txtUsername")),
             (QStringList{"txtDesk", "useSpeaker", "notifyWindow", "notifySound", "txtWavePath",
                          "cmdBrowse", "txtPath", "cmdOK", "cmdClose"}));

    // Enter on the focused Cancel cancels: nothing is saved.
    options.findChild<QLineEdit *>("txtUsername")->setText("priya");
    auto *cancel = options.findChild<QPushButton *>("cmdClose");
    cancel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cancel, Qt::Key_Return);
    QVERIFY(!options.isVisible());
    QCOMPARE(m_desk->stored("whoami"), QStringLiteral("marco"));
    QCOMPARE(m_desk->stored("soundSource"), QStringLiteral("1"));
}

void tst_client_desk::longNameAndServiceKeepTheWindowOnScreen()
{
    const QString first = QString(31, QLatin1Char('M'));
    const QString last = QString(32, QLatin1Char('W'));
    const QString service =
        QStringLiteral("Renewal of a commercial vehicle licence, hazardous goods");
    const QString longService = service + QString(64 - service.size(), QLatin1Char('!'));
    QCOMPARE(longService.size(), 64);
    QCOMPARE(runQuorvelctl(*m_folder, {"add", first, last, longService}), 0);
    QCOMPARE(runQuorvelctl(*m_folder, {"add", "Pia", "Ek", longService}), 0);
    QVERIFY(m_desk->start());
    show();
    const int width = m_desk->window().frameGeometry().width();
    QTreeWidget *list = m_desk->waitingList();

    // In the list the name keeps its room and the service gives way.
    const int nameWidth = list->columnWidth(0);
    QVERIFY(nameWidth >= list->fontMetrics().horizontalAdvance("Pia Ek") + 20);
    QVERIFY(list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2) <=
            list->viewport()->width() + 1);

    m_desk->program->takeCustomer(queueIdOf(*m_folder, first, last));
    QVERIFY(m_desk->state().servicing);
    QTest::qWait(50);
    QVERIFY(m_desk->window().frameGeometry().width() <= 1280);
    QCOMPARE(m_desk->window().frameGeometry().width(), width);
    QCOMPARE(m_desk->window().minimumSizeHint().width() <= width, true);
    auto *name = m_desk->find<QLabel>("lblName");
    QCOMPARE(name->toolTip(), first + QLatin1Char(' ') + last);
    QVERIFY(name->text().endsWith(QChar(0x2026)));
    QCOMPARE(m_desk->find<QLabel>("lblService")->toolTip(), longService);
    QVERIFY(m_desk->find<QPushButton>("cmdSignout")->isVisible());
    QVERIFY(m_desk->window().geometry().contains(
        m_desk->find<QPushButton>("cmdSignout")->mapTo(&m_desk->window(), QPoint(0, 0))));

    // A short name afterwards shows whole, without a tool tip.
    m_desk->prompter.answer(true);
    m_desk->program->signOutCustomer();
    m_desk->program->takeCustomer(queueIdOf(*m_folder, "Pia", "Ek"));
    QCOMPARE(m_desk->shownName(), QStringLiteral("Pia Ek"));
    QVERIFY(name->toolTip().isEmpty());
}

void tst_client_desk::signOutOfACustomerAnotherDeskNowHoldsIsRefused()
{
    QVERIFY(m_desk->start());
    const auto marcosVisits = [this] {
        Failure failure;
        return m_folder->context.store().historyOfDay(m_folder->clock.today(), 2, failure).size();
    };
    const auto visitsBefore = marcosVisits();
    const QString kaiId = id(kai, fernandez);
    m_desk->program->takeCustomer(kaiId.toInt());
    QVERIFY(m_desk->state().servicing);

    // The reception hands Kai back and priya's desk takes him.
    QCOMPARE(runQuorvelctl(*m_folder, {"return", kaiId, "--user", "2"}), 0);
    QCOMPARE(runQuorvelctl(*m_folder, {"take", kaiId, "--user", "3"}), 0);

    m_desk->prompter.answer(true);
    m_desk->program->signOutCustomer();
    QCOMPARE(m_desk->prompter.texts().last(),
             QStringLiteral("This customer has been taken by another representative."));
    QCOMPARE(m_desk->prompter.titles().last(), QStringLiteral("Customer Sign Out"));
    QVERIFY(!m_desk->state().servicing);
    QCOMPARE(m_desk->shownName(), QString());
    int status = 0;
    int user = 0;
    queueIdOf(*m_folder, kai, fernandez, &status, &user);
    QCOMPARE(status, 1);
    QCOMPARE(user, 3);
    QCOMPARE(marcosVisits(), visitsBefore);
}

void tst_client_desk::withoutAudioOutputTheSilenceIsSaidOnce()
{
    m_desk->sound.output = false;
    QVERIFY(m_desk->start()); // three waiting: the first load notifies
    show();
    auto *notice = m_desk->find<QLabel>("panelNotice");
    QVERIFY(!notice->isHidden());
    // Read whole at the window's first size.
    const QString said = QStringLiteral("No audio: notifications silent");
    QTRY_COMPARE(notice->text(), said);
    m_desk->program->notifier().playNotification();
    QCOMPARE(notice->text(), said);
    QVERIFY(m_desk->prompter.boxes.isEmpty());

    // An unreadable queue file takes the place first, and the list keeps what it showed.
    if (!TestFolder::onServer()) {
        const QByteArray queue = m_folder->readQueue();
        const int shown = m_desk->waitingList()->topLevelItemCount();
        m_folder->writeQueue("<LOBBY><QUEUE_REC");
        m_desk->program->loadit();
        QVERIFY2(notice->text().startsWith(QStringLiteral("The queue file cannot be read")),
                 qPrintable(notice->text()));
        QCOMPARE(m_desk->waitingList()->topLevelItemCount(), shown);
        m_folder->writeQueue(queue);
        m_desk->program->loadit();
        QCOMPARE(notice->text(), said);
    }

    // The options window offers no sound file to choose.
    frmPref options(*m_desk->program, &m_desk->window());
    auto *soundFile = options.findChild<QCheckBox *>("notifySound");
    soundFile->click();
    QVERIFY(soundFile->isChecked());
    QVERIFY(!options.findChild<QLineEdit *>("txtWavePath")->isEnabled());
    QVERIFY(!options.findChild<QPushButton *>("cmdBrowse")->isEnabled());
}

QTEST_MAIN(tst_client_desk)
#include "tst_client_desk.moc"
