#include "TestSupport.h"

#include "IniFile.h"
#include "SharedFileCheck.h"
#include "SystemParameters.h"
#include "TextForms.h"
#include "kzrUtility.h"

#include <QDir>
#include <QFile>
#include <QTest>

class tst_configuration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void maxLimit_data();
    void maxLimit();
    void maxLimitFromIni();
    void iniWriteChangesOnlyItsLine_data();
    void iniWriteChangesOnlyItsLine();
    void iniWriteRefusesALineBreak();
    void commandLineSwitches();
    void dataFolderOfRootProgram();
    void validateFileExists();
    void logLines();
    void unwritableLogReportsEachTime();
    void missingSharedFiles();
    void clientChecksLogBeforeBox();
    void textForms();
};

void tst_configuration::maxLimit_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("limit");
    QTest::newRow("none") << "none" << 10.0;
    QTest::newRow("None is not none") << "None" << 0.0;
    QTest::newRow("whole") << "25" << 25.0;
    QTest::newRow("fraction") << "7.5" << 7.5;
    QTest::newRow("number then word") << "15 minutes" << 15.0;
    QTest::newRow("leading blanks") << "   12" << 12.0;
    QTest::newRow("word first") << "ten" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("signed") << "-3 " << -3.0;
    QTest::newRow("point first") << "+.5x" << 0.5;
    QTest::newRow("point last") << "5." << 5.0;
    QTest::newRow("exponent") << "1.5e1" << 15.0;
    QTest::newRow("no exponent digits") << "2e" << 2.0;
    QTest::newRow("point alone") << "." << 0.0;
}

void tst_configuration::maxLimit()
{
    QFETCH(QString, value);
    QFETCH(double, limit);
    QCOMPARE(parseMaxLimit(value), limit);
}

void tst_configuration::maxLimitFromIni()
{
    TestFolder folder;
    SystemParameters params;
    // Section and key match without regard to case; the rest of the file is kept on write.
    QFile ini(folder.filePath("vedez.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("; office settings\r\n[Other]\r\nx=1\r\n[TIME]\r\nmaxlimit=none\r\n");
    ini.close();
    loadSystemParameters(folder.path(), params);
    QCOMPARE(params.MaxLimit, 10.0);
    QVERIFY(IniFile::writeString(ini.fileName(), "time", "MaxLimit", "20"));
    loadSystemParameters(folder.path(), params);
    QCOMPARE(params.MaxLimit, 20.0);
    QCOMPARE(IniFile::readString(ini.fileName(), "other", "X", "?"), QString("1"));

    QVERIFY(QFile::remove(ini.fileName()));
    loadSystemParameters(folder.path(), params);
    QCOMPARE(params.MaxLimit, 0.0);
    QCOMPARE(params.dataPath, folder.path() + "/data");
}

void tst_configuration::iniWriteChangesOnlyItsLine_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("value replaced, spacing and line endings kept")
        << QByteArray("[Time]\r\n  maxlimit =  7 minutes \r\nother=1")
        << QByteArray("[Time]\r\n  maxlimit =  25\r\nother=1");
    QTest::newRow("the last of two lines, as the reader sees it")
        << QByteArray("[time]\nMaxLimit=1\n[x]\n[TIME]\nMaxLimit=2\n")
        << QByteArray("[time]\nMaxLimit=1\n[x]\n[TIME]\nMaxLimit=25\n");
    QTest::newRow("commented line left alone, key added after the last entry")
        << QByteArray("[time]\n;MaxLimit=5\nx=1\n\n; paths\n[paths]\ny=2\n")
        << QByteArray("[time]\n;MaxLimit=5\nx=1\nMaxLimit=25\n\n; paths\n[paths]\ny=2\n");
    QTest::newRow("key in another section only")
        << QByteArray("[other]\nMaxLimit=3\n[time]\n")
        << QByteArray("[other]\nMaxLimit=3\n[time]\nMaxLimit=25\n");
    QTest::newRow("section missing, no final line break")
        << QByteArray("\xEF\xBB\xBF; office\r\n[other]\r\nx=1")
        << QByteArray("\xEF\xBB\xBF; office\r\n[other]\r\nx=1\r\n[time]\r\nMaxLimit=25\r\n");
    QTest::newRow("byte-order mark directly before the section")
        << QByteArray("\xEF\xBB\xBF[time]\r\nMaxLimit=7\r\n")
        << QByteArray("\xEF\xBB\xBF[time]\r\nMaxLimit=25\r\n");
    QTest::newRow("empty file") << QByteArray() << QByteArray("[time]\nMaxLimit=25\n");
}

void tst_configuration::iniWriteChangesOnlyItsLine()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    TestFolder folder;
    QFile ini(folder.filePath("vedez.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(before);
    ini.close();
    QVERIFY(IniFile::writeString(ini.fileName(), "time", "MaxLimit", "25"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), after);
    QCOMPARE(IniFile::readString(ini.fileName(), "time", "MaxLimit", "?"), QString("25"));
}

void tst_configuration::iniWriteRefusesALineBreak()
{
    TestFolder folder;
    const QString path = folder.filePath("vedez.ini");
    QVERIFY(QFile::remove(path));
    QString error;
    QVERIFY(!IniFile::writeString(path, "time", "MaxLimit", "5\n[evil]", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
    QVERIFY(IniFile::writeString(path, "time", "MaxLimit", "5")); // a missing file is made
    QCOMPARE(IniFile::readString(path, "TIME", "maxlimit", "?"), QString("5"));
}

void tst_configuration::commandLineSwitches()
{
    QVERIFY(isLogSwitch({"-L"}));
    QVERIFY(isLogSwitch({"-l"}));
    QVERIFY(!isLogSwitch({}));
    QVERIFY(!isLogSwitch({"-L", "test"}));
    QVERIFY(!isLogSwitch({"-Lx"}));
    QVERIFY(isTestSwitch({"test"}));
    QVERIFY(!isTestSwitch({"TEST"}));
    QVERIFY(!isTestSwitch({"-L", "test"}));
    QVERIFY(!clientTestDataPath().isEmpty());
}

void tst_configuration::dataFolderOfRootProgram()
{
    SystemParameters params;
    loadSystemParameters("/", params);
    QCOMPARE(params.dataPath, QString("/data"));
    loadSystemParameters("/lobby", params);
    QCOMPARE(params.dataPath, QString("/lobby/data"));
    formFilePaths(params);
    QCOMPARE(params.queuePath, QString("/lobby/data/lobbyData.xml"));
    QCOMPARE(params.historyPath, QString("/lobby/data/history.mdb"));
    QCOMPARE(params.systemPath, QString("/lobby/data/systemData.mdb"));
}

void tst_configuration::validateFileExists()
{
    TestFolder folder;
    const QString queue = folder.context.params.queuePath;
    QVERIFY(kzrUtility::validateFileExists(queue, "lobbydata.xml"));
    QVERIFY(!kzrUtility::validateFileExists(queue, "lobbyData.xml")); // callers pass lower case
    QVERIFY(!kzrUtility::validateFileExists(queue + ".missing", "lobbydata.xml.missing"));
    QVERIFY(QDir(folder.path()).mkpath("data/dir.xml"));
    QVERIFY(!kzrUtility::validateFileExists(folder.filePath("data/dir.xml"), "dir.xml"));
    QFile upper(folder.filePath("data/LOBBYDATA.XML"));
    QVERIFY(upper.open(QIODevice::WriteOnly));
    upper.close();
    QVERIFY(kzrUtility::validateFileExists(upper.fileName(), "lobbydata.xml"));
}

void tst_configuration::logLines()
{
    TestFolder folder;
    folder.context.params.logPath = folder.filePath("frontLog.log");
    folder.context.log("not written while logging is off");
    QVERIFY(!QFile::exists(folder.context.params.logPath));

    folder.context.params.logEnabled = true;
    folder.context.log("[timer2] Calling CheckWatchDog....");
    folder.clock.advance(60);
    folder.context.log("second");
    QFile log(folder.context.params.logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(),
             QByteArray("12/6/2026 2:05:09 PM - [timer2] Calling CheckWatchDog....\r\n"
                        "12/6/2026 2:06:09 PM - second\r\n"));
}

void tst_configuration::unwritableLogReportsEachTime()
{
    TestFolder folder;
    folder.context.params.logEnabled = true;
    folder.context.params.logPath = folder.filePath("no/such/folder/frontLog.log");
    folder.context.log("one");
    folder.context.log("two");
    QCOMPARE(folder.prompter.texts(),
             QStringList(2, "Error!  Could not open the log file for writing."));
    QCOMPARE(folder.prompter.titles(), QStringList(2, "Error"));
}

void tst_configuration::missingSharedFiles()
{
    TestFolder folder;
    folder.context.params.logEnabled = true;
    folder.context.params.logPath = folder.filePath("frontLog.log");
    QVERIFY(checkSharedFiles(folder.context, ProgramKind::Reception));
    QVERIFY(folder.prompter.boxes.isEmpty());

    QVERIFY(QFile::remove(folder.context.params.historyPath));
    QVERIFY(QFile::remove(folder.context.params.systemPath));
    QVERIFY(!checkSharedFiles(folder.context, ProgramKind::Reception));
    QCOMPARE(folder.prompter.titles(), (QStringList{"Debug", "Debug", "Error"}));
    const QString data = folder.context.params.dataPath;
    QCOMPARE(folder.prompter.boxes[0].text,
             "Could not locate history.mdb.  \rApplication path is:  " + folder.path() +
                 "\rhistoryDB is:  " + data + "/history.mdb\rfilePath is:  " + data);
    QVERIFY(folder.prompter.boxes[1].text.contains("\rsystemDB is:  "));
    QCOMPARE(folder.prompter.boxes[2].text,
             QString("Quorvel could not find one or more of the required database files.  Check "
                     "that the Database Filepath in the Misc Options is set correctly."));
    QVERIFY(folder.programEnd.ended);
    QVERIFY(!QFile::exists(folder.context.params.historyPath)); // nothing is created

    QFile log(folder.context.params.logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("Could not locate systemData.mdb at " + data.toUtf8()));
}

void tst_configuration::clientChecksLogBeforeBox()
{
    TestFolder folder;
    folder.context.params.logEnabled = true;
    folder.context.params.logPath = folder.filePath("clientLog.log");
    QVERIFY(QFile::remove(folder.context.params.queuePath));
    // The client logs first: the log file already holds the line when the box appears.
    bool loggedBeforeBox = false;
    folder.prompter.onBox = [&](const RecordingPrompter::Box &box) {
        if (box.title == "Debug")
            loggedBeforeBox = QFile::exists(folder.context.params.logPath);
    };
    QVERIFY(!checkSharedFiles(folder.context, ProgramKind::Client));
    QVERIFY(loggedBeforeBox);
    QCOMPARE(folder.prompter.titles(), (QStringList{"Debug", "Error"}));
    QCOMPARE(folder.prompter.boxes[1].text,
             "Quorvel could not locate one or more of the required database files.  Contact the "
             "system administrator.\rCurrent filepath is set to:  " +
                 folder.context.params.dataPath);
}

void tst_configuration::textForms()
{
    using namespace TextForms;
    QCOMPARE(queueTime(QTime(14, 5, 9)), QString("2:05:09 PM"));
    QCOMPARE(queueTime(QTime(0, 0, 0)), QString("12:00:00 AM"));
    QCOMPARE(queueDate(QDate(2026, 12, 6)), QString("12/6/2026"));
    QCOMPARE(parseQueueDate("12/6/2026"), QDate(2026, 12, 6));
    QVERIFY(!parseScreenDate("13/01/2026").isValid());
    // The overdue rule counts the time of day only: negative across midnight.
    QCOMPARE(minuteBoundaries(QTime(23, 58), QTime(0, 3)), -1435);
}

QTEST_GUILESS_MAIN(tst_configuration)
#include "tst_configuration.moc"
