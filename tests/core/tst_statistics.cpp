#include "StatisticsHistory.h"
#include "TestSupport.h"

#include "HistoryVisits.h"
#include "StatisticsTable.h"

#include <QTest>

class tst_statistics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void figuresAsWorkedOutByHand_data();
    void figuresAsWorkedOutByHand();
    void longReadCancels();

private:
    std::unique_ptr<TestFolder> m_folder;
};

void tst_statistics::init()
{
    m_folder = std::make_unique<TestFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(addHistory(m_folder->context.params.historyPath, StatisticsHistory::rows()));
}

void tst_statistics::figuresAsWorkedOutByHand_data()
{
    QTest::addColumn<Grouping>("grouping");
    QTest::addColumn<QStringList>("expected"); // each row's cells joined by "|"

    // Waits of the range in seconds: 330, 720, 120, 30 (at 23:59), 600, 240, 600, 720; one row
    // without a time seen and one seen before it came in are incomplete.
    QTest::newRow("day, across the year's end")
        << Grouping::Day
        << QStringList{"12/30/2026|4|5.00|2.00|12.00|12.00|8.00|25.0%",
                       "12/31/2026|1|10.00|10.00|10.00|10.00|10.00|100.0%",
                       "01/01/2027|1|4.00|4.00|4.00|4.00|6.00|0.0%",
                       "01/02/2027|2|11.00|10.00|12.00|12.00|2.00|100.0%"};
    QTest::newRow("weekday") << Grouping::Weekday
                             << QStringList{"Wednesday|4|5.00|2.00|12.00|12.00|8.00|25.0%",
                                            "Thursday|1|10.00|10.00|10.00|10.00|10.00|100.0%",
                                            "Friday|1|4.00|4.00|4.00|4.00|6.00|0.0%",
                                            "Saturday|2|11.00|10.00|12.00|12.00|2.00|100.0%"};
    QTest::newRow("hour") << Grouping::Hour
                          << QStringList{"09:00|4|7.38|5.50|12.00|12.00|8.00|50.0%",
                                         "10:00|1|10.00|10.00|10.00|10.00|10.00|100.0%",
                                         "11:00|1|4.00|4.00|4.00|4.00|6.00|0.0%",
                                         "13:00|1|12.00|12.00|12.00|12.00|2.00|100.0%",
                                         "23:00|1|0.50|0.50|0.50|0.50|0.48|0.0%"};
    // Taxes ties at the 90th percentile: 330, 600, 600, 720, 720.
    QTest::newRow("service") << Grouping::Service
                             << QStringList{"Licences|1|4.00|4.00|4.00|4.00|6.00|0.0%",
                                            "Permits|2|1.25|0.50|2.00|2.00|0.48|0.0%",
                                            "Taxes|5|9.90|10.00|12.00|12.00|10.00|80.0%"};
    QTest::newRow("representative, one deleted since")
        << Grouping::Representative
        << QStringList{"Dana Whitfield|3|5.83|5.50|10.00|10.00|10.00|33.3%",
                       "Marco Ruiz|3|11.33|12.00|12.00|12.00|8.00|100.0%",
                       "User 9|2|2.25|0.50|4.00|4.00|0.48|0.0%"};
}

void tst_statistics::figuresAsWorkedOutByHand()
{
    QFETCH(Grouping, grouping);
    QFETCH(QStringList, expected);
    ExportSelection selection;
    QVERIFY(HistoryExport::checkRange(StatisticsHistory::from, StatisticsHistory::to, selection)
                .isEmpty());
    VisitHistory history;
    Failure failure;
    QCOMPARE(HistoryVisits::read(m_folder->context.params.historyPath, selection, history, failure),
             HistoryVisits::Outcome::Read);
    const StatisticsReport report = HistoryStatistics::compute(
        history, grouping, StatisticsHistory::maxLimit, StatisticsHistory::names());

    QStringList rows;
    for (const QStringList &row : StatisticsTable::rows(report))
        rows.append(row.join(QLatin1Char('|')));
    QCOMPARE(rows, expected);
    QCOMPARE(StatisticsTable::texts(report.total).join(QLatin1Char('|')),
             QStringLiteral("Total|8|7.00|5.50|12.00|12.00|8.00|50.0%"));
    QCOMPARE(report.incompleteRows, 2);
}

void tst_statistics::longReadCancels()
{
    const QDate day(2026, 12, 1);
    HistoryRows many(HistoryVisits::ProgressStep * 2 + 1,
                     StatisticsHistory::visit(day, QTime(9, 0), QTime(9, 5), QTime(9, 9), 1,
                                              QStringLiteral("Taxes")));
    QVERIFY(addHistory(m_folder->context.params.historyPath, many));
    ExportSelection selection{day, day};
    VisitHistory history;
    Failure failure;
    QList<qint64> totals;
    const auto stopAtSecond = [&totals](qint64, qint64 total) {
        totals.append(total);
        return totals.size() < 2;
    };
    QCOMPARE(HistoryVisits::read(m_folder->context.params.historyPath, selection, history, failure,
                                 stopAtSecond),
             HistoryVisits::Outcome::Cancelled);
    QCOMPARE(totals, (QList<qint64>{many.size(), many.size()}));
    QVERIFY(history.visits.isEmpty());
}

QTEST_GUILESS_MAIN(tst_statistics)
#include "tst_statistics.moc"
