#include "BoardPanel.h"

#include "BoardColours.h"

#include <QPainter>
#include <QPainterPath>

BoardPanel::BoardPanel(const QString &caption, const QString &emptyText, Mark mark, QWidget *parent)
    : QWidget(parent), m_caption(caption), m_emptyText(emptyText), m_mark(mark)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void BoardPanel::setRows(const QList<Row> &rows)
{
    m_rows = rows;
    update();
}

void BoardPanel::setCount(int count)
{
    m_count = count;
    update();
}

void BoardPanel::setUnit(qreal pixels)
{
    m_unit = pixels;
    update();
}

QFont BoardPanel::fontOf(qreal size, bool bold) const
{
    QFont font = this->font();
    font.setPixelSize(qMax(1, qRound(size * m_unit)));
    font.setBold(bold);
    return font;
}

QList<BoardPanel::Line> BoardPanel::visibleLines() const
{
    const int fit = qMax(0, int((height() - captionHeight()) / rowHeight()));
    const bool overflow = m_rows.size() > fit;
    const int shown = overflow ? qMax(0, fit - 1) : int(m_rows.size());
    QList<Line> lines;
    for (int i = 0; i < shown; ++i)
        lines.append({m_rows.at(i).text, m_rows.at(i).detail, m_rows.at(i).marked, false});
    if (overflow && fit > 0)
        lines.append(
            {QStringLiteral("+%1 more").arg(m_rows.size() - shown), QString(), false, true});
    return lines;
}

void BoardPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(card, 0.3 * m_unit, 0.3 * m_unit);
    painter.fillPath(outline, BoardColours::card);
    painter.setClipPath(outline);

    const qreal pad = 0.6 * m_unit;
    const QRectF caption(card.left() + pad, card.top(), card.width() - 2 * pad, captionHeight());
    painter.setPen(BoardColours::accent);
    painter.setFont(fontOf(0.85, true));
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, m_caption);
    if (m_count >= 0) {
        painter.setFont(fontOf(1.1, true));
        painter.drawText(caption, Qt::AlignRight | Qt::AlignVCenter, QString::number(m_count));
    }
    painter.fillRect(
        QRectF(card.left(), caption.bottom() - 0.08 * m_unit, card.width(), 0.08 * m_unit),
        BoardColours::accent);

    const QList<Line> lines = visibleLines();
    if (lines.isEmpty() && m_rows.isEmpty()) {
        painter.setPen(BoardColours::muted);
        QFont font = fontOf(0.8, false);
        font.setItalic(true);
        painter.setFont(font);
        painter.drawText(QRectF(caption.left(), caption.bottom(), caption.width(), rowHeight()),
                         Qt::AlignLeft | Qt::AlignVCenter, m_emptyText);
    }
    qreal top = caption.bottom();
    for (int i = 0; i < lines.size(); ++i, top += rowHeight()) {
        const Line &line = lines.at(i);
        const QRectF band(card.left(), top, card.width(), rowHeight());
        const bool highlighted = line.marked && m_mark == Mark::Highlight;
        const bool overdue = line.marked && m_mark == Mark::Overdue;
        if (highlighted) {
            painter.fillRect(band, BoardColours::highlight);
            painter.fillRect(QRectF(band.left(), band.top(), 0.25 * m_unit, band.height()),
                             BoardColours::highlightEdge);
        } else if (i % 2 == 1) {
            painter.fillRect(band, BoardColours::stripe);
        }
        const QRectF text = band.adjusted(pad, 0, -pad, 0);
        if (line.more) {
            painter.setPen(BoardColours::muted);
            painter.setFont(fontOf(0.8, true));
            painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, line.text);
            continue;
        }
        const QColor ink = overdue ? BoardColours::overdue : BoardColours::ink;
        // The wait takes the room the name leaves, and beyond that is read smaller rather than
        // cut short, down to a size still legible.
        const QFont nameFont = fontOf(0.95, overdue || highlighted);
        const qreal nameAdvance = QFontMetricsF(nameFont).horizontalAdvance(line.text);
        const int detailRoom = int(std::max(text.width() * 0.6, text.width() - nameAdvance - pad));
        for (int twentieths = 14; twentieths >= 10; --twentieths) {
            painter.setFont(fontOf(twentieths / 20.0, overdue));
            if (painter.fontMetrics().horizontalAdvance(line.detail) <= detailRoom)
                break;
        }
        const QString detail =
            painter.fontMetrics().elidedText(line.detail, Qt::ElideRight, detailRoom);
        const int detailWidth =
            detail.isEmpty() ? 0 : painter.fontMetrics().horizontalAdvance(detail);
        painter.setPen(overdue ? ink : BoardColours::detail);
        painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter, detail);

        painter.setPen(ink);
        painter.setFont(nameFont);
        const qreal nameWidth = text.width() - detailWidth - (detail.isEmpty() ? 0 : pad);
        painter.drawText(
            text, Qt::AlignLeft | Qt::AlignVCenter,
            painter.fontMetrics().elidedText(line.text, Qt::ElideRight, int(nameWidth)));
    }
}
