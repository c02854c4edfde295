#include "TestSupport.h"

#include <QTest>

namespace {
ProgramRun ctl(const QStringList &args)
{
    return runProgram(builtProgram("quorvelctl"), args);
}

/// The command names of the overview's list, as "users add".
QStringList listedCommands(const QString &overview)
{
    QStringList names;
    const QStringList lines = overview.split('\n');
    for (qsizetype i = lines.indexOf("Commands:") + 1; i > 0 && i < lines.size(); ++i) {
        if (lines.at(i).isEmpty())
            break;
        names << lines.at(i).trimmed().section("  ", 0, 0);
    }
    return names;
}
} // namespace

class tst_ctl_help : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyCommandHasItsHelp();
    void theManualHoldsEveryCommand();
    void wrongUsageNamesTheWayOut();
};

void tst_ctl_help::everyCommandHasItsHelp()
{
    const ProgramRun overview = ctl({"--help"});
    QCOMPARE(overview.exitCode, 0);
    const QStringList commands = listedCommands(overview.out);
    for (const char *expected : {"init", "doctor", "launchers", "add", "take", "users add", "help"})
        QVERIFY2(commands.contains(expected), expected);

    for (const QString &command : commands) {
        const QStringList words = command.split(' ');
        const ProgramRun byOption = ctl(words + QStringList{"--help"});
        QCOMPARE(byOption.exitCode, 0);
        QVERIFY2(byOption.out.startsWith("Usage: quorvelctl [--folder DIR] " + command),
                 qPrintable(byOption.out));
        for (const char *section : {"\nExit status:\n  0  ", "\n  2  wrong usage", "\nExample:\n"})
            QVERIFY2(byOption.out.contains(section), qPrintable(command + ": " + section));
        for (const QString &line : byOption.out.split('\n'))
            QVERIFY2(line.size() <= 79, qPrintable(line));
        QCOMPARE(ctl(QStringList{"help"} + words).out, byOption.out);
    }
}

void tst_ctl_help::theManualHoldsEveryCommand()
{
    const ProgramRun manual = ctl({"help", "--all"});
    QCOMPARE(manual.exitCode, 0);
    for (const QString &command : listedCommands(ctl({"--help"}).out))
        QVERIFY2(manual.out.contains("\nquorvelctl [--folder DIR] " + command),
                 qPrintable(command));
    QVERIFY(manual.out.contains("\nOptions:\n  --folder DIR"));
    QCOMPARE(ctl({"--version"}).out.section(' ', 0, 0), QString("quorvelctl"));
}

void tst_ctl_help::wrongUsageNamesTheWayOut()
{
    const ProgramRun unknown = ctl({"frobnicate"});
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY(unknown.err.contains("There is no command \"frobnicate\""));
    QCOMPARE(ctl({"help", "frobnicate"}).exitCode, 2);

    TestFolder folder;
    const ProgramRun incomplete = ctl({"--folder", folder.path(), "take", "12"});
    QCOMPARE(incomplete.exitCode, 2);
    QVERIFY(incomplete.err.contains("usage: quorvelctl [--folder DIR] take ID --user N"));
    QVERIFY(incomplete.err.contains("quorvelctl help take"));

    // A first word alone names every command it begins.
    const ProgramRun users = ctl({"users"});
    QCOMPARE(users.exitCode, 2);
    QVERIFY(users.err.contains("users add FIRST LAST USERNAME"));
    QVERIFY(users.err.contains("users list"));

    const ProgramRun none = ctl({});
    QCOMPARE(none.exitCode, 2);
    QVERIFY(none.err.contains("Commands:"));
}

QTEST_GUILESS_MAIN(tst_ctl_help)
#include "tst_ctl_help.moc"
