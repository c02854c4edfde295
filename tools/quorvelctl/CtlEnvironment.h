#pragma once

#include "Clock.h"
#include "CoreContext.h"
#include "ProgramEnd.h"
#include "Prompter.h"

#include <QTextStream>

/// Prints every box to stderr as "TITLE: TEXT" and answers no question.
class StderrPrompter final : public Prompter
{
public:
    void message(const QString &text, const QString &title, Icon icon) override;
    bool ask(const QString &text, const QString &title, Icon icon) override;
    int shown = 0;
};

/// The core context of one quorvelctl run, on one program folder.
class CtlEnvironment
{
public:
    explicit CtlEnvironment(const QString &programFolder);

    CoreContext &context() { return m_context; }
    StderrPrompter &prompter() { return m_prompter; }
    QTextStream &out() { return m_out; }

    /// Prints "quorvelctl: TEXT" to stderr.
    void error(const QString &text);

    /// Takes "NAME VALUE" out of `args`; false when NAME is there without a value.
    static bool takeOption(QStringList &args, const QString &name, QString &value, bool &given);
    /// Parses "--user N" out of `args`; false (after an error) when N is not a number.
    static bool takeUserOption(QStringList &args, int &user, bool &given);
    /// A whole number; false when `text` is not one.
    static bool parseNumber(const QString &text, int &value);

private:
    StderrPrompter m_prompter;
    SystemClock m_clock;
    ProcessEnd m_end;
    CoreContext m_context;
    QTextStream m_out;
};
