#pragma once

#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui {
class frmMin;
}

/// The small "Lobby Queue" window shown while the main window is minimised: the waiting count,
/// red when someone waits too long, and a picture that blinks while anyone waits. A double-click
/// asks for the main window back.
class frmMin : public QWidget
{
    Q_OBJECT

public:
    frmMin();
    ~frmMin() override;

    static constexpr int BlinkMilliseconds = 1000;

    /// "+" and the count, black or red by the overdue count; the picture blinks while anyone waits.
    void showCount(int waitingCount, int overdueCount);

    /// On top of all other windows, or not; the window keeps its position and size.
    void setTopmost(bool onTop);

Q_SIGNALS:
    void restoreRequested();
    /// The window closes at `position`.
    void unloaded(const QPoint &position);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::frmMin> m_ui;
    QTimer m_picTimer;
};
