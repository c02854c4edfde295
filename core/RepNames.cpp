#include "RepNames.h"

QString RepNames::name(int userNumber) const
{
    for (const Entry &entry : m_entries)
        if (entry.userNumber == userNumber)
            return entry.name;
    return {};
}

bool RepNames::contains(int userNumber) const
{
    for (const Entry &entry : m_entries)
        if (entry.userNumber == userNumber)
            return true;
    return false;
}
