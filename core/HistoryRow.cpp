#include "HistoryRow.h"
#include "HistoryRowColumns.h"

#include "TextForms.h"

QString HistoryRow::timeInText() const
{
    return TextForms::screenTime12(lobbyTimeIn);
}

QString HistoryRow::customerText() const
{
    return firstName + QStringLiteral("  ") + lastName;
}

namespace {
std::optional<int> numberOrNull(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional(value.toInt());
}
} // namespace

QString historyRowSelect()
{
    return QStringLiteral("SELECT id, firstName, lastName, serviceRequested, lobbyDateIn, "
                          "lobbyTimeIn, timeServiced, timeOut, servicedBy, serviceTime FROM "
                          "history ");
}

HistoryRow historyRowFrom(const QSqlQuery &query)
{
    return {query.value(0).toInt(),
            query.value(1).toString(),
            query.value(2).toString(),
            query.value(3).toString(),
            TextForms::parseDbDate(query.value(4).toString()),
            TextForms::parseDbTime(query.value(5).toString()),
            TextForms::parseDbTime(query.value(6).toString()),
            TextForms::parseDbTime(query.value(7).toString()),
            numberOrNull(query.value(8)),
            numberOrNull(query.value(9))};
}
