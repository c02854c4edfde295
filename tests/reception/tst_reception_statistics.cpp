#include "ReceptionFixture.h"
#include "frmStatistics.h"

#include "FocusChain.h"
#include "ScriptedFileDialog.h"
#include "StatisticsHistory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

class tst_reception_statistics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void tableIsWhatQuorvelctlPrints_data();
    void tableIsWhatQuorvelctlPrints();
    void groupingSwitchesAndSorts();
    void showReadsTheHistoryAsItIsNow();
    void savesTheChartAsShown();
    void neverWritesOverTheHistory_data();
    void neverWritesOverTheHistory();
    void keyboardGoesRoundInReadingOrder();
    void menuOpensItBesideTheLobby();

private:
    template <typename T = QWidget> T *control(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    void choose(const char *list, int index);
    QStringList firstColumn() const { return ::firstColumn(control<QTreeWidget>("lstFigures")); }

    std::unique_ptr<Reception> m_reception;
    ScriptedFileDialog m_files;
    std::unique_ptr<frmStatistics> m_window;
};

void tst_reception_statistics::init()
{
    m_reception = std::make_unique<Reception>();
    m_reception->addUser(1, QStringLiteral("Dana"), QStringLiteral("Whitfield"));
    m_reception->addUser(2, QStringLiteral("Marco"), QStringLiteral("Ruiz"));
    QVERIFY(addHistory(m_reception->folder, StatisticsHistory::rows()));
    QVERIFY(m_reception->start());
    m_files = {};
    m_window = std::make_unique<frmStatistics>(m_reception->desk, m_files);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    control<QLineEdit>("txtFrom")->setText(StatisticsHistory::from);
    control<QLineEdit>("txtTo")->setText(StatisticsHistory::to);
    QTest::mouseClick(control<QPushButton>("cmdShow"), Qt::LeftButton);
    QTRY_VERIFY(!m_window->isWorking());
}

void tst_reception_statistics::cleanup()
{
    m_window.reset();
    m_reception.reset();
}

void tst_reception_statistics::choose(const char *list, int index)
{
    control<QComboBox>(list)->setCurrentIndex(index);
    QTRY_VERIFY(!m_window->isWorking());
}

void tst_reception_statistics::tableIsWhatQuorvelctlPrints_data()
{
    QTest::addColumn<Grouping>("grouping");
    for (const Grouping grouping : {Grouping::Hour, Grouping::Service, Grouping::Representative})
        QTest::newRow(qPrintable(HistoryStatistics::groupingName(grouping))) << grouping;
}

void tst_reception_statistics::tableIsWhatQuorvelctlPrints()
{
    QFETCH(Grouping, grouping);
    choose("cboGroup", int(grouping));
    const QString path = m_reception->folder.filePath("export/table.csv");
    m_files.answers.enqueue(path);
    QTest::mouseClick(control<QPushButton>("cmdExportTable"), Qt::LeftButton);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));

    const ProgramRun run =
        quorvelctl(m_reception->folder.path(),
                   {"report", "--from", StatisticsHistory::from, "--to", StatisticsHistory::to,
                    "--by", HistoryStatistics::groupingName(grouping), "--format", "csv"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QString::fromUtf8(file.readAll()), run.out);
}

void tst_reception_statistics::groupingSwitchesAndSorts()
{
    QCOMPARE(firstColumn(), (QStringList{"12/30/2026", "12/31/2026", "01/01/2027", "01/02/2027"}));
    choose("cboGroup", int(Grouping::Representative));
    QCOMPARE(firstColumn(), (QStringList{"Dana Whitfield", "Marco Ruiz", "User 9"}));
    choose("cboSort", 2); // mean wait
    control<QCheckBox>("chkDescending")->setChecked(true);
    QCOMPARE(firstColumn(), (QStringList{"Marco Ruiz", "Dana Whitfield", "User 9"}));
}

void tst_reception_statistics::showReadsTheHistoryAsItIsNow()
{
    m_reception->signOutVisit("Just", "Served", 1); // while the window is open
    control<QLineEdit>("txtFrom")->setText("12/06/2026");
    QTest::mouseClick(control<QPushButton>("cmdShow"), Qt::LeftButton);
    QTRY_VERIFY(!m_window->isWorking());
    QCOMPARE(firstColumn().first(), QString("12/06/2026"));
    // Not the folder's file, which on a server holds only what was there before the move.
    const auto *source = control<QLabel>("lblSource");
    const QString named = source->toolTip().isEmpty() ? source->text() : source->toolTip();
    QCOMPARE(named.startsWith("the server's current history ("), TestFolder::onServer());
}

void tst_reception_statistics::savesTheChartAsShown()
{
    const QString path = m_reception->folder.filePath("export/chart.png");
    m_files.answers.enqueue(path);
    QTest::mouseClick(control<QPushButton>("cmdSaveChart"), Qt::LeftButton);
    QCOMPARE(QImage(path).size(), control("fraCharts")->size());
}

void tst_reception_statistics::neverWritesOverTheHistory_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("chart") << "cmdSaveChart";
    QTest::newRow("table") << "cmdExportTable";
}

void tst_reception_statistics::neverWritesOverTheHistory()
{
    QFETCH(QString, button);
    const QString history = m_reception->folder.context.params.historyPath;
    const QByteArray before = readFile(history);
    m_files.answers.enqueue(history);
    QTest::mouseClick(control<QPushButton>(qPrintable(button)), Qt::LeftButton);
    QCOMPARE(readFile(history), before);
    QCOMPARE(m_reception->folder.prompter.boxes.size(), 1);
    QCOMPARE(m_reception->folder.prompter.boxes.first().title, QStringLiteral("Error"));
}

void tst_reception_statistics::keyboardGoesRoundInReadingOrder()
{
    QCOMPARE(focusChain(control("cboRange")),
             (QStringList{"txtFrom", "txtTo", "cmdShow", "cboGroup", "lstReps", "lstServices",
                          "cmdOpenArchive", "lstFigures", "cboSort", "chkDescending",
                          "cmdSaveChart", "cmdExportTable", "cmdClose"}));
}

void tst_reception_statistics::menuOpensItBesideTheLobby()
{
    frmLobby &lobby = m_reception->lobby();
    lobby.show();
    lobby.findChild<QAction *>("mnuStatistics")->trigger();
    auto *window = lobby.findChild<frmStatistics *>();
    QVERIFY(window && window->isVisible());
    QVERIFY(!window->isModal());
    QTRY_VERIFY(!window->isWorking());
}

QTEST_MAIN(tst_reception_statistics)
#include "tst_reception_statistics.moc"
