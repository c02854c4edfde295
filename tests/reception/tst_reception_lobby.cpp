#include "ReceptionFixture.h"
#include "frmModify.h"

#include "Store.h"
#include "clsQuorvel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

class tst_reception_lobby : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusTextCountsWaitingCustomers_data();
    void statusTextCountsWaitingCustomers();
    void customerTurnsRedOnAQuietPollAtTheLimit();
    void deleteAsksBeforeRemovingAWaitingCustomer();
    void inServiceShowsTheDesk();
    void deleteRefusesACustomerInService();
    void dayWithoutHistoryShowsNoneWhichOpensNothing();
    void retrieveRefusesAnInvalidDate_data();
    void retrieveRefusesAnInvalidDate();
    void retrieveListsTheDayOrSaysThereIsNone();
    void historyCorrectionReloadsOnlyForAValidDate();
    void changeByAnotherProcessIsListedWithinOnePoll();
};

namespace {
const QTime ten(10, 0);
}

void tst_reception_lobby::statusTextCountsWaitingCustomers_data()
{
    QTest::addColumn<int>("waiting");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << "0 customers in queue";
    QTest::newRow("one") << 1 << "1 customer in queue";
    QTest::newRow("two") << 2 << "2 customers in queue";
}

void tst_reception_lobby::statusTextCountsWaitingCustomers()
{
    QFETCH(int, waiting);
    QFETCH(QString, text);
    Reception r;
    const QDate today = r.folder.clock.today();
    QList<QueueEntry> entries{{"In", "Service", "Taxes", ten, today, 1, 0}};
    for (int i = 0; i < waiting; ++i)
        entries.append({"Wait", QString::number(i), "Taxes", ten, today});
    r.addToQueue(entries);
    QVERIFY(r.start());
    QCOMPARE(r.lobbyControl<QLabel>("panelQueue")->text(), text);
    QCOMPARE(r.desk.waitingCount, waiting);
    QCOMPARE(r.lobbyControl<QTreeWidget>("lstQueue")->topLevelItemCount(), waiting);
    QCOMPARE(r.lobbyControl<QTreeWidget>("lstServing")->topLevelItemCount(), 1);
}

void tst_reception_lobby::customerTurnsRedOnAQuietPollAtTheLimit()
{
    Reception r;
    r.folder.clock.setTime(QTime(10, 0, 30));
    clsQuorvel(r.folder.context).addCustomerToQueue("Ann", "Lee", "Taxes");
    QVERIFY(r.start());
    r.lobby().poll(); // the first check of the change signal always reloads
    QTreeWidgetItem *row = r.lobbyControl<QTreeWidget>("lstQueue")->topLevelItem(0);
    QVERIFY(row);

    r.folder.clock.setTime(QTime(10, 9, 59));
    r.lobby().poll();
    QCOMPARE(row->foreground(0).color(), QColor(0, 0, 0));
    QCOMPARE(r.desk.overdueCount, 0);

    r.folder.clock.setTime(QTime(10, 10, 0));
    r.lobby().poll();
    // Still the same item: the quiet poll re-marks, it does not reload.
    QCOMPARE(r.lobbyControl<QTreeWidget>("lstQueue")->topLevelItem(0), row);
    for (int column = 0; column < 3; ++column) {
        QCOMPARE(row->foreground(column).color(), QColor(255, 0, 0));
        QVERIFY(row->font(column).bold());
    }
    QCOMPARE(r.desk.overdueCount, 1);
}

void tst_reception_lobby::deleteAsksBeforeRemovingAWaitingCustomer()
{
    Reception r;
    const QDate today = r.folder.clock.today();
    r.addToQueue({{"Ann", "Lee", "Taxes", ten, today}, {"Bob", "Ray", "Taxes", ten, today}});
    QVERIFY(r.start());
    auto *list = r.lobbyControl<QTreeWidget>("lstQueue");
    list->setCurrentItem(rowNamed(list, "Ann Lee"));

    r.folder.prompter.answer(false);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(r.folder.prompter.texts(), QStringList{"Delete this entry?"});
    QCOMPARE(r.folder.prompter.boxes.first().title, QString("Remove Customer"));
    QVERIFY(r.folder.prompter.boxes.first().question);
    QCOMPARE(r.folder.queued().size(), 2);

    r.folder.prompter.answer(true);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(firstColumn(list), QStringList{"Bob Ray"});
    QCOMPARE(r.folder.queuedNames(), QStringList{"Bob Ray"});
    QCOMPARE(r.lobbyControl<QLabel>("panelQueue")->text(), QString("1 customer in queue"));
}

void tst_reception_lobby::inServiceShowsTheDesk()
{
    Reception r(true);
    QVERIFY(r.start());
    clsQuorvel entry(r.folder.context);
    const int ivy =
        r.lobbyControl<QTreeWidget>("lstQueue")->topLevelItem(0)->data(0, Qt::UserRole).toInt();
    QVERIFY(r.folder.context.store().takeCustomer(ivy, {}, 2, entry, "Window 4").done());
    r.lobby().loadit();
    QStringList rows;
    auto *list = r.lobbyControl<QTreeWidget>("lstServing");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0) + " / " + list->topLevelItem(i)->text(4);
    QCOMPARE(rows, (QStringList{"Ivy Kowalski / Window 4", "Jon Baptiste / "}));
}

void tst_reception_lobby::deleteRefusesACustomerInService()
{
    Reception r(true);
    QVERIFY(r.start());
    auto *list = r.lobbyControl<QTreeWidget>("lstServing");
    list->setCurrentItem(list->topLevelItem(0));
    r.folder.prompter.answer(true);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(r.folder.prompter.texts(),
             QStringList{"You can not remove a customer that is in service."});
    QCOMPARE(r.folder.prompter.boxes.first().title, QString("Error"));
    QVERIFY(r.folder.queuedNames().contains("Jon Baptiste"));
    QCOMPARE(list->topLevelItemCount(), 1);
}

void tst_reception_lobby::dayWithoutHistoryShowsNoneWhichOpensNothing()
{
    Reception r;
    QVERIFY(r.start());
    r.lobby().show();
    QVERIFY(QTest::qWaitForWindowExposed(&r.lobby()));
    auto *list = r.lobbyControl<QTreeWidget>("lstHistory");
    r.lobbyControl<QTabWidget>("SSTab1")->setCurrentIndex(1);
    QCOMPARE(firstColumn(list), QStringList{"None"});
    QCOMPARE(r.lobby().historyCount(), 0);

    OnModal<frmModify> modify([](frmModify &dialog) { dialog.reject(); });
    doubleClickRow(list, list->topLevelItem(0));
    QTest::qWait(200);
    QVERIFY(!modify.opened());
}

void tst_reception_lobby::retrieveRefusesAnInvalidDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("month 13") << "13/01/2026";
    QTest::newRow("day 45") << "01/45/2026";
    QTest::newRow("partly blank") << "12/0";
    QTest::newRow("blank digit inside") << "1_/06/2026";
}

void tst_reception_lobby::retrieveRefusesAnInvalidDate()
{
    QFETCH(QString, typed);
    Reception r(true);
    QVERIFY(r.start());
    auto *list = r.lobbyControl<QTreeWidget>("lstHistory");
    const QStringList before = firstColumn(list);
    auto *date = r.lobbyControl<QLineEdit>("txtFetchDate");
    date->setText(typed);
    QTest::mouseClick(r.lobbyControl<QPushButton>("cmdRetrieve"), Qt::LeftButton);
    QCOMPARE(r.folder.prompter.texts(),
             QStringList{"Invalid Date.  Please make sure the format is mm/dd/yyyy"});
    QCOMPARE(r.folder.prompter.boxes.first().title, QString("Date Error"));
    QCOMPARE(firstColumn(list), before);
}

void tst_reception_lobby::retrieveListsTheDayOrSaysThereIsNone()
{
    Reception r(true);
    QVERIFY(r.start());
    auto *list = r.lobbyControl<QTreeWidget>("lstHistory");
    QVERIFY(r.lobby().historyCount() > 0);
    QCOMPARE(list->topLevelItem(0)->text(0), QString("08:00 am"));
    QCOMPARE(list->topLevelItem(0)->text(1), QString("Ann  Lee"));
    QVERIFY(list->topLevelItem(0)->data(0, Qt::UserRole).toInt() > 0);

    auto *date = r.lobbyControl<QLineEdit>("txtFetchDate");
    QCOMPARE(date->text(), QString("12/06/2026"));
    date->setText("12/05/2026");
    QTest::keyClick(date, Qt::Key_Return);
    QCOMPARE(r.folder.prompter.texts(), QStringList{"No history data found for 12/05/2026"});
    QCOMPARE(r.folder.prompter.boxes.first().title, QString("History Search"));
    QCOMPARE(firstColumn(list), QStringList{"None"});
    QCOMPARE(r.lobby().historyCount(), 0);
}

void tst_reception_lobby::historyCorrectionReloadsOnlyForAValidDate()
{
    Reception r(true);
    QVERIFY(r.start());
    r.lobby().show();
    QVERIFY(QTest::qWaitForWindowExposed(&r.lobby()));
    r.lobbyControl<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto *list = r.lobbyControl<QTreeWidget>("lstHistory");
    auto *date = r.lobbyControl<QLineEdit>("txtFetchDate");

    // Renames the first visit while the date box has meanwhile been changed to `dateText`.
    const auto rename = [&](const QString &first, const QString &dateText) {
        OnModal<frmModify> modify([&](frmModify &dialog) {
            date->setText(dateText);
            dialog.findChild<QLineEdit *>("mskCustomer_1")->setText(first);
            QTest::mouseClick(dialog.findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
        });
        doubleClickRow(list, list->topLevelItem(0));
        QVERIFY(modify.opened());
    };

    rename("Anne", "13/45/2026");
    QCOMPARE(list->topLevelItem(0)->text(1), QString("Ann  Lee")); // kept as it was
    rename("Anna", "12/06/2026");
    QCOMPARE(list->topLevelItem(0)->text(1), QString("Anna  Lee"));
    QVERIFY(r.folder.prompter.boxes.isEmpty());
}

void tst_reception_lobby::changeByAnotherProcessIsListedWithinOnePoll()
{
    Reception r;
    QVERIFY(r.start());
    r.lobby().poll(); // the first check of the change signal always reloads
    auto *list = r.lobbyControl<QTreeWidget>("lstQueue");
    QCOMPARE(list->topLevelItemCount(), 0);

    QCOMPARE(runQuorvelctl(r.folder, {"add", "Zed", "Quinn", "Taxes"}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(firstColumn(list), QStringList{"Zed Quinn"},
                              frmLobby::PollMilliseconds + 1000);
    QCOMPARE(r.lobbyControl<QLabel>("panelQueue")->text(), QString("1 customer in queue"));
}

QTEST_MAIN(tst_reception_lobby)
#include "tst_reception_lobby.moc"
