#pragma once

#include "Clock.h"
#include "ProgramEnd.h"
#include "Prompter.h"
#include "SystemParameters.h"

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

    /// Writes one log line when logging is on.
    void log(const QString &message) const;

private:
    Prompter *m_prompter;
    Clock *m_clock;
    ProgramEnd *m_programEnd;
};
