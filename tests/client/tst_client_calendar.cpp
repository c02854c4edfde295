// The Calendar tab and the event dialog.
#include "ClientDesk.h"
#include "Store.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace {
const QDate today(2026, 12, 6); // the fake clock's day

/// Marco's desk, started and shown on the Calendar tab.
struct CalendarDesk
{
    explicit CalendarDesk(const QString &username = QStringLiteral("marco"))
        : desk(folder, username)
    {
    }

    TestFolder folder{true};
    ClientDesk desk;
    QTreeWidget *events = nullptr;
    QCalendarWidget *calendar = nullptr;

    bool open()
    {
        if (!desk.startOnTab("tabCalendar"))
            return false;
        events = desk.find<QTreeWidget>("lstEvents");
        calendar = desk.find<QCalendarWidget>("calendar");
        return true;
    }

    qint32 add(qint32 userNumber, const QDate &day, const QTime &time, const QString &text)
    {
        qint32 id = 0;
        Failure failure;
        folder.context.store().addEvent({0, userNumber, day, time, text}, id, failure);
        return id;
    }

    bool stored(qint32 id, CalendarEvent &event)
    {
        bool found = false;
        Failure failure;
        return folder.context.store().eventRecord(id, event, found, failure) && found;
    }

    QStringList row(int index) const
    {
        const QTreeWidgetItem *item = events->topLevelItem(index);
        return item ? QStringList{item->text(0), item->text(1)} : QStringList();
    }
};

/// Types `time` and `message` into an open event dialog and presses Enter in the message.
void fillAndEnter(QDialog *dialog, const QString &time, const QString &message)
{
    auto *timeEntry = child<QLineEdit>(dialog, "txtEventTime");
    timeEntry->clear();
    QTest::keyClicks(timeEntry, time);
    auto *text = child<QLineEdit>(dialog, "txtEvent");
    text->clear();
    QTest::keyClicks(text, message);
    QTest::keyClick(text, Qt::Key_Return);
}
} // namespace

class tst_client_calendar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addReviseAndDelete();
    void onlyOwnEventsInTimeOrder();
    void refusedDateAndTime_data();
    void refusedDateAndTime();
    void proposedDay();
    void revisingAnEventChangedElsewhere_data();
    void revisingAnEventChangedElsewhere();
    void unreadableEventKeepsTheDialogEmpty();
    void optionsSaveEmptiesBothLists();
    void idsBeyondSixteenBits();
    void keysWithoutASelectionDoNothing();
};

void tst_client_calendar::addReviseAndDelete()
{
    CalendarDesk d;
    QVERIFY(d.open());
    QCOMPARE(d.calendar->selectedDate(), today);
    QCOMPARE(d.events->topLevelItemCount(), 0);
    QCOMPARE(d.events->toolTip(),
             QStringLiteral("Double-click to edit entry or press Delete to remove entry."));

    bool added = false;
    onNextDialog([&](QDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("New Event"));
        auto *ok = child<QPushButton>(dialog, "cmdOK");
        QCOMPARE(ok->text(), QStringLiteral("&Add Event"));
        QCOMPARE(child<QLineEdit>(dialog, "txtEventDate")->text(), QStringLiteral("12/06/2026"));
        QCOMPARE(dialog->focusWidget(), child<QLineEdit>(dialog, "txtEventTime"));
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(child<QLineEdit>(dialog, "txtEventTime"), QStringLiteral("1330"));
        QVERIFY(!ok->isEnabled()); // no message yet
        fillAndEnter(dialog, QStringLiteral("1330"), QStringLiteral("Call O'Brien"));
        added = true;
    });
    d.desk.find<QAction>("mnuAddEvent")->trigger();
    QVERIFY(added);
    QCOMPARE(d.row(0), (QStringList{"Call O'Brien", "01:30 pm"}));
    const qint32 id = d.events->topLevelItem(0)->data(0, Qt::UserRole).toInt();
    CalendarEvent event;
    QVERIFY(d.stored(id, event));
    QCOMPARE(event.event, QStringLiteral("Call O'Brien"));
    QCOMPARE(event.eventTime, QTime(13, 30));
    QCOMPARE(event.userNumber, 2);

    // Revised to another day: the list and the calendar follow the event.
    bool revised = false;
    onNextDialog([&](QDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Revise Event"));
        auto *ok = child<QPushButton>(dialog, "cmdOK");
        QCOMPARE(ok->text(), QStringLiteral("&Revise Event"));
        auto *date = child<QLineEdit>(dialog, "txtEventDate");
        QTRY_COMPARE(date->text(), QStringLiteral("12/06/2026"));
        QCOMPARE(child<QLineEdit>(dialog, "txtEventTime")->text(), QStringLiteral("13:30"));
        QCOMPARE(child<QLineEdit>(dialog, "txtEvent")->text(), QStringLiteral("Call O'Brien"));
        QVERIFY(!ok->isEnabled());
        date->setText(QStringLiteral("12/08/2026"));
        QVERIFY(ok->isEnabled());
        fillAndEnter(dialog, QStringLiteral("1200"), QStringLiteral("Lunch"));
        revised = true;
    });
    doubleClickRow(d.events, 0);
    QVERIFY(revised);
    QCOMPARE(d.calendar->selectedDate(), QDate(2026, 12, 8));
    QCOMPARE(d.row(0), (QStringList{"Lunch", "12:00 pm"}));
    QCOMPARE(d.events->topLevelItem(0)->data(0, Qt::UserRole).toInt(), id);

    // Delete asks first; No keeps the event.
    d.desk.prompter.clear();
    d.events->setCurrentItem(d.events->topLevelItem(0));
    QTest::keyClick(d.events, Qt::Key_Delete);
    QCOMPARE(d.desk.prompter.titles(), QStringList{"Remove Event"});
    QCOMPARE(d.desk.prompter.texts(), QStringList{"Are you sure you wish to remove this event?"});
    QCOMPARE(d.events->topLevelItemCount(), 1);
    QVERIFY(d.stored(id, event));

    d.desk.prompter.answer(true);
    QTest::keyClick(d.events, Qt::Key_Delete);
    QCOMPARE(d.events->topLevelItemCount(), 0);
    QVERIFY(!d.stored(id, event));
}

void tst_client_calendar::onlyOwnEventsInTimeOrder()
{
    CalendarDesk d;
    d.add(2, today, QTime(16, 0), QStringLiteral("Team meeting"));
    d.add(1, today, QTime(9, 0), QStringLiteral("Dana's own"));
    d.add(2, today, QTime(8, 15), QStringLiteral("Early call"));
    d.add(2, today.addDays(1), QTime(8, 0), QStringLiteral("Tomorrow"));
    // Control characters and byte-order marks are not stored; a tab is.
    d.add(2, today, QTime(17, 0), QChar(0xFEFF) + QStringLiteral("Pay\x01\trent"));
    QVERIFY(d.open());
    QCOMPARE(d.events->topLevelItemCount(), 3);
    QCOMPARE(d.row(0), (QStringList{"Early call", "08:15 am"}));
    QCOMPARE(d.row(1), (QStringList{"Team meeting", "04:00 pm"}));
    QCOMPARE(d.row(2), (QStringList{"Pay\trent", "05:00 pm"}));

    // Choosing the next day lists it.
    d.calendar->setSelectedDate(today.addDays(1));
    QCOMPARE(d.events->topLevelItemCount(), 1);
    QCOMPARE(d.row(0), (QStringList{"Tomorrow", "08:00 am"}));
}

void tst_client_calendar::refusedDateAndTime_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("focused");
    QTest::newRow("blank minute digits") << "12062026"
                                         << "14"
                                         << "Time Error"
                                         << "txtEventTime";
    QTest::newRow("one blank hour digit") << "12062026"
                                          << "1"
                                          << "Time Error"
                                          << "txtEventTime";
    QTest::newRow("hour 25") << "12062026"
                             << "2510"
                             << "Time Error"
                             << "txtEventTime";
    QTest::newRow("day 45") << "12452026"
                            << "1000"
                            << "Date Error"
                            << "txtEventDate";
    QTest::newRow("blank day") << "12"
                               << "1000"
                               << "Date Error"
                               << "txtEventDate";
}

void tst_client_calendar::refusedDateAndTime()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, title);
    QFETCH(QString, focused);
    CalendarDesk d;
    QVERIFY(d.open());
    bool checked = false;
    onNextDialog([&](QDialog *dialog) {
        auto *dateEntry = child<QLineEdit>(dialog, "txtEventDate");
        dateEntry->clear();
        QTest::keyClicks(dateEntry, date);
        fillAndEnter(dialog, time, QStringLiteral("Dentist"));
        QCOMPARE(d.desk.prompter.titles(), QStringList{title});
        QCOMPARE(d.desk.prompter.texts().first(),
                 title == QLatin1String("Time Error")
                     ? QStringLiteral("Invalid Event Time.  Please make sure the format is in "
                                      "hh:mm am/pm")
                     : QStringLiteral("Invalid Event Date.  Please make sure the format is "
                                      "mm/dd/yyyy"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->focusWidget()->objectName(), focused);
        checked = true;
    });
    d.desk.find<QAction>("mnuAddEvent")->trigger();
    QVERIFY(checked);
    QList<CalendarEvent> stored;
    Failure failure;
    QVERIFY(d.folder.context.store().eventsOfDay(2, today, stored, failure));
    QVERIFY(stored.isEmpty());
}

void tst_client_calendar::proposedDay()
{
    CalendarDesk d;
    QVERIFY(d.open());
    // Another month shown: the menu still proposes today.
    d.calendar->setSelectedDate(QDate(2027, 1, 20));
    QString proposed;
    onNextDialog([&](QDialog *dialog) {
        proposed = child<QLineEdit>(dialog, "txtEventDate")->text();
        dialog->reject();
    });
    d.desk.find<QAction>("mnuAddEvent")->trigger();
    QCOMPARE(proposed, QStringLiteral("12/06/2026"));

    // A double-click on a day proposes that day.
    auto *days = d.calendar->findChild<QTableView *>();
    QVERIFY(days);
    const QModelIndex cell = days->currentIndex();
    QCOMPARE(cell.data().toInt(), 20);
    const QPoint at = days->visualRect(cell).center();
    onNextDialog([&](QDialog *dialog) {
        proposed = child<QLineEdit>(dialog, "txtEventDate")->text();
        dialog->reject();
    });
    QTest::mouseClick(days->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(days->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(proposed, QStringLiteral("01/20/2027"));
}

void tst_client_calendar::revisingAnEventChangedElsewhere_data()
{
    QTest::addColumn<QString>("elsewhere");
    QTest::newRow("removed while open") << "removed";
    QTest::newRow("changed while open") << "changed";
    QTest::newRow("removed before it opens") << "removed before";
}

// Another desk of the same representative changes or removes the event: nothing is written
// over it, and what was typed stays.
void tst_client_calendar::revisingAnEventChangedElsewhere()
{
    QFETCH(QString, elsewhere);
    CalendarDesk d;
    const qint32 id = d.add(2, today, QTime(10, 0), QStringLiteral("Budget review"));
    QVERIFY(d.open());
    QCOMPARE(d.events->topLevelItemCount(), 1);
    Failure failure;
    bool found = true;
    if (elsewhere == "removed before")
        QVERIFY(d.folder.context.store().removeEvent(id, failure));
    QString title, typed;
    // Removed before it opens, the dialog says so at once and closes by itself.
    if (elsewhere != "removed before")
        onNextDialog([&](QDialog *dialog) {
            QTRY_COMPARE(child<QLineEdit>(dialog, "txtEvent")->text(),
                         QStringLiteral("Budget review"));
            if (elsewhere == "removed")
                QVERIFY(d.folder.context.store().removeEvent(id, failure));
            else
                QVERIFY(d.folder.context.store().reviseEvent(
                    {id, 2, today, QTime(10, 0), "Budget review"},
                    {id, 2, today, QTime(9, 0), "Budget review, earlier"}, found, failure));
            fillAndEnter(dialog, QStringLiteral("1100"), QStringLiteral("Budget review moved"));
            title = dialog->windowTitle();
            typed = child<QLineEdit>(dialog, "txtEvent")->text();
            dialog->reject();
        });
    doubleClickRow(d.events, 0);
    const QString said = elsewhere == "changed"
                             ? changedElsewhere().description
                             : QStringLiteral("This event has been removed from the calendar.");
    QCOMPARE(d.desk.prompter.texts().size(), 1);
    QVERIFY(d.desk.prompter.texts()[0].startsWith(said));
    CalendarEvent event;
    QCOMPARE(d.stored(id, event), elsewhere == "changed");
    if (elsewhere == "removed before")
        return;
    QCOMPARE(typed, QStringLiteral("Budget review moved"));
    // Removed, the dialog offers to add it anew; changed, a second press writes knowingly.
    QCOMPARE(title,
             elsewhere == "removed" ? QStringLiteral("New Event") : QStringLiteral("Revise Event"));
    QCOMPARE(event.event,
             elsewhere == "changed" ? QStringLiteral("Budget review, earlier") : QString());
    QCOMPARE(d.events->topLevelItemCount(), elsewhere == "changed" ? 1 : 0);
    if (elsewhere == "changed")
        QCOMPARE(d.row(0).first(), QStringLiteral("Budget review, earlier"));
}

void tst_client_calendar::unreadableEventKeepsTheDialogEmpty()
{
    SKIP_ON_SERVER("The data folder's directory file only.");
    CalendarDesk d;
    d.add(2, today, QTime(10, 0), QStringLiteral("Budget review"));
    QVERIFY(d.open());
    const QString systemPath = d.folder.context.params.systemPath;
    QVERIFY(QFile::rename(systemPath, systemPath + QStringLiteral(".away")));
    bool checked = false;
    onNextDialog([&](QDialog *dialog) {
        QTRY_COMPARE(d.desk.prompter.boxes.size(), 1);
        QCOMPARE(d.desk.prompter.titles(), QStringList{"Database Error"});
        QVERIFY(d.desk.prompter.texts().first().startsWith(
            QStringLiteral("Error accessing events database!\r53/")));
        QVERIFY(dialog->isVisible());
        // Nothing typed into the masks: only their separators are there.
        QCOMPARE(child<QLineEdit>(dialog, "txtEventDate")->text(), QStringLiteral("//"));
        QCOMPARE(child<QLineEdit>(dialog, "txtEventTime")->text(), QStringLiteral(":"));
        QVERIFY(child<QLineEdit>(dialog, "txtEvent")->text().isEmpty());
        QVERIFY(!child<QPushButton>(dialog, "cmdOK")->isEnabled());
        checked = true;
    });
    doubleClickRow(d.events, 0);
    QVERIFY(checked);
}

void tst_client_calendar::optionsSaveEmptiesBothLists()
{
    CalendarDesk d;
    d.add(2, today, QTime(10, 0), QStringLiteral("Budget review"));
    QVERIFY(d.open());
    QCOMPARE(d.events->topLevelItemCount(), 1);
    d.desk.find<QTabWidget>("SSTab1")->setCurrentWidget(d.desk.find<QWidget>("tabServiceHistory"));
    auto *history = d.desk.find<QTreeWidget>("lstHistory");
    QCOMPARE(history->topLevelItemCount(), 3);

    onNextDialog([](QDialog *options) {
        child<QLineEdit>(options, "txtUsername")->setText(QStringLiteral("dana"));
        child<QPushButton>(options, "cmdOK")->click();
    });
    d.desk.find<QAction>("mnuModify")->trigger();
    QCOMPARE(d.events->topLevelItemCount(), 0);
    QCOMPARE(history->topLevelItemCount(), 0);
    QCOMPARE(d.desk.window().historyCount(), 0);

    // The next click on the same day lists the new representative's events.
    d.add(1, today, QTime(9, 0), QStringLiteral("Dana's own"));
    Q_EMIT d.calendar->clicked(today);
    QCOMPARE(d.row(0), (QStringList{"Dana's own", "09:00 am"}));
}

void tst_client_calendar::idsBeyondSixteenBits()
{
    CalendarDesk d(QStringLiteral("zed"));
    // The user and the event are there before the desk starts.
    QVERIFY(d.folder.execute(QStringLiteral("users"),
                             QStringLiteral("INSERT INTO users (userNumber, firstName, lastName, "
                                            "department, username, status) "
                                            "VALUES (70001, 'Zed', 'Ames', '', 'zed', 1)")));
    QVERIFY(d.folder.execute(QStringLiteral("events"),
                             QStringLiteral("INSERT INTO events (eventID, userNumber, eventDate, "
                                            "eventTime, event, eventAlarm) "
                                            "VALUES (70000, 70001, '2026-12-06', '10:00:00', "
                                            "'Quarterly audit', 0)")));
    QVERIFY(d.open());
    QCOMPARE(d.desk.state().userNumber, 70001);
    QCOMPARE(d.row(0), (QStringList{"Quarterly audit", "10:00 am"}));
    QCOMPARE(d.events->topLevelItem(0)->data(0, Qt::UserRole).toInt(), 70000);

    onNextDialog([](QDialog *dialog) {
        QTRY_COMPARE(child<QLineEdit>(dialog, "txtEvent")->text(),
                     QStringLiteral("Quarterly audit"));
        fillAndEnter(dialog, QStringLiteral("1015"), QStringLiteral("Quarterly audit, room 4"));
    });
    doubleClickRow(d.events, 0);
    CalendarEvent event;
    QVERIFY(d.stored(70000, event));
    QCOMPARE(event.event, QStringLiteral("Quarterly audit, room 4"));
    QCOMPARE(d.events->topLevelItem(0)->data(0, Qt::UserRole).toInt(), 70000);

    d.desk.prompter.answer(true);
    d.events->setCurrentItem(d.events->topLevelItem(0));
    QTest::keyClick(d.events, Qt::Key_Delete);
    QVERIFY(!d.stored(70000, event));
}

void tst_client_calendar::keysWithoutASelectionDoNothing()
{
    CalendarDesk d;
    d.add(2, today, QTime(10, 0), QStringLiteral("Budget review"));
    QVERIFY(d.open());
    d.events->setFocus();
    d.events->clearSelection();
    d.desk.prompter.answer(true);
    QTest::keyClick(d.events, Qt::Key_Delete);
    QTest::keyClick(d.events, Qt::Key_Return); // a dialog would block here
    QVERIFY(d.desk.prompter.boxes.isEmpty());
    QCOMPARE(d.events->topLevelItemCount(), 1);
}

QTEST_MAIN(tst_client_calendar)
#include "tst_client_calendar.moc"
