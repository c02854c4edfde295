#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

class Clock;
class QLabel;
class QStatusBar;

/// The three panels of a main window's status bar: today's date and the time, both kept current
/// from the program's clock, and the queue count text; beside them, notices the user should not
/// miss, while they hold.
class StatusPanels : public QObject
{
    Q_OBJECT

public:
    StatusPanels(QStatusBar *bar, const Clock &clock);

    void setQueueCount(int waiting);

    /// Shows why the queue file cannot be read ("The queue file cannot be read: …") before any
    /// other notice; an empty `problem` takes it away.
    void showQueueUnreadable(const QString &problem);
    /// Shows `text` as a notice, or takes it away.
    void setNotice(const QString &text, bool shown);

    /// "0 customers in queue", "1 customer in queue", "2 customers in queue".
    static QString queueCountText(int waiting);

private:
    void showNow();
    void showNotices();

    const Clock &m_clock;
    QLabel *m_date;
    QLabel *m_time;
    QLabel *m_queue;
    QLabel *m_notice;
    QString m_urgentNotice;
    QStringList m_notices;
    QTimer m_tick;
};
