#pragma once

class QLineEdit;

/// Makes `entry` select its whole text whenever it gets the focus, also when it was clicked: a
/// masked entry would otherwise keep the cursor where the click landed.
void selectAllOnFocus(QLineEdit *entry);
