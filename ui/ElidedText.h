#pragma once

class QLabel;
class QString;
class QTreeWidget;

/// Shows `text` in `label` cut to the label's width with an ellipsis, and the whole text as the
/// label's tool tip while it is cut. The label no longer asks for the width of its whole text,
/// so a long name never widens its window; the text is cut again whenever the label is resized.
void setElidedText(QLabel *label, const QString &text);

/// Lets a cell of `list` whose text is cut show its whole text as tool tip; elsewhere the list's
/// own tool tip shows as before.
void showCutCellsWhole(QTreeWidget *list);
