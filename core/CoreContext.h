#pragma once

#include "Clock.h"
#include "ProgramEnd.h"
#include "Prompter.h"
#include "SystemParameters.h"

#include <memory>

class Store;

/// What every core operation needs from its program: the configuration values, where boxes
/// go, what "now" is, and how the program ends. One per program (one per test).
class CoreContext
{
public:
    CoreContext(Prompter &prompter, Clock &clock, ProgramEnd &programEnd)
        : m_prompter(&prompter), m_clock(&clock), m_programEnd(&programEnd)
    {
    }

    SystemParameters params;

    Prompter &prompter() const { return *m_prompter; }
    const Clock &clock() const { return *m_clock; }
    ProgramEnd &programEnd() const { return *m_programEnd; }

    /// Swaps the prompter; returns the one it replaces (used to hold boxes back under the lock).
    Prompter *setPrompter(Prompter &prompter);

    /// Where the shared state lives, chosen by the configuration when first asked for: set
    /// `params` first.
    Store &store() const;

    /// Writes one log line when logging is on.
    void log(const QString &message) const;

private:
    Prompter *m_prompter;
    Clock *m_clock;
    ProgramEnd *m_programEnd;
    mutable std::shared_ptr<Store> m_store; // made on first use, so const readers may ask too
    mutable QString m_storeConnection;       // the connection it was made for
};
