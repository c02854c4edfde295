#pragma once

#include <QPixmap>

/// The Quorvel mark, drawn at `size` pixels square: the splash picture and the window icon.
QPixmap quorvelLogo(int size);
