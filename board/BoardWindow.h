#pragma once

#include <QTimer>
#include <QWidget>

class BoardModel;
class BoardPanel;
class QLabel;

/// The lobby board: a header with the office's title, the date and the time, and beside each
/// other the customers now being served and the customers waiting. Text scales with the window.
/// F11 toggles full screen; Esc or Ctrl+Q closes; nothing else needs a key or the mouse.
class BoardWindow : public QWidget
{
    Q_OBJECT

public:
    explicit BoardWindow(BoardModel &model, QWidget *parent = nullptr);

    /// The size unit in pixels that fonts and rows follow, from the window's size.
    static qreal unitFor(const QSize &size);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showModel();
    void showClock();
    void scaleText();

    BoardModel &m_model;
    QWidget *m_header;
    QLabel *m_title;
    QLabel *m_reconnecting;
    QLabel *m_date;
    QLabel *m_time;
    BoardPanel *m_serving;
    BoardPanel *m_waiting;
    QLabel *m_waitingForQueue;
    QTimer m_clockTimer;
};
