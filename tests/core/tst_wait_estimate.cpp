// The estimated wait on small hand-made lobbies: service times from recent history and their
// fallbacks, who counts as serving, visits already running long, and the texts people read.
#include "WaitEstimator.h"

#include <QRegularExpression>
#include <QTest>

namespace {
const QDateTime now(QDate(2026, 12, 7), QTime(14, 0));

/// "[Nx]SERVICE MINUTES REP ENDED" items separated by ";": N visits of SERVICE that took MINUTES,
/// by representative REP, signed out ENDED minutes before now.
HistoryRows history(const QString &spec)
{
    HistoryRows rows;
    static const QRegularExpression item(QStringLiteral("^(?:(\\d+)x)?(\\w+) (\\d+) (\\d+) (\\d+)$"));
    for (const QString &text : spec.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = item.match(text.trimmed());
        Q_ASSERT(m.hasMatch());
        const QDateTime out = now.addSecs(-60 * m.captured(5).toInt());
        const QDateTime seen = out.addSecs(-60 * m.captured(3).toInt());
        HistoryRow row;
        row.serviceRequested = m.captured(2);
        row.lobbyDateIn = seen.date();
        row.lobbyTimeIn = seen.time();
        row.timeServiced = seen.time();
        row.timeOut = out.time();
        row.servicedBy = m.captured(4).toInt();
        for (int i = 0; i < qMax(1, m.captured(1).toInt()); ++i)
            rows.append(row);
    }
    return rows;
}

/// Waiting: "SERVICE,SERVICE..."; in service: "REP SERVICE TAKEN" items separated by ";", taken
/// TAKEN minutes before now.
QueueListing queue(const QString &waiting, const QString &serving)
{
    QueueListing listing;
    for (const QString &service : waiting.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QueueRow row;
        row.service = service;
        listing.waiting.append(row);
    }
    for (const QString &text : serving.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = text.split(QLatin1Char(' '));
        QueueRow row;
        row.userId = parts.at(0).toInt();
        row.service = parts.at(1);
        row.timeSeen = now.addSecs(-60 * parts.at(2).toInt()).time();
        listing.inService.append(row);
    }
    return listing;
}
} // namespace

class tst_wait_estimate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void estimates_data();
    void estimates();
};

void tst_wait_estimate::estimates_data()
{
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("serving");
    QTest::addColumn<QString>("waiting");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("representatives");

    const QString less = QStringLiteral("less than 5 min");
    QTest::newRow("one representative")
        << "3xTaxes 10 1 5" << "1 Taxes 2" << "Taxes,Taxes,Taxes"
        << QStringList{"about 10 min", "about 20 min", "about 30 min"} << 1;
    QTest::newRow("three representatives")
        << "3xTaxes 10 1 5;Taxes 10 2 12;Taxes 10 3 29" << "1 Taxes 8;2 Taxes 6;3 Taxes 1"
        << "Taxes,Taxes,Taxes,Permits" << QStringList{less, less, "about 10 min", "about 10 min"}
        << 3;
    QTest::newRow("a service without enough history takes all services' median")
        << "3xTaxes 20 1 5;Permits 2 1 50" << "1 Taxes 12" << "Permits,Taxes"
        << QStringList{"about 10 min", "about 30 min"} << 1;
    QTest::newRow("no history at all: ten minutes, one representative")
        << "" << "" << "Taxes,Taxes,Taxes" << QStringList{less, "about 10 min", "about 20 min"}
        << 1;
    QTest::newRow("a representative who left half an hour ago no longer counts")
        << "3xTaxes 10 1 5;Taxes 10 2 31" << "1 Taxes 5" << "Taxes,Taxes"
        << QStringList{"about 5 min", "about 15 min"} << 1;
    QTest::newRow("free while customers wait: away for about a visit")
        << "3xTaxes 10 1 5;3xTaxes 10 2 3" << "1 Taxes 4" << "Taxes,Taxes,Taxes"
        << QStringList{"about 5 min", "about 10 min", "about 15 min"} << 2;
    QTest::newRow("in service: the rest of the usual time")
        << "3xPermits 12 1 30" << "1 Permits 4" << "Permits,Permits"
        << QStringList{"about 10 min", "about 20 min"} << 1;
    QTest::newRow("in service longer than usual: ends soon, not now")
        << "3xTaxes 10 1 40" << "1 Taxes 25" << "Taxes,Taxes"
        << QStringList{less, "about 15 min"} << 1;
    QTest::newRow("in service past most visits: what the longer ones took beyond that")
        << "3xPermits 5 1 40;2xPermits 20 1 60" << "1 Permits 8" << "Permits,Permits"
        << QStringList{"about 10 min", "about 15 min"} << 1;
    QTest::newRow("two in service, each likely long: one of them likely ends soon")
        << "2xLicences 4 1 40;3xLicences 24 2 50" << "1 Licences 2;2 Licences 2"
        << "Licences,Licences" << QStringList{less, "about 20 min"} << 2;
    QTest::newRow("only the last 30 visits within 14 days")
        << "30xTaxes 10 1 100;31xTaxes 60 1 2000;9xTaxes 90 1 21000" << "" << "Taxes,Taxes"
        << QStringList{less, "about 10 min"} << 1;
    QTest::newRow("services match whatever their case and spacing")
        << "3xLicences 30 1 5" << "1 Licences 10" << " licences ,LICENCES"
        << QStringList{"about 20 min", "about 50 min"} << 1;
}

void tst_wait_estimate::estimates()
{
    QFETCH(QString, history);
    QFETCH(QString, serving);
    QFETCH(QString, waiting);
    QFETCH(QStringList, shown);
    const QueueListing listing = queue(waiting, serving);
    const WaitEstimator estimator(::history(history), now);
    QStringList texts;
    for (double minutes : estimator.waitingMinutes(listing))
        texts.append(waitText(minutes));
    QCOMPARE(texts, shown);
    QTEST(estimator.representativesServing(listing), "representatives");

    // A customer checking in now would wait behind all of them.
    QueueListing before = listing;
    const QString last = before.waiting.takeLast().service;
    QCOMPARE(waitText(estimator.newCustomerMinutes(before, last)), shown.constLast());
}

QTEST_MAIN(tst_wait_estimate)
#include "tst_wait_estimate.moc"
