#include "BoardWindow.h"

#include "BoardColours.h"
#include "BoardModel.h"
#include "BoardPanel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace {
QLabel *headerLabel(const QString &objectName, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

/// "12 min" within the day; a customer left from an earlier day waited "1 day", "2 days".
QString waitedText(int minutes)
{
    constexpr int MinutesADay = 24 * 60;
    if (minutes < MinutesADay)
        return QStringLiteral("%1 min").arg(minutes);
    const int days = minutes / MinutesADay;
    return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
}

void setPixelFont(QWidget *widget, qreal pixels, bool bold)
{
    QFont font = widget->font();
    font.setPixelSize(qMax(1, qRound(pixels)));
    font.setBold(bold);
    widget->setFont(font);
}
} // namespace

BoardWindow::BoardWindow(BoardModel &model, QWidget *parent)
    : QWidget(parent), m_model(model), m_header(new QWidget(this))
{
    setObjectName(QStringLiteral("BoardWindow"));
    setWindowTitle(model.title());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, BoardColours::background);
    setPalette(palette);
    setAutoFillBackground(true);

    m_header->setObjectName(QStringLiteral("header"));
    m_header->setAutoFillBackground(true);
    QPalette headerPalette = m_header->palette();
    headerPalette.setColor(QPalette::Window, BoardColours::header);
    headerPalette.setColor(QPalette::WindowText, BoardColours::headerInk);
    m_header->setPalette(headerPalette);
    m_title = headerLabel(QStringLiteral("lblTitle"), m_header);
    // Any title fits: it takes the room left and elides, the window never widens for it.
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_title->installEventFilter(this);
    m_reconnecting = headerLabel(QStringLiteral("lblReconnecting"), m_header);
    m_reconnecting->setText(QStringLiteral("reconnecting"));
    m_reconnecting->setStyleSheet(
        QStringLiteral("color: %1;").arg(BoardColours::reconnecting.name()));
    m_reconnecting->hide();
    m_date = headerLabel(QStringLiteral("lblDate"), m_header);
    m_time = headerLabel(QStringLiteral("lblTime"), m_header);
    auto *headerRow = new QHBoxLayout(m_header);
    headerRow->addWidget(m_title, 1);
    headerRow->addWidget(m_reconnecting);
    headerRow->addWidget(m_date);
    headerRow->addWidget(m_time);

    m_serving = new BoardPanel(QStringLiteral("Now serving"), QStringLiteral("No one yet"),
                               BoardPanel::Mark::Highlight, this);
    m_serving->setObjectName(QStringLiteral("panelServing"));
    m_waiting = new BoardPanel(QStringLiteral("Waiting"), QStringLiteral("No one is waiting"),
                               BoardPanel::Mark::Overdue, this);
    m_waiting->setObjectName(QStringLiteral("panelWaiting"));
    // Until the queue is first read there is no one to show: an empty list would read as an
    // empty lobby across the room.
    m_waitingForQueue = new QLabel(QStringLiteral("Waiting for the queue\u2026"), this);
    m_waitingForQueue->setObjectName(QStringLiteral("lblWaitingForQueue"));
    m_waitingForQueue->setTextFormat(Qt::PlainText);
    m_waitingForQueue->setAlignment(Qt::AlignCenter);
    QPalette waitingPalette = m_waitingForQueue->palette();
    waitingPalette.setColor(QPalette::WindowText, BoardColours::detail);
    m_waitingForQueue->setPalette(waitingPalette);
    auto *lists = new QHBoxLayout;
    lists->addWidget(m_serving, 11);
    lists->addWidget(m_waiting, 9);
    lists->addWidget(m_waitingForQueue, 1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_header);
    column->addLayout(lists, 1);

    connect(&m_model, &BoardModel::updated, this, &BoardWindow::showModel);
    m_clockTimer.setInterval(1000);
    connect(&m_clockTimer, &QTimer::timeout, this, &BoardWindow::showClock);
    m_clockTimer.start();
    showModel();
    scaleText();
}

qreal BoardWindow::unitFor(const QSize &size)
{
    return qMax(8.0, qMin(size.height() / 22.0, size.width() / 36.0));
}

void BoardWindow::showModel()
{
    QList<BoardPanel::Row> serving;
    for (const BoardModel::ServingRow &row : m_model.serving()) {
        // With a desk, where to go; without, who serves, as before desks.
        const bool atDesk = !row.desk.isEmpty();
        serving.append({atDesk ? row.customer + QStringLiteral(" \u2192 ") + row.desk : row.customer,
                        atDesk || row.representative.isEmpty()
                            ? QString()
                            : QStringLiteral("with ") + row.representative,
                        row.highlighted});
    }
    m_serving->setRows(serving);
    QList<BoardPanel::Row> waiting;
    for (const BoardModel::WaitingRow &row : m_model.waiting()) {
        QString detail = waitedText(row.minutesWaited);
        if (!row.estimate.isEmpty())
            detail += QStringLiteral(" \u00b7 wait ") + row.estimate;
        waiting.append({row.customer, detail, row.overdue});
    }
    m_waiting->setRows(waiting);
    m_waiting->setCount(int(waiting.size()));
    const bool waitingForQueue = m_model.waitingForQueue();
    m_waitingForQueue->setVisible(waitingForQueue);
    m_serving->setVisible(!waitingForQueue);
    m_waiting->setVisible(!waitingForQueue);
    m_reconnecting->setVisible(m_model.reconnecting() && !waitingForQueue);
    showClock();
}

void BoardWindow::showClock()
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QDateTime now = m_model.now();
    m_date->setText(us.toString(now.date(), QStringLiteral("dddd, MMMM d")));
    m_time->setText(us.toString(now.time(), QStringLiteral("h:mm AP")));
}

void BoardWindow::scaleText()
{
    const qreal unit = unitFor(size());
    const int margin = qRound(0.5 * unit);
    m_header->layout()->setContentsMargins(qRound(0.8 * unit), margin, qRound(0.8 * unit), margin);
    m_header->layout()->setSpacing(qRound(0.9 * unit));
    layout()->setSpacing(margin);
    auto *lists = static_cast<QBoxLayout *>(layout()->itemAt(1)->layout());
    lists->setContentsMargins(margin, 0, margin, margin);
    lists->setSpacing(margin);
    setPixelFont(m_title, 1.2 * unit, true);
    setPixelFont(m_reconnecting, 0.5 * unit, true);
    setPixelFont(m_date, 0.65 * unit, false);
    setPixelFont(m_time, 1.2 * unit, true);
    setPixelFont(m_waitingForQueue, 1.2 * unit, false);
    m_serving->setUnit(unit);
    m_waiting->setUnit(unit);
}

bool BoardWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_title &&
        (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)) {
        m_title->setText(
            m_title->fontMetrics().elidedText(m_model.title(), Qt::ElideRight, m_title->width()));
        m_title->setToolTip(m_model.title());
    }
    return QWidget::eventFilter(watched, event);
}

void BoardWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scaleText();
}

void BoardWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11)
        setWindowState(windowState() ^ Qt::WindowFullScreen);
    else if (event->key() == Qt::Key_Escape ||
             (event->key() == Qt::Key_Q && event->modifiers() == Qt::ControlModifier))
        close();
    else
        QWidget::keyPressEvent(event);
}

void BoardWindow::changeEvent(QEvent *event)
{
    // Full screen on a wall, the pointer only spoils the picture.
    if (event->type() == QEvent::WindowStateChange)
        setCursor(isFullScreen() ? Qt::BlankCursor : Qt::ArrowCursor);
    QWidget::changeEvent(event);
}
