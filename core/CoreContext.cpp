#include "CoreContext.h"

#include "kzrUtility.h"

Prompter *CoreContext::setPrompter(Prompter &prompter)
{
    Prompter *previous = m_prompter;
    m_prompter = &prompter;
    return previous;
}

void CoreContext::log(const QString &message) const
{
    if (params.logEnabled)
        kzrUtility(*this).insertLogEntry(message, params.logPath);
}
