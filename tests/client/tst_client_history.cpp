// The Service History tab and the detail window.
#include "ClientDesk.h"
#include "Database.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {
/// Marco's desk on the demo day of history, started and shown on the Service History tab.
struct HistoryDesk
{
    TestFolder folder{true};
    ClientDesk desk{folder, QStringLiteral("marco")};
    QTreeWidget *list = nullptr;

    bool open()
    {
        if (!desk.startOnTab("tabServiceHistory"))
            return false;
        list = desk.find<QTreeWidget>("lstHistory");
        return true;
    }

    void retrieve(const QString &typedDate, bool allReps)
    {
        desk.find<QRadioButton>(allReps ? "historyOpt_1" : "historyOpt_0")->click();
        auto *date = desk.find<QLineEdit>("txtFetchDate");
        date->clear();
        QTest::keyClicks(date, typedDate);
        QTest::keyClick(date, Qt::Key_Return);
    }

    QStringList column(int index) const
    {
        QStringList texts;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            texts << list->topLevelItem(row)->text(index);
        return texts;
    }

    bool execHistory(const QString &statement, const QVariantList &values)
    {
        return folder.execute(QStringLiteral("history"), statement, {values});
    }

    int historyCount() { return desk.window().historyCount(); }
};

/// The seven values of the detail window opened by double-clicking `row`; the boxes it showed
/// are in the desk's prompter.
QStringList detailsOf(HistoryDesk &d, int row)
{
    QStringList fields;
    onNextDialog([&](QDialog *details) {
        QCOMPARE(details->windowTitle(), QStringLiteral("Service History Information"));
        auto *representative = child<QLabel>(details, "historyField_6");
        QTRY_VERIFY(!representative->text().isEmpty());
        for (int field = 0; field < 7; ++field)
            fields << child<QLabel>(details,
                                    qPrintable(QStringLiteral("historyField_%1").arg(field)))
                          ->text();
        child<QPushButton>(details, "cmdClose")->click();
    });
    doubleClickRow(d.list, row);
    return fields;
}
} // namespace

class tst_client_history : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void myHistoryThenAllReps();
    void dayWithoutVisitsShowsNone();
    void refusedDate();
    void detailsAndAnUnknownRepresentative();
    void detailsOfARowDeletedMeanwhile();
    void unreadableDatabaseKeepsTheList_data();
    void unreadableDatabaseKeepsTheList();
};

void tst_client_history::myHistoryThenAllReps()
{
    HistoryDesk d;
    QVERIFY(d.open());
    QCOMPARE(d.desk.find<QLineEdit>("txtFetchDate")->text(), QStringLiteral("12/06/2026"));
    QVERIFY(d.desk.find<QRadioButton>("historyOpt_0")->isChecked());
    // Marco served every third visit of the demo day.
    QCOMPARE(d.column(0), (QStringList{"08:40 am", "10:41 am", "12:41 pm"}));
    QCOMPARE(d.column(1), (QStringList{"Bob  O'Neil", "Eli  Brandt", "Hana  Sato"}));
    QCOMPARE(d.column(2), (QStringList{"Permits", "Taxes", "Benefits"}));
    QCOMPARE(d.historyCount(), 3);

    d.retrieve(QStringLiteral("12062026"), true);
    QCOMPARE(d.historyCount(), 8);
    QStringList times = d.column(0);
    QCOMPARE(times.first(), QStringLiteral("08:00 am"));
    QCOMPARE(times.last(), QStringLiteral("12:41 pm"));
    QStringList sorted = times;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(times, sorted); // all before noon's "12", so text order is time order

    // The Retrieve button does the same, also from the keyboard.
    d.desk.find<QRadioButton>("historyOpt_0")->click();
    auto *retrieve = d.desk.find<QPushButton>("cmdRetrieve");
    QCOMPARE(retrieve->text(), QStringLiteral("Retrieve"));
    QTest::keyClick(retrieve, Qt::Key_Return);
    QCOMPARE(d.historyCount(), 3);
    QVERIFY(d.desk.prompter.boxes.isEmpty());
}

void tst_client_history::dayWithoutVisitsShowsNone()
{
    HistoryDesk d;
    QVERIFY(d.open());
    d.retrieve(QStringLiteral("11012026"), true); // before the demo's weeks of history
    QCOMPARE(d.column(0), QStringList{"None"});
    QCOMPARE(d.historyCount(), 0);
    // A dialog that opened would block the double-click: look for it meanwhile.
    QPointer<QWidget> opened;
    QTimer::singleShot(100, [&opened] {
        opened = QApplication::activeModalWidget();
        if (opened)
            opened->close();
    });
    doubleClickRow(d.list, 0);
    QTest::qWait(200);
    QVERIFY(!opened);
}

void tst_client_history::refusedDate()
{
    HistoryDesk d;
    QVERIFY(d.open());
    const QStringList before = d.column(1);
    d.retrieve(QStringLiteral("12"), true); // the day and year left blank
    QCOMPARE(d.desk.prompter.titles(), QStringList{"Date Error"});
    QCOMPARE(d.desk.prompter.texts(),
             QStringList{"Invalid Date.  Please make sure the format is mm/dd/yyyy"});
    QCOMPARE(d.column(1), before);
}

void tst_client_history::detailsAndAnUnknownRepresentative()
{
    HistoryDesk d;
    QVERIFY(d.execHistory(
        QStringLiteral("INSERT INTO history (firstName, lastName, serviceRequested, lobbyDateIn, "
                       "lobbyTimeIn, timeServiced, timeOut, servicedBy, serviceTime) "
                       "VALUES ('Zoe', 'Quinn', 'Permits', '2026-12-06', '13:50:00', "
                       "'13:55:10', NULL, 99, 0)"),
        {}));
    QVERIFY(d.open());
    d.retrieve(QStringLiteral("12062026"), true);
    QCOMPARE(d.column(1).last(), QStringLiteral("Zoe  Quinn"));

    QCOMPARE(detailsOf(d, 1), (QStringList{"Bob O'Neil", "12/6/2026", "8:40:17 AM", "8:46:28 AM",
                                           "8:58:28 AM", "Permits", "Marco Ruiz"}));
    QCOMPARE(detailsOf(d, d.list->topLevelItemCount() - 1),
             (QStringList{"Zoe Quinn", "12/6/2026", "1:50:00 PM", "1:55:10 PM", "", "Permits",
                          "Unknown"}));
    QVERIFY(d.desk.prompter.boxes.isEmpty());
}

void tst_client_history::detailsOfARowDeletedMeanwhile()
{
    HistoryDesk d;
    QVERIFY(d.open());
    const int id = d.list->topLevelItem(0)->data(0, Qt::UserRole).toInt();
    QVERIFY(d.execHistory(QStringLiteral("DELETE FROM history WHERE id = ?"), {id}));
    const QStringList fields = detailsOf(d, 0);
    QCOMPARE(fields.last(), QStringLiteral("Unknown"));
    QVERIFY(fields.first().isEmpty());
    QCOMPARE(d.desk.prompter.texts(), QStringList{"No history information found!"});
    QCOMPARE(d.desk.prompter.titles(), QStringList{"History"});
}

void tst_client_history::unreadableDatabaseKeepsTheList_data()
{
    QTest::addColumn<bool>("locked");
    QTest::newRow("missing") << false;
    QTest::newRow("locked") << true;
}

void tst_client_history::unreadableDatabaseKeepsTheList()
{
    QFETCH(bool, locked);
    SKIP_ON_SERVER("The data folder's history file only.");
    HistoryDesk d;
    QVERIFY(d.open());
    const QString historyPath = d.folder.context.params.historyPath;
    Database::setBusyTimeout(200);
    {
        // Another desk in the middle of writing holds the file, or the file is gone.
        Database writer(historyPath);
        if (locked)
            QVERIFY(writer.open() && writer.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        else
            QVERIFY(QFile::rename(historyPath, historyPath + QStringLiteral(".away")));
        d.retrieve(QStringLiteral("12062026"), true);
    }
    Database::setBusyTimeout(10000);
    QCOMPARE(d.desk.prompter.titles(), QStringList{"Error"});
    QVERIFY(d.desk.prompter.texts().first().startsWith(
        QStringLiteral("Error loading history data!\r")));
    QCOMPARE(d.column(1), (QStringList{"Bob  O'Neil", "Eli  Brandt", "Hana  Sato"}));
    QCOMPARE(d.historyCount(), 3);
    QCOMPARE(QFile::exists(historyPath), locked); // a missing database is never created
}

QTEST_MAIN(tst_client_history)
#include "tst_client_history.moc"
