#pragma once

#include <QColor>

/// The board's colours: quiet, high-contrast, readable across a lobby. Overdue is the red the
/// other programs mark overdue customers with.
namespace BoardColours {
inline const QColor background(0xe9, 0xed, 0xf2);
inline const QColor header(0x1d, 0x35, 0x57);
inline const QColor headerInk(0xff, 0xff, 0xff);
inline const QColor card(0xff, 0xff, 0xff);
inline const QColor stripe(0xf3, 0xf5, 0xf9);
inline const QColor accent(0x1d, 0x35, 0x57);
inline const QColor ink(0x1a, 0x1a, 0x1a);
inline const QColor detail(0x45, 0x55, 0x6b);
inline const QColor muted(0x7a, 0x86, 0x96);
inline const QColor highlight(0xff, 0xe0, 0x82);
inline const QColor highlightEdge(0xf5, 0x9e, 0x0b);
inline const QColor overdue(255, 0, 0);
inline const QColor reconnecting(0xf5, 0x9e, 0x0b);
} // namespace BoardColours
