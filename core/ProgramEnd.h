#pragma once

/// "The program ends" goes through this hook; tests observe it instead of dying.
class ProgramEnd
{
public:
    virtual ~ProgramEnd() = default;
    virtual void endProgram(int exitCode) = 0;
};

/// Ends the process at once, as a fatal start-up message or a corrupted queue file requires.
class ProcessEnd final : public ProgramEnd
{
public:
    void endProgram(int exitCode) override;
};
