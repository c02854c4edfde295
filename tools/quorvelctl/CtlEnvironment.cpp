#include "CtlEnvironment.h"

#include "Store.h"

#include <QFileInfo>

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

bool CtlEnvironment::acquire(LockedSection &section)
{
    Failure failure;
    if (section.acquire(failure))
        return true;
    section.close();
    error(failure.description);
    return false;
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
    given = false;
    const qsizetype at = args.indexOf(QStringLiteral("--user"));
    if (at < 0)
        return true;
    if (at + 1 >= args.size() || !parseNumber(args.at(at + 1), user))
        return false;
    given = true;
    args.remove(at, 2);
    return true;
}

bool CtlEnvironment::loadRepNames(RepNames &names)
{
    QList<Directory::User> users;
    Failure failure;
    if (!m_context.store().activeUsers(users, failure)) {
        error(failure.description);
        return false;
    }
    for (const Directory::User &user : users)
        names.add(user.userNumber, user.displayName());
    return true;
}

bool CtlEnvironment::takeSelection(QStringList &args, ExportSelection &selection, QString &database)
{
    QString from, to;
    bool hasFrom = false, hasTo = false, hasDb = false, byUser = false;
    Failure failure;
    if (!m_context.store().historyFile(database, failure)) {
        error(failure.description);
        return false;
    }
    if (!takeOption(args, QStringLiteral("--from"), from, hasFrom) ||
        !takeOption(args, QStringLiteral("--to"), to, hasTo) ||
        !takeOption(args, QStringLiteral("--service"), selection.service, selection.byService) ||
        !takeOption(args, QStringLiteral("--db"), database, hasDb) ||
        !takeUserOption(args, selection.servicedBy, byUser) || !hasFrom || !hasTo)
        return false;
    database = QFileInfo(database).absoluteFilePath();
    const QString wrong = HistoryExport::checkRange(from, to, selection);
    if (!wrong.isEmpty()) {
        error(wrong);
        return false;
    }
    return true;
}
