#include "StatusPanels.h"

#include "Clock.h"
#include "ElidedText.h"
#include "TextForms.h"

#include <QLabel>
#include <QStatusBar>

namespace {
QLabel *addPanel(QStatusBar *bar, const char *name, int minimumWidth, int stretch)
{
    auto *panel = new QLabel(bar);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMinimumWidth(minimumWidth);
    panel->setContentsMargins(4, 0, 4, 0);
    bar->addWidget(panel, stretch);
    return panel;
}
} // namespace

StatusPanels::StatusPanels(QStatusBar *bar, const Clock &clock)
    : QObject(bar), m_clock(clock), m_date(addPanel(bar, "panelDate", 90, 0)),
      m_time(addPanel(bar, "panelTime", 80, 0)), m_queue(addPanel(bar, "panelQueue", 160, 0)),
      m_notice(addPanel(bar, "panelNotice", 0, 3))
{
    bar->setSizeGripEnabled(false);
    m_notice->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_notice->hide();
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &StatusPanels::showNow);
    m_tick.start();
    showNow();
}

void StatusPanels::showNow()
{
    const QDateTime now = m_clock.now();
    m_date->setText(TextForms::screenDate(now.date()));
    m_time->setText(TextForms::screenTime12(now.time()));
}

void StatusPanels::setQueueCount(int waiting)
{
    m_queue->setText(queueCountText(waiting));
}

QString StatusPanels::queueCountText(int waiting)
{
    return QString::number(waiting) + (waiting == 1 ? QStringLiteral(" customer in queue")
                                                    : QStringLiteral(" customers in queue"));
}

void StatusPanels::showQueueUnreadable(const QString &problem)
{
    // It goes first: an unreadable queue otherwise looks like an empty lobby.
    m_urgentNotice = problem;
    showNotices();
}

void StatusPanels::setNotice(const QString &text, bool shown)
{
    m_notices.removeAll(text);
    // The newest goes first: a lasting notice (no audio) must not hide what just happened.
    if (shown)
        m_notices.prepend(text);
    showNotices();
}

void StatusPanels::showNotices()
{
    QStringList shown = m_notices;
    if (!m_urgentNotice.isEmpty())
        shown.prepend(m_urgentNotice);
    // A long notice is cut rather than widening the window.
    setElidedText(m_notice, shown.join(QStringLiteral("; ")));
    m_notice->setVisible(!shown.isEmpty());
}
