#pragma once

#include "Clock.h"
#include "CoreContext.h"
#include "HistoryExport.h"
#include "LockedSection.h"
#include "ProgramEnd.h"
#include "Prompter.h"
#include "RepNames.h"

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

    /// Takes the queue lock for `section`; false, with the reason printed, when it cannot.
    bool acquire(LockedSection &section);

    /// Takes "NAME VALUE" out of `args`; false when NAME is there without a value.
    static bool takeOption(QStringList &args, const QString &name, QString &value, bool &given);
    /// Parses "--user N" out of `args`; false (after an error) when N is not a number.
    static bool takeUserOption(QStringList &args, int &user, bool &given);
    /// A whole number; false when `text` is not one.
    static bool parseNumber(const QString &text, int &value);

    /// Takes the options that choose visits out of `args`: --from and --to (both needed),
    /// --user N, --service TEXT, and --db FILE (made absolute; the current history without it).
    /// False when they are wrong, after saying what is wrong unless it is only usage.
    bool takeSelection(QStringList &args, ExportSelection &selection, QString &database);

    /// The names the reception gives at start-up: every active representative. False (after an
    /// error) when the directory cannot be read.
    bool loadRepNames(RepNames &names);

private:
    StderrPrompter m_prompter;
    SystemClock m_clock;
    ProcessEnd m_end;
    CoreContext m_context;
    QTextStream m_out;
};
