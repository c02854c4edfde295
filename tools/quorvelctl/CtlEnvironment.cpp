#include "CtlEnvironment.h"

#include <cstdio>

void StderrPrompter::message(const QString &text, const QString &title, Icon)
{
    ++shown;
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(flat));
}

bool StderrPrompter::ask(const QString &text, const QString &title, Icon icon)
{
    message(text, title, icon);
    return false;
}

CtlEnvironment::CtlEnvironment(const QString &programFolder)
    : m_context(m_prompter, m_clock, m_end), m_out(stdout)
{
    loadSystemParameters(programFolder, m_context.params);
    formFilePaths(m_context.params);
}

void CtlEnvironment::error(const QString &text)
{
    std::fprintf(stderr, "quorvelctl: %s\n", qUtf8Printable(text));
}

bool CtlEnvironment::parseNumber(const QString &text, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

bool CtlEnvironment::takeOption(QStringList &args, const QString &name, QString &value, bool &given)
{
    given = false;
    const qsizetype at = args.indexOf(name);
    if (at < 0)
        return true;
    if (at + 1 >= args.size())
        return false;
    value = args.at(at + 1);
    given = true;
    args.remove(at, 2);
    return true;
}

bool CtlEnvironment::takeUserOption(QStringList &args, int &user, bool &given)
{
    QString number;
    return takeOption(args, QStringLiteral("--user"), number, given) &&
           (!given || parseNumber(number, user));
}
