#pragma once

#include "Clock.h"
#include "CoreContext.h"
#include "ProgramEnd.h"
#include "ProgramFolder.h"
#include "Prompter.h"

#include <QTemporaryDir>

#include <cstdio>

/// A fresh program folder for one benchmark run, on the real clock. Any box is a fault of the
/// run and is printed.
class BenchFolder
{
public:
    BenchFolder() : context(m_prompter, m_clock, m_end)
    {
        QString error;
        m_valid = m_dir.isValid() && ProgramFolder::create(m_dir.path(), error);
        if (!m_valid)
            std::fprintf(stderr, "%s\n", qPrintable(error));
        loadSystemParameters(m_dir.path(), context.params);
        formFilePaths(context.params);
    }

    /// The program folder `existing`, made by another process of the benchmark.
    explicit BenchFolder(const QString &existing) : context(m_prompter, m_clock, m_end)
    {
        m_valid = true;
        m_existing = existing;
        loadSystemParameters(existing, context.params);
        formFilePaths(context.params);
    }

    bool isValid() const { return m_valid; }
    QString dir() const { return m_existing.isEmpty() ? m_dir.path() : m_existing; }

private:
    class PrintingPrompter final : public Prompter
    {
    public:
        void message(const QString &text, const QString &, Icon) override
        {
            std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text));
        }
        bool ask(const QString &, const QString &, Icon) override { return false; }
    };

    QTemporaryDir m_dir;
    QString m_existing;
    PrintingPrompter m_prompter;
    SystemClock m_clock;
    ProcessEnd m_end;
    bool m_valid = false;

public:
    CoreContext context;
};
