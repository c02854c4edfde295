#include "CoreContext.h"

#include "FolderStore.h"
#include "ServerStore.h"
#include "kzrUtility.h"

Store &CoreContext::store() const
{
    if (!m_store) {
        auto &self = const_cast<CoreContext &>(*this);
        if (params.serverConnection.isEmpty())
            m_store = std::make_shared<FolderStore>(self);
        else
            m_store = std::make_shared<ServerStore>(self, params.serverConnection);
        m_storeConnection = params.serverConnection;
    }
    // A store made before the configuration was read would quietly be another office's.
    Q_ASSERT_X(m_storeConnection == params.serverConnection, "CoreContext::store",
               "the store was made before the parameters were read");
    return *m_store;
}

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
