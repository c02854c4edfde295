#pragma once

class QWidget;

/// Puts `window` in the middle of the screen it is on (the primary screen before it is shown).
void centreOnScreen(QWidget *window);
