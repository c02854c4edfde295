#include "MaskedEntry.h"

#include "TextForms.h"

#include <QLineEdit>

#include <algorithm>

namespace MaskedEntry {

bool holdsText(const QLineEdit *entry)
{
    const QString text = entry->text();
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber(); });
}

QDate date(const QLineEdit *entry)
{
    return TextForms::parseScreenDate(entry->displayText());
}

QTime time(const QLineEdit *entry)
{
    return TextForms::parseLooseTime(entry->displayText());
}

} // namespace MaskedEntry
