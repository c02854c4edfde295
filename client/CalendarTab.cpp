#include "CalendarTab.h"

#include "ElidedText.h"
#include "ListRows.h"
#include "Store.h"
#include "TextForms.h"
#include "frmEvent.h"
#include "lobbyDB.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QTreeWidget>

namespace {
const QString eventsUnreadable = QStringLiteral("Error accessing events database!");
} // namespace

CalendarTab::CalendarTab(lobbyDB &program, QCalendarWidget *calendar, QTreeWidget *lstEvents,
                         QWidget *window)
    : QObject(window), m_program(program), m_calendar(calendar), m_list(lstEvents), m_window(window)
{
    QHeaderView *header = m_list->header();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setStretchLastSection(false);
    m_list->installEventFilter(this);
    showCutCellsWhole(m_list);
    ListRows::selectOnKeyboardFocus(m_list);
    // Weeks begin on Sunday and months are named in English, as every other date here.
    m_calendar->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));

    // A click lists its day, and so does moving the selection with the keys; the day already
    // listed is not read again.
    connect(m_calendar, &QCalendarWidget::clicked, this, &CalendarTab::showDay);
    connect(m_calendar, &QCalendarWidget::selectionChanged, this,
            [this] { showDay(m_calendar->selectedDate()); });
    connect(m_calendar, &QCalendarWidget::activated, this, &CalendarTab::addEvent);
    connect(m_list, &QTreeWidget::itemActivated, this, &CalendarTab::reviseSelected);
}

void CalendarTab::visit()
{
    if (m_visited)
        return;
    m_visited = true;
    const QDate today = m_program.context().clock().today();
    loadEventList(today);
    m_calendar->setSelectedDate(today);
}

void CalendarTab::showDay(const QDate &day)
{
    if (day != m_shownDay)
        loadEventList(day);
}

void CalendarTab::loadEventList(const QDate &day)
{
    m_shownDay = day;
    QList<CalendarEvent> events;
    Failure failure;
    const bool read =
        m_program.context().store().eventsOfDay(m_program.state().userNumber, day, events, failure);
    ListRows::refill(m_list, [&] {
        for (const CalendarEvent &event : std::as_const(events)) {
            auto *item = new QTreeWidgetItem(
                m_list, QStringList{event.event, TextForms::screenTime12(event.eventTime)});
            item->setData(0, Qt::UserRole, event.eventID);
        }
    });
    if (!read) {
        m_shownDay = QDate(); // the next click tries again
        m_program.context().prompter().message(failure.message(eventsUnreadable),
                                               QStringLiteral("Database Error"),
                                               Prompter::Icon::Warning);
    }
}

void CalendarTab::clear()
{
    ListRows::refill(m_list, [] {});
    m_shownDay = QDate();
}

void CalendarTab::addEvent(const QDate &day)
{
    ClientState &state = m_program.state();
    state.eventDate = day;
    state.eventMode = 0;
    openEventDialog();
}

void CalendarTab::reviseSelected()
{
    const QTreeWidgetItem *item = ListRows::selectedRow(m_list);
    if (!item)
        return;
    ClientState &state = m_program.state();
    state.eventId = ListRows::rowId(item);
    state.eventMode = 1;
    openEventDialog();
}

void CalendarTab::openEventDialog()
{
    frmEvent dialog(m_program, m_window);
    connect(&dialog, &frmEvent::changedElsewhere, this, [this] {
        if (m_shownDay.isValid())
            loadEventList(m_shownDay);
    });
    dialog.exec();
    const QDate written = dialog.writtenDay();
    if (written.isValid()) {
        // The list shows the day of the event just written, and the calendar with it.
        loadEventList(written);
        m_calendar->setSelectedDate(written);
    } else if (dialog.eventGone() && m_shownDay.isValid()) {
        loadEventList(m_shownDay);
    }
}

void CalendarTab::deleteEvent(qint32 eventID)
{
    Prompter &prompter = m_program.context().prompter();
    if (!prompter.ask(QStringLiteral("Are you sure you wish to remove this event?"),
                      QStringLiteral("Remove Event")))
        return;
    Failure failure;
    if (!m_program.context().store().removeEvent(eventID, failure)) {
        prompter.message(failure.message(eventsUnreadable), QStringLiteral("Database Error"),
                         Prompter::Icon::Warning);
        return;
    }
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        if (ListRows::rowId(m_list->topLevelItem(row)) == eventID) {
            delete m_list->takeTopLevelItem(row);
            return;
        }
    }
}

bool CalendarTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        if (const QTreeWidgetItem *item = ListRows::selectedRow(m_list))
            deleteEvent(ListRows::rowId(item));
        return true;
    }
    return QObject::eventFilter(watched, event);
}
