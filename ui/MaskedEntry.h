#pragma once

#include <QDate>
#include <QTime>

class QLineEdit;

/// Reading masked date and time entries. `QLineEdit::text()` drops the blanks of a mask, so a
/// partly typed "1_:30" would read as 1:30; these read what the user sees instead.
namespace MaskedEntry {

/// True when anything beyond the mask's separators has been typed.
bool holdsText(const QLineEdit *entry);

/// The "mm/dd/yyyy" date shown; invalid when a digit is blank or it is no date.
QDate date(const QLineEdit *entry);

/// The "hh:mm" time shown (24-hour); invalid when a digit is blank or it is no time of day.
QTime time(const QLineEdit *entry);

} // namespace MaskedEntry
