#include "QueueListing.h"

#include "TextForms.h"

QString QueueRow::timeInText() const
{
    return TextForms::screenTime12(timeIn);
}

QString QueueRow::dateInText() const
{
    return TextForms::screenShortDate(dateIn);
}

bool isOverdue(const QTime &timeIn, const QTime &now, double maxLimit)
{
    return TextForms::minuteBoundaries(timeIn, now) >= maxLimit;
}

bool refreshOverdueMarks(QueueListing &listing, const QTime &now, double maxLimit)
{
    bool changed = false;
    listing.overdueCount = 0;
    for (QueueRow &row : listing.waiting) {
        const bool overdue = isOverdue(row.timeIn, now, maxLimit);
        changed = changed || overdue != row.overdue;
        row.overdue = overdue;
        if (overdue)
            ++listing.overdueCount;
    }
    return changed;
}
