#include "QuorvelLogo.h"

#include <QPainter>
#include <QPainterPath>

QPixmap quorvelLogo(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0x8b));
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    // A ring with a tail: the Q, and three waiting dots inside it.
    QPen ring(Qt::white, s * 0.09, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(ring);
    painter.setBrush(Qt::NoBrush);
    const QRectF circle(s * 0.2, s * 0.17, s * 0.6, s * 0.6);
    painter.drawEllipse(circle);
    painter.drawLine(QPointF(s * 0.6, s * 0.64), QPointF(s * 0.8, s * 0.84));

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf2, 0xb1, 0x34));
    const qreal dot = s * 0.075;
    for (int i = 0; i < 3; ++i)
        painter.drawEllipse(QPointF(s * (0.38 + 0.12 * i), s * 0.47), dot, dot);
    return pixmap;
}
