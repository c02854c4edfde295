#include "frmEvent.h"

#include "ui_frmEvent.h"

#include "MaskedEntry.h"
#include "SelectAllOnFocus.h"
#include "Store.h"
#include "TextForms.h"
#include "lobbyDB.h"

#include <QKeyEvent>
#include <QTimer>

namespace {
const QString eventsUnreadable = QStringLiteral("Error accessing events database!");
const QString eventRemoved = QStringLiteral("This event has been removed from the calendar.");
} // namespace

frmEvent::frmEvent(lobbyDB &program, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmEvent>()), m_program(program)
{
    m_ui->setupUi(this);
    const ClientState &state = m_program.state();
    m_revising = state.eventMode == 1;
    if (m_revising) {
        setWindowTitle(QStringLiteral("Revise Event"));
        m_ui->cmdOK->setText(QStringLiteral("&Revise Event"));
    } else {
        m_ui->txtEventDate->setText(TextForms::screenDate(state.eventDate));
    }

    for (QLineEdit *entry : {m_ui->txtEventDate, m_ui->txtEventTime, m_ui->txtEvent}) {
        selectAllOnFocus(entry);
        entry->installEventFilter(this);
        connect(entry, &QLineEdit::textChanged, this, &frmEvent::enableOK);
    }
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmEvent::write);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &frmEvent::reject);

    m_ui->txtEventTime->setFocus();
    m_ui->cmdOK->setEnabled(false);
}

frmEvent::~frmEvent() = default;

void frmEvent::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The event is read once the dialog is up, so a failure's box stands over it.
    if (m_revising && !m_loaded) {
        m_loaded = true;
        QTimer::singleShot(0, this, &frmEvent::getEvent);
    }
}

void frmEvent::getEvent()
{
    bool found = false;
    Failure failure;
    Prompter &prompter = m_program.context().prompter();
    if (!m_program.context().store().eventRecord(m_program.state().eventId, m_seen, found,
                                                 failure)) {
        prompter.message(failure.message(eventsUnreadable), QStringLiteral("Database Error"),
                         Prompter::Icon::Warning);
        return;
    }
    if (!found) {
        m_eventGone = true;
        prompter.message(eventRemoved, windowTitle(), Prompter::Icon::Information);
        reject();
        return;
    }
    m_ui->txtEventDate->setText(TextForms::screenDate(m_seen.eventDate));
    m_ui->txtEventTime->setText(TextForms::screenTimeShort(m_seen.eventTime));
    m_ui->txtEvent->setText(m_seen.event);
    m_ui->txtEventTime->setFocus();
    m_ui->cmdOK->setEnabled(false);
}

void frmEvent::addInstead()
{
    m_revising = false;
    setWindowTitle(QStringLiteral("New Event"));
    m_ui->cmdOK->setText(QStringLiteral("&Add Event"));
}

void frmEvent::enableOK()
{
    m_ui->cmdOK->setEnabled(MaskedEntry::holdsText(m_ui->txtEventDate) &&
                            MaskedEntry::holdsText(m_ui->txtEventTime) &&
                            !m_ui->txtEvent->text().isEmpty());
}

bool frmEvent::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (m_ui->cmdOK->isEnabled())
                write();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmEvent::write()
{
    Prompter &prompter = m_program.context().prompter();
    const ClientState &state = m_program.state();
    CalendarEvent event{state.eventId, state.userNumber, MaskedEntry::date(m_ui->txtEventDate),
                        MaskedEntry::time(m_ui->txtEventTime), m_ui->txtEvent->text()};
    if (!event.eventDate.isValid()) {
        prompter.message(
            QStringLiteral("Invalid Event Date.  Please make sure the format is mm/dd/yyyy"),
            QStringLiteral("Date Error"), Prompter::Icon::Critical);
        m_ui->txtEventDate->setFocus();
        return;
    }
    if (!event.eventTime.isValid()) {
        prompter.message(
            QStringLiteral("Invalid Event Time.  Please make sure the format is in hh:mm am/pm"),
            QStringLiteral("Time Error"), Prompter::Icon::Critical);
        m_ui->txtEventTime->setFocus();
        return;
    }

    Store &store = m_program.context().store();
    Failure failure;
    bool written = false;
    bool found = true;
    if (m_revising)
        written = store.reviseEvent(m_seen, event, found, failure);
    else
        written = store.addEvent(event, event.eventID, failure);
    // Another desk of the same representative changed or removed the event: what was typed
    // stays, for the representative to write knowingly.
    if (!written && failure.number == FailureNumber::ChangedElsewhere) {
        bool stillThere = false;
        Failure reread;
        if (store.eventRecord(event.eventID, m_seen, stillThere, reread) && stillThere)
            Q_EMIT changedElsewhere();
        prompter.message(failure.description, windowTitle(), Prompter::Icon::Warning);
        return;
    }
    if (!written) {
        prompter.message(failure.message(QStringLiteral("Error writing to the events database!")),
                         QStringLiteral("Database Error"), Prompter::Icon::Warning);
        return;
    }
    if (!found) {
        m_eventGone = true;
        Q_EMIT changedElsewhere();
        prompter.message(eventRemoved + QStringLiteral("  What you typed stays; Add Event adds it "
                                                       "as a new event."),
                         windowTitle(), Prompter::Icon::Information);
        addInstead();
        return;
    }
    m_writtenDay = event.eventDate;
    accept();
}
