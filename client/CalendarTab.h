#pragma once

#include <QDate>
#include <QObject>

class QCalendarWidget;
class QTreeWidget;
class QWidget;
class lobbyDB;

/// The main window's Calendar tab: a month calendar and the representative's own events of the
/// day chosen. A click lists a day, a double-click adds an event on it; in the list a
/// double-click (or Enter) revises an event and Delete removes it.
class CalendarTab : public QObject
{
    Q_OBJECT

public:
    CalendarTab(lobbyDB &program, QCalendarWidget *calendar, QTreeWidget *lstEvents,
                QWidget *window);

    /// The first visit shows today; later visits keep what is shown.
    void visit();

    /// Lists the representative's events of `day`.
    void loadEventList(const QDate &day);
    /// The event dialog for a new event proposed on `day`.
    void addEvent(const QDate &day);
    /// Removes the event `eventID` after asking, and its row.
    void deleteEvent(qint32 eventID);
    /// Empties the list; the next date chosen fills it again.
    void clear();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showDay(const QDate &day);
    void reviseSelected();
    void openEventDialog();

    lobbyDB &m_program;
    QCalendarWidget *m_calendar;
    QTreeWidget *m_list;
    QWidget *m_window;
    bool m_visited = false;
    QDate m_shownDay; // invalid while the list shows no day
};
