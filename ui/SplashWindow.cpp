#include "SplashWindow.h"

#include "ui_SplashWindow.h"

#include "ProgramEnd.h"
#include "Prompter.h"
#include "QuorvelLogo.h"
#include "WindowPlacement.h"

#include <QMouseEvent>

SplashWindow::SplashWindow(const ProgramInfo &info, Prompter &prompter, ProgramEnd &programEnd,
                           QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_ui(std::make_unique<Ui::SplashWindow>()), m_prompter(prompter), m_programEnd(programEnd),
      m_instance(info.instanceName)
{
    m_ui->setupUi(this);
    m_ui->imgLogo->setPixmap(quorvelLogo(96));
    m_ui->lblProductName->setText(info.title);
    m_ui->lblRole->setText(info.role);
    m_ui->strVersion->setText(info.versionText());
    m_ui->lblLegalNotice->setText(info.legalNotice);
    m_ui->Frame1->installEventFilter(this);

    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setParent(this);
    m_timer1.setSingleShot(true);
    m_timer1.setInterval(StartDelayMilliseconds);
    connect(&m_timer1, &QTimer::timeout, this, &SplashWindow::startTimerFired);
}

SplashWindow::~SplashWindow() = default;

bool SplashWindow::load()
{
    if (!m_instance.acquire()) {
        m_prompter.message(QStringLiteral("Quorvel is already running"), QStringLiteral("Quorvel"),
                           Prompter::Icon::Critical);
        m_programEnd.endProgram(1);
        return false;
    }
    adjustSize();
    centreOnScreen(this);
    return true;
}

void SplashWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Counted from the first showing rather than the first activation: a window manager that
    // keeps new windows from taking the focus would otherwise leave the splash waiting forever.
    if (!m_timerStarted) {
        m_timerStarted = true;
        m_timer1.start();
    }
}

void SplashWindow::startTimerFired()
{
    m_startedUp = true;
    Q_EMIT startUp();
}

bool SplashWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Frame1 && event->type() == QEvent::MouseButtonPress) {
        close();
        if (!m_startedUp) {
            m_timer1.stop();
            m_programEnd.endProgram(0);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
