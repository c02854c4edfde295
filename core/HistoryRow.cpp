#include "HistoryRow.h"

#include "TextForms.h"

QString HistoryRow::timeInText() const
{
    return TextForms::screenTime12(lobbyTimeIn);
}

QString HistoryRow::customerText() const
{
    return firstName + QStringLiteral("  ") + lastName;
}
