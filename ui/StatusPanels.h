#pragma once

#include <QObject>
#include <QTimer>

class Clock;
class QLabel;
class QStatusBar;

/// The three panels of a main window's status bar: today's date and the time, both kept current
/// from the program's clock, and the queue count text.
class StatusPanels : public QObject
{
    Q_OBJECT

public:
    StatusPanels(QStatusBar *bar, const Clock &clock);

    void setQueueCount(int waiting);

    /// "0 customers in queue", "1 customer in queue", "2 customers in queue".
    static QString queueCountText(int waiting);

private:
    void showNow();

    const Clock &m_clock;
    QLabel *m_date;
    QLabel *m_time;
    QLabel *m_queue;
    QTimer m_tick;
};
