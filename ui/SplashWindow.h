#pragma once

#include "ProgramInfo.h"
#include "SingleInstance.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class ProgramEnd;
class Prompter;
namespace Ui {
class SplashWindow;
}

/// The window each program shows first. Its load refuses a second copy of the program; half a
/// second after it is first shown it asks the program to start up (`startUp`); a click on it
/// before then closes it and ends the program. Keep it alive for the whole run: it holds the
/// single-instance lock.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    SplashWindow(const ProgramInfo &info, Prompter &prompter, ProgramEnd &programEnd,
                 QWidget *parent = nullptr);
    ~SplashWindow() override;

    /// False, after "Quorvel is already running" and the program's end, when another copy runs.
    bool load();

    static constexpr int StartDelayMilliseconds = 500;

Q_SIGNALS:
    /// The start timer has fired: the program's start-up runs now.
    void startUp();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startTimerFired();

    std::unique_ptr<Ui::SplashWindow> m_ui;
    Prompter &m_prompter;
    ProgramEnd &m_programEnd;
    SingleInstance m_instance;
    QTimer m_timer1;
    bool m_timerStarted = false;
    bool m_startedUp = false;
};
