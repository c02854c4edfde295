#pragma once

#include "EventList.h"

#include <QDate>
#include <QDialog>

#include <memory>

class lobbyDB;
namespace Ui {
class frmEvent;
}

/// Adds an event to the representative's calendar or revises one, as the state's `eventMode`
/// says: a new event on `eventDate`, or the event `eventId`.
class frmEvent : public QDialog
{
    Q_OBJECT

public:
    frmEvent(lobbyDB &program, QWidget *parent = nullptr);
    ~frmEvent() override;

    /// The day of the event written; invalid while nothing was written.
    QDate writtenDay() const { return m_writtenDay; }
    /// True when the event to revise was removed elsewhere, before or while the dialog was open.
    bool eventGone() const { return m_eventGone; }

Q_SIGNALS:
    /// Revising found the event changed by another desk since it was read; nothing was written.
    void changedElsewhere();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Fills the fields from the event to revise; closes the dialog when the event is gone.
    void getEvent();
    /// Turns the dialog into one that adds what was typed as a new event.
    void addInstead();
    void enableOK();
    void write();

    std::unique_ptr<Ui::frmEvent> m_ui;
    lobbyDB &m_program;
    bool m_revising = false;
    bool m_loaded = false;
    QDate m_writtenDay;
    bool m_eventGone = false;
    CalendarEvent m_seen; // the event to revise as read: revising writes only while it is so
};
