#include "ReceptionFixture.h"
#include "frmArchive.h"
#include "frmExport.h"

#include "FocusChain.h"
#include "MessageBoxPrompter.h"
#include "ScriptedFileDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QQueue>
#include <QTest>

namespace {
QStringList itemTexts(QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

} // namespace

class tst_reception_export : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void opensWithListsAndToday();
    void keyboardGoesRoundInReadingOrder();
    void browseButtonsFillThePaths();
    void datesAreCheckedInOrder();
    void noRecordsStaysOpen();
    void outputOntoTheHistoryIsRefused();
    void exportWritesWhatQuorvelctlWrites();
    void otherServiceToAPathWithoutFolder();
    void afterExportCompleteTheLobbyHasTheKeys();
    void longExportCancelsWithoutAFile();
    void archiveAnsweredNoChangesNothing();
    void archiveMovesHistoryAndEndsTheProgram();
    void failedArchiveKeepsPolling();
    void menuOpensBothDialogs();

private:
    template <typename T = QLineEdit> T *control(const char *name) const
    {
        return m_dialog->findChild<T *>(QLatin1String(name));
    }
    void fillPaths();
    QString outputPath() const { return m_reception->folder.filePath("export/out.csv"); }
    QTimer *timer2() { return m_reception->lobby().findChild<QTimer *>("Timer2"); }

    std::unique_ptr<Reception> m_reception;
    ScriptedFileDialog m_files;
    std::unique_ptr<frmExport> m_dialog;
};

void tst_reception_export::init()
{
    m_reception = std::make_unique<Reception>(true);
    // On a server the desk has no more than an office gives its desks.
    QVERIFY(m_reception->folder.useOfficeRole("SELECT, INSERT, UPDATE, DELETE"));
    QVERIFY(m_reception->start());
    m_reception->folder.prompter.clear();
    m_files = {};
    m_dialog = std::make_unique<frmExport>(m_reception->desk, m_files);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void tst_reception_export::cleanup()
{
    m_dialog.reset();
    m_reception.reset();
}

void tst_reception_export::fillPaths()
{
    control("txtDBFilename")->setText(m_reception->desk.context.params.historyPath);
    control("txtFilename")->setText(outputPath());
}

void tst_reception_export::opensWithListsAndToday()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Export Data"));
    auto *reps = control<QComboBox>("lstReps");
    QCOMPARE(itemTexts(reps),
             QStringList({"All Reps", "Dana Whitfield", "Marco Ruiz", "Priya Nair"}));
    QCOMPARE(reps->itemData(0).toInt(), 0);
    auto *services = control<QComboBox>("lstServices");
    QCOMPARE(itemTexts(services), QStringList({"All Services", "Other Service (Specify Below)",
                                               "Benefits", "Licences", "Permits", "Taxes"}));
    QCOMPARE(control("txtDate_0")->text(), QStringLiteral("12/06/2026"));
    QCOMPARE(control("txtDate_1")->text(), QStringLiteral("12/06/2026"));
    QVERIFY(!control<QPushButton>("cmdProcess")->isEnabled());
    QVERIFY(!control("txtOther")->isEnabled());

    services->setCurrentIndex(frmExport::OtherService);
    QVERIFY(control("txtOther")->isEnabled());
    QVERIFY(control<QLabel>("lblOther")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), control("txtOther"));
    services->setCurrentIndex(2);
    QVERIFY(!control("txtOther")->isEnabled());

    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());

    // A service made inactive is offered no more.
    QVERIFY(m_reception->folder.execute(
        "services", "UPDATE services SET status = 0 WHERE serviceName = 'Permits'"));
    frmExport again(m_reception->desk, m_files);
    QCOMPARE(itemTexts(again.findChild<QComboBox *>("lstServices")),
             QStringList({"All Services", "Other Service (Specify Below)", "Benefits", "Licences",
                          "Taxes"}));
}

void tst_reception_export::keyboardGoesRoundInReadingOrder()
{
    control<QComboBox>("lstServices")->setCurrentIndex(frmExport::OtherService);
    fillPaths();
    QCOMPARE(focusChain(control("txtDBFilename")),
             (QStringList{"cmdDBBrowse", "txtFilename", "cmdBrowse", "txtDate_0", "txtDate_1",
                          "lstReps", "lstServices", "txtOther", "cmdProcess", "cmdClose"}));
    // Enter on a focused button presses that button, not the default one.
    control<QPushButton>("cmdClose")->setFocus();
    QTest::keyClick(control<QPushButton>("cmdClose"), Qt::Key_Return);
    QVERIFY(!m_dialog->isVisible());
    QVERIFY(m_reception->folder.prompter.boxes.isEmpty());

    frmArchive archive(m_reception->desk, &m_reception->lobby());
    archive.show();
    QVERIFY(QTest::qWaitForWindowActive(&archive));
    QCOMPARE(focusChain(archive.findChild<QPushButton *>("cmdArchive")), QStringList{"cmdClose"});
    QTest::keyClick(&archive, Qt::Key_Return); // the main button asks first; No is the answer
    QCOMPARE(m_reception->folder.prompter.texts(),
             QStringList{"Are you sure you wish to proceed?"});
    QTest::keyClick(&archive, Qt::Key_Escape);
    QVERIFY(!archive.isVisible());
}

void tst_reception_export::browseButtonsFillThePaths()
{
    const SystemParameters &params = m_reception->desk.context.params;
    m_files.answers.enqueue(params.historyPath);
    QTest::mouseClick(control<QPushButton>("cmdDBBrowse"), Qt::LeftButton);
    QCOMPARE(control("txtDBFilename")->text(), params.historyPath);
    QCOMPARE(m_files.requests.last().folder, params.dataPath);
    QCOMPARE(m_files.requests.last().filters,
             QStringList({"Archive Data (QV*.mdb)", "Current History Data (history.mdb)"}));
    QCOMPARE(m_files.requests.last().selectedFilter, 1);
    QVERIFY(!control<QPushButton>("cmdProcess")->isEnabled());

    // Cancelled: nothing changes.
    QTest::mouseClick(control<QPushButton>("cmdDBBrowse"), Qt::LeftButton);
    QCOMPARE(control("txtDBFilename")->text(), params.historyPath);

    m_files.answers.enqueue(outputPath());
    QTest::mouseClick(control<QPushButton>("cmdBrowse"), Qt::LeftButton);
    QCOMPARE(control("txtFilename")->text(), outputPath());
    QCOMPARE(m_files.requests.last().folder, m_reception->folder.filePath("export"));
    QCOMPARE(m_files.requests.last().selectedFilter, 2);
    QVERIFY(m_files.requests.last().filters.at(2).contains("*.csv"));
    QVERIFY(control<QPushButton>("cmdProcess")->isEnabled());
    control("txtFilename")->clear();
    QVERIFY(!control<QPushButton>("cmdProcess")->isEnabled());
}

void tst_reception_export::datesAreCheckedInOrder()
{
    fillPaths();
    RecordingPrompter &prompter = m_reception->folder.prompter;
    QLineEdit *start = control("txtDate_0");
    QLineEdit *end = control("txtDate_1");
    start->setFocus();
    start->selectAll();
    QTest::keyClicks(start, "12");
    QTest::keyClick(start, Qt::Key_Return);
    QCOMPARE(prompter.texts(), QStringList{"Invalid starting date."});
    QCOMPARE(prompter.boxes.last().icon, Prompter::Icon::Critical);
    QCOMPARE(QApplication::focusWidget(), start);

    start->setText("12/15/2003");
    end->setText("01/10/2003");
    end->setFocus();
    QTest::keyClick(end, Qt::Key_Return);
    QCOMPARE(prompter.texts().last(), "Starting date can not be greater than the ending date.");
    QCOMPARE(QApplication::focusWidget(), start);

    end->setText("02/30/2004");
    QTest::mouseClick(control<QPushButton>("cmdProcess"), Qt::LeftButton);
    QCOMPARE(prompter.texts().last(), "Invalid ending date.");
    QCOMPARE(QApplication::focusWidget(), end);
    QCOMPARE(prompter.titles(), QStringList(3, "Error"));
    QVERIFY(!QFile::exists(outputPath()));
}

void tst_reception_export::noRecordsStaysOpen()
{
    fillPaths();
    control("txtDate_0")->setText("01/01/2020");
    control("txtDate_1")->setText("01/01/2020");
    QTest::mouseClick(control<QPushButton>("cmdProcess"), Qt::LeftButton);
    QCOMPARE(m_reception->folder.prompter.texts(),
             QStringList{"No records found for your selection."});
    QCOMPARE(m_reception->folder.prompter.titles(), QStringList{"Export Results"});
    QVERIFY(m_dialog->isVisible());
    QVERIFY(!QFile::exists(outputPath()));
}

void tst_reception_export::outputOntoTheHistoryIsRefused()
{
    fillPaths();
    const QString history = m_reception->desk.context.params.historyPath;
    const QString output = m_reception->folder.filePath("export/../data/history.mdb");
    control("txtFilename")->setText(output);
    QTest::mouseClick(control<QPushButton>("cmdProcess"), Qt::LeftButton);
    QCOMPARE(m_reception->folder.prompter.texts(),
             QStringList{"The export can not be written to " + QDir::cleanPath(output) +
                         ": it is the history database being exported.  Choose another file."});
    QCOMPARE(m_reception->folder.prompter.titles(), QStringList{"Error"});
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(QApplication::focusWidget(), control("txtFilename"));
    QVERIFY(readFile(history).startsWith("SQLite format 3"));
}

void tst_reception_export::exportWritesWhatQuorvelctlWrites()
{
    m_reception->signOutVisit("Just", "Served", 1); // read as the store holds it now
    fillPaths();
    control<QComboBox>("lstReps")->setCurrentIndex(1);
    QTest::mouseClick(control<QPushButton>("cmdProcess"), Qt::LeftButton);
    const RecordingPrompter &prompter = m_reception->folder.prompter;
    QCOMPARE(prompter.titles(), QStringList{"Export Complete"});
    const QByteArray written = readFile(outputPath());
    const int rows = written.count("\r\n");
    QVERIFY(rows > 0);
    QCOMPARE(prompter.texts().first(), QStringLiteral("Export Complete.  %1 records were "
                                                      "exported to %2")
                                           .arg(rows)
                                           .arg(outputPath()));
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QVERIFY(!m_dialog->isVisible());

    const QString ctlOutput = m_reception->folder.filePath("export/ctl.csv");
    const auto ctl = [this](const QStringList &arguments) {
        return quorvelctl(m_reception->folder.path(), QStringList{"export"} + arguments);
    };
    const ProgramRun same =
        ctl({"--from", "12/06/2026", "--to", "12/06/2026", "--user",
             control<QComboBox>("lstReps")->currentData().toString(), "--out", ctlOutput});
    QCOMPARE(same.exitCode, 0);
    QCOMPARE(same.out.trimmed(), QString::number(rows));
    QCOMPARE(readFile(ctlOutput), written);

    // Wrong usage and an empty selection.
    QCOMPARE(ctl({"--from", "12/06/2026"}).exitCode, 2);
    const ProgramRun none =
        ctl({"--from", "01/01/2020", "--to", "01/01/2020", "--out", ctlOutput + ".none"});
    QCOMPARE(none.exitCode, 1);
    QVERIFY(none.err.contains("No records found for your selection."));
    QVERIFY(!QFile::exists(ctlOutput + ".none"));
}

void tst_reception_export::otherServiceToAPathWithoutFolder()
{
    control("txtDBFilename")->setText(m_reception->desk.context.params.historyPath);
    control("txtFilename")->setText("permits.csv");
    control<QComboBox>("lstServices")->setCurrentIndex(frmExport::OtherService);
    QTest::keyClicks(control("txtOther"), "Permits");
    QTest::mouseClick(control<QPushButton>("cmdProcess"), Qt::LeftButton);
    QCOMPARE(m_reception->folder.prompter.titles(), QStringList{"Export Complete"});

    // The file lands in the export folder, whatever folder the program was started from.
    const QString written = m_reception->folder.filePath("export/permits.csv");
    QVERIFY(m_reception->folder.prompter.texts().first().endsWith(" exported to " + written));
    const QList<QByteArray> lines = readFile(written).split('\n');
    QVERIFY(lines.size() > 1);
    for (const QByteArray &line : lines.first(lines.size() - 1))
        QCOMPARE(line.split(',').at(3), QByteArray("\"Permits\""));
}

void tst_reception_export::afterExportCompleteTheLobbyHasTheKeys()
{
    MessageBoxPrompter boxes;
    CoreContext &context = m_reception->desk.context;
    Prompter *recording = context.setPrompter(boxes);
    m_dialog->hide();
    frmLobby &lobby = m_reception->lobby();
    lobby.show();
    QVERIFY(QTest::qWaitForWindowActive(&lobby));
    frmExport dialog(m_reception->desk, m_files, &lobby);
    dialog.findChild<QLineEdit *>("txtDBFilename")->setText(context.params.historyPath);
    dialog.findChild<QLineEdit *>("txtFilename")->setText(outputPath());
    OnModal<QMessageBox> complete([](QMessageBox &box) {
        QCOMPARE(box.windowTitle(), QString("Export Complete"));
        QTest::keyClick(&box, Qt::Key_Return);
    });
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::keyClick(dialog.findChild<QPushButton *>("cmdProcess"), Qt::Key_Space);
    });
    dialog.exec();
    context.setPrompter(*recording);
    QVERIFY(complete.opened());
    QTRY_COMPARE(QApplication::activeWindow(), &lobby);
}

void tst_reception_export::longExportCancelsWithoutAFile()
{
    HistoryRows rows(20000);
    for (int i = 0; i < rows.size(); ++i) {
        rows[i].firstName = QStringLiteral("F%1").arg(i);
        rows[i].lobbyDateIn = QDate(2026, 11, 1).addDays(i % 30);
    }
    QVERIFY(addHistory(m_reception->folder, rows));
    fillPaths();
    control("txtDate_0")->setText("11/01/2026");
    bool progressShown = false;
    QTimer cancel;
    connect(&cancel, &QTimer::timeout, [&] {
        if (auto *progress = m_dialog->findChild<QProgressDialog *>()) {
            progressShown = progress->isVisible();
            progress->cancel();
        }
    });
    cancel.start(0);
    QTest::mouseClick(control<QPushButton>("cmdProcess"), Qt::LeftButton);
    QVERIFY(progressShown);
    QVERIFY(m_reception->folder.prompter.boxes.isEmpty());
    QVERIFY(!QFile::exists(outputPath()));
    QVERIFY(m_dialog->isVisible());
}

void tst_reception_export::archiveAnsweredNoChangesNothing()
{
    m_dialog.reset();
    frmArchive archive(m_reception->desk);
    archive.show();
    QVERIFY(archive.findChild<QLabel *>("Label1")->text().startsWith(
        "Be sure that no copies of Quorvel are running before you use this function! \n\n"));
    QTest::mouseClick(archive.findChild<QPushButton *>("cmdArchive"), Qt::LeftButton);
    QCOMPARE(m_reception->folder.prompter.texts(),
             QStringList{"Are you sure you wish to proceed?"});
    QCOMPARE(m_reception->folder.prompter.titles(), QStringList{"DB Archive"});
    QVERIFY(archive.isVisible());
    QVERIFY(timer2()->isActive());
    QVERIFY(QDir(m_reception->desk.context.params.archiveFolder()).isEmpty());
}

void tst_reception_export::archiveMovesHistoryAndEndsTheProgram()
{
    m_dialog.reset();
    RecordingPrompter &prompter = m_reception->folder.prompter;
    const SystemParameters &params = m_reception->desk.context.params;
    const QByteArray before = readFile(params.historyPath);
    const QDate today = m_reception->folder.clock.today();
    Failure failure;
    const HistoryRows visits = m_reception->folder.context.store().historyOfDay(today, 0, failure);
    QVERIFY(!visits.isEmpty());
    frmArchive archive(m_reception->desk);
    archive.show();
    prompter.answer(true);
    QTest::mouseClick(archive.findChild<QPushButton *>("cmdArchive"), Qt::LeftButton);
    const QString archivePath = params.archiveFolder() + "/QV12062659.mdb";
    QCOMPARE(prompter.texts().last(),
             "Archive Complete!  History database has been moved to:\r" + archivePath);
    QCOMPARE(prompter.titles().last(), "harbrin");
    QCOMPARE(prompter.boxes.last().icon, Prompter::Icon::NoIcon);
    QVERIFY(m_reception->folder.programEnd.ended);
    QVERIFY(!timer2()->isActive());
    QCOMPARE(historyOfDay(archivePath, today, 0, failure).size(), visits.size());
    QVERIFY(m_reception->folder.context.store().historyOfDay(today, 0, failure).isEmpty());
    if (!TestFolder::onServer()) { // the folder's file itself moves
        QCOMPARE(readFile(archivePath), before);
        QCOMPARE(readFile(params.historyPath), readFile(params.historyTemplatePath()));
    }
}

void tst_reception_export::failedArchiveKeepsPolling()
{
    m_dialog.reset();
    RecordingPrompter &prompter = m_reception->folder.prompter;
    const SystemParameters &params = m_reception->desk.context.params;
    QVERIFY(QDir(params.archiveFolder()).removeRecursively());
    frmArchive archive(m_reception->desk);
    archive.show();
    prompter.answer(true);
    QTest::mouseClick(archive.findChild<QPushButton *>("cmdArchive"), Qt::LeftButton);
    QVERIFY(prompter.texts().last().startsWith("Could not archive database!  Error:  "));
    QCOMPARE(prompter.titles().last(), "Error");
    QVERIFY(archive.isVisible());
    QVERIFY(!m_reception->folder.programEnd.ended);
    QVERIFY(timer2()->isActive());
    QVERIFY(QFile::exists(params.historyPath));
}

void tst_reception_export::menuOpensBothDialogs()
{
    m_dialog.reset();
    auto *exportEntry = m_reception->lobbyControl<QAction>("mnuExport");
    auto *archiveEntry = m_reception->lobbyControl<QAction>("mnuArchive");
    QVERIFY(exportEntry->isEnabled() && archiveEntry->isEnabled());
    OnModal<frmExport> closeExport([](frmExport &dialog) { dialog.reject(); });
    exportEntry->trigger();
    QVERIFY(closeExport.opened());
    OnModal<frmArchive> closeArchive([](frmArchive &dialog) { dialog.reject(); });
    archiveEntry->trigger();
    QVERIFY(closeArchive.opened());
}

QTEST_MAIN(tst_reception_export)
#include "tst_reception_export.moc"
