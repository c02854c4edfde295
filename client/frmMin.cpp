#include "frmMin.h"

#include "ui_frmMin.h"

#include "QuorvelLogo.h"

#include <QCloseEvent>

frmMin::frmMin()
    : QWidget(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::frmMin>())
{
    m_ui->setupUi(this);
    setFixedSize(size());
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui->Image1->setPixmap(quorvelLogo(32));
    // The count stays put while the picture blinks beside it.
    QSizePolicy keepPlace = m_ui->Image1->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_ui->Image1->setSizePolicy(keepPlace);

    m_picTimer.setObjectName(QStringLiteral("picTimer"));
    m_picTimer.setParent(this);
    m_picTimer.setInterval(BlinkMilliseconds);
    connect(&m_picTimer, &QTimer::timeout, this,
            [this] { m_ui->Image1->setVisible(!m_ui->Image1->isVisible()); });
}

frmMin::~frmMin() = default;

void frmMin::showCount(int waitingCount, int overdueCount)
{
    m_ui->lblWaiting->setText(QStringLiteral("+") + QString::number(waitingCount));
    QPalette palette = m_ui->lblWaiting->palette();
    palette.setColor(QPalette::WindowText, overdueCount < 1 ? QColor(0, 0, 0) : QColor(255, 0, 0));
    m_ui->lblWaiting->setPalette(palette);
    if (waitingCount > 0) {
        if (!m_picTimer.isActive())
            m_picTimer.start();
    } else {
        m_picTimer.stop();
        m_ui->Image1->hide();
    }
}

void frmMin::setTopmost(bool onTop)
{
    const bool visible = isVisible();
    const QRect geometry = this->geometry();
    // Changing the flag hides a shown window; it comes back where it was.
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) {
        setGeometry(geometry);
        show();
    }
}

void frmMin::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT restoreRequested();
}

void frmMin::closeEvent(QCloseEvent *event)
{
    m_picTimer.stop();
    Q_EMIT unloaded(pos());
    QWidget::closeEvent(event);
}
