#include "HelpText.h"

#include "ProgramVersion.h"

#include <QRegularExpression>

namespace HelpText {

namespace {
constexpr int Width = 79;

const char *const Synopsis = "quorvelctl [--folder DIR] ";

/// `text` filled to the width, every line indented by `indent`; paragraphs are kept apart by a
/// blank line.
QString wrapped(const QString &text, int indent)
{
    const QString pad(indent, QLatin1Char(' '));
    QStringList paragraphs;
    for (const QString &paragraph : text.split(QStringLiteral("\n\n"))) {
        QString lines = pad;
        int column = indent;
        for (const QString &word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (column > indent && column + 1 + word.size() > Width) {
                lines += QLatin1Char('\n') + pad;
                column = indent;
            } else if (column > indent) {
                lines += QLatin1Char(' ');
                ++column;
            }
            lines += word;
            column += word.size();
        }
        paragraphs.append(lines + QLatin1Char('\n'));
    }
    return paragraphs.join(QLatin1Char('\n'));
}

/// Terms in a column, meanings beside them; a term too long for the column gets a line of its
/// own.
QString itemList(const QList<HelpItem> &items, int indent)
{
    constexpr int LongestBeside = 17;
    int termWidth = 0;
    for (const HelpItem &item : items) {
        if (item.term.size() <= LongestBeside)
            termWidth = std::max(termWidth, int(item.term.size()));
    }
    const int meaningColumn = indent + termWidth + 2;
    QString result;
    for (const HelpItem &item : items) {
        const QString term = QString(indent, QLatin1Char(' ')) + item.term;
        QString meaning = wrapped(item.meaning, meaningColumn);
        if (item.term.size() > LongestBeside)
            result += term + QLatin1Char('\n') + meaning;
        else
            result += meaning.replace(0, meaningColumn, term.leftJustified(meaningColumn));
    }
    return result;
}

const QList<HelpItem> &generalOptions()
{
    static const QList<HelpItem> options = {
        {QStringLiteral("--folder DIR"),
         QStringLiteral("the program folder to work on; the default is the folder that holds "
                        "quorvelctl")},
        {QStringLiteral("--help"),
         QStringLiteral("this text; \"quorvelctl COMMAND --help\" prints a command's help")},
        {QStringLiteral("--version"), QStringLiteral("the version of quorvelctl")},
    };
    return options;
}

const QList<HelpItem> &generalExitStatuses()
{
    static const QList<HelpItem> statuses = {
        {QStringLiteral("0"), QStringLiteral("done")},
        {QStringLiteral("1"), QStringLiteral("failed; the reason is printed on standard error, "
                                             "as \"TITLE: TEXT\" or \"quorvelctl: TEXT\"")},
        {QStringLiteral("2"), QStringLiteral("wrong usage")},
        {QStringLiteral("3"), QStringLiteral("refused: the customer is taken by another "
                                             "representative or is no longer in the queue")},
    };
    return statuses;
}

QString head()
{
    return QStringLiteral("Usage: %1COMMAND [ARGUMENTS]\n").arg(QLatin1String(Synopsis)) +
           wrapped(QStringLiteral("Lays out a Quorvel program folder, checks it, puts the "
                                  "programs in a workstation's menu, and drives the lobby queue, "
                                  "the history and the directory of representatives and services "
                                  "from a terminal."),
                   0);
}

QString tail()
{
    return QStringLiteral("\nOptions:\n") + itemList(generalOptions(), 2) +
           QStringLiteral("\nExit status:\n") + itemList(generalExitStatuses(), 2);
}

/// The sections of one command's help below its usage line, indented by `indent`.
QString body(const Command &command, int indent)
{
    const CommandHelp &help = command.help;
    const QString pad(indent, QLatin1Char(' '));
    QString text = wrapped(help.description.isEmpty() ? help.summary : help.description, indent);
    if (!help.options.isEmpty())
        text += QLatin1Char('\n') + pad + QStringLiteral("Arguments and options:\n") +
                itemList(help.options, indent + 2);
    QList<HelpItem> statuses = help.exitStatuses;
    const HelpItem &usage = generalExitStatuses().at(2);
    if (std::none_of(statuses.begin(), statuses.end(),
                     [&](const HelpItem &item) { return item.term == usage.term; }))
        statuses.append(usage);
    std::stable_sort(statuses.begin(), statuses.end(),
                     [](const HelpItem &a, const HelpItem &b) { return a.term < b.term; });
    text +=
        QLatin1Char('\n') + pad + QStringLiteral("Exit status:\n") + itemList(statuses, indent + 2);
    if (!help.example.isEmpty())
        text += QLatin1Char('\n') + pad + QStringLiteral("Example:\n") + pad +
                QStringLiteral("  $ ") + help.example + QLatin1Char('\n');
    return text;
}

QString usageLine(const Command &command)
{
    return QLatin1String(Synopsis) + command.name +
           (command.usage.isEmpty() ? QString() : QLatin1Char(' ') + command.usage);
}
} // namespace

QString overview()
{
    QList<HelpItem> lines;
    for (const Command &command : allCommands())
        lines.append({command.name, command.help.summary});
    return head() + QStringLiteral("\nCommands:\n") + itemList(lines, 2) + tail() +
           QLatin1Char('\n') +
           wrapped(QStringLiteral("Run \"quorvelctl help COMMAND\" for a command's usage, "
                                  "options, exit statuses and an example."),
                   0);
}

QString ofCommand(const Command &command)
{
    // A long usage goes on under the command's name, an option and its value on one line.
    constexpr int Hanging = 9;
    const QChar keepTogether(0x00A0);
    static const QRegularExpression optionWithValue(QStringLiteral("(--[a-z-]+) (?=[A-Z])"));
    QString usage = QStringLiteral("Usage: ") + usageLine(command);
    usage.replace(optionWithValue, QStringLiteral("\\1") + keepTogether);
    return wrapped(usage, Hanging).mid(Hanging).replace(keepTogether, QLatin1Char(' ')) +
           body(command, 0);
}

QString manual()
{
    QString text = head();
    for (const Command &command : allCommands())
        text += QLatin1Char('\n') + usageLine(command) + QStringLiteral(":\n") + body(command, 2);
    return text + tail();
}

QString version()
{
    return ProgramVersion::text(QStringLiteral("quorvelctl"));
}

QList<Command> commandsNamed(const QStringList &words)
{
    QList<Command> found;
    for (const Command &command : allCommands()) {
        const QStringList name = command.name.split(QLatin1Char(' '));
        if (words.mid(0, name.size()) == name)
            return {command};
        if (name.mid(0, words.size()) == words)
            found.append(command);
    }
    return found;
}

} // namespace HelpText
