#include "TestSupport.h"

#include "Database.h"
#include "EventList.h"
#include "QueueDocument.h"
#include "StoreMigration.h"

#include <QDir>
#include <QTest>

namespace {
/// Every row of `table` as SQLite quotes its values, so a type or a NULL that changed shows.
QStringList quotedRows(const QString &path, const QString &table, const QString &columns)
{
    QString quoted = columns;
    quoted.replace(QRegularExpression("(\\w+)"), "quote(\\1)");
    quoted.replace(", ", " || ',' || ");
    Database db(path);
    QSqlQuery query;
    QStringList rows;
    if (db.open() && db.exec(query, QString("SELECT %1 FROM %2 ORDER BY 1").arg(quoted, table), {}))
        while (query.next())
            rows << query.value(0).toString();
    return rows;
}

QStringList queueRecords(const QString &queuePath)
{
    QueueDocument doc;
    doc.load(queuePath);
    QStringList records;
    for (const pugi::xml_node &record : doc.records()) {
        QString text = QString::fromUtf8(record.attribute("id").value());
        for (const pugi::xml_node &value : record.children())
            text += '|' + QString::fromUtf8(value.attribute("value").value());
        records << text;
    }
    return records;
}
} // namespace

class tst_migration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsEveryByte();
    void refusesAnOfficeAlreadyThere();
};

void tst_migration::roundTripKeepsEveryByte()
{
    if (!TestFolder::onServer())
        QSKIP("moves an office to a server: runs with the server store");
    TestFolder folder(true);
    QVERIFY(folder.isValid());
    const SystemParameters &params = folder.context.params;
    QVERIFY(addHistory(params.historyPath, {{0, "Dara", "O'Neil", "Taxes", QDate(2026, 12, 5),
                                             QTime(9, 1, 2), QTime(), QTime(9, 30), 2, 29}}));
    CalendarEvent event{0, 1, QDate(2026, 12, 7), QTime(14, 0), "Call \"Ann\""};
    Failure failure;
    QVERIFY(addEvent(params.systemPath, event, event.eventID, failure));

    TestFolder empty; // the demo folder's own server holds its office already
    const QString connection = empty.context.params.serverConnection;
    StoreMigration::Counts there, back;
    QString error;
    QVERIFY2(StoreMigration::toServer(params.dataPath, connection, there, error),
             qPrintable(error));
    QTemporaryDir again;
    QVERIFY2(StoreMigration::toFolder(connection, again.path(), back, error), qPrintable(error));
    QCOMPARE(StoreMigration::countsText(back), StoreMigration::countsText(there));

    const QString otherData = QDir(again.path()).filePath("data");
    QCOMPARE(queueRecords(QDir(otherData).filePath("lobbyData.xml")),
             queueRecords(params.queuePath));
    const QList<QStringList> tables = {
        {"history.mdb", "history",
         "id, firstName, lastName, serviceRequested, lobbyDateIn, lobbyTimeIn, timeServiced, "
         "timeOut, servicedBy, serviceTime"},
        {"systemData.mdb", "users",
         "userNumber, firstName, lastName, department, username, status"},
        {"systemData.mdb", "services", "id, serviceName, status"},
        {"systemData.mdb", "events",
         "eventID, userNumber, eventDate, eventTime, event, eventAlarm"}};
    for (const QStringList &table : tables) {
        const QStringList before =
            quotedRows(QDir(params.dataPath).filePath(table[0]), table[1], table[2]);
        QVERIFY(!before.isEmpty());
        QCOMPARE(quotedRows(QDir(otherData).filePath(table[0]), table[1], table[2]), before);
    }
}

void tst_migration::refusesAnOfficeAlreadyThere()
{
    if (!TestFolder::onServer())
        QSKIP("moves an office to a server: runs with the server store");
    TestFolder folder(true);
    const QByteArray queueBefore = folder.readQueue();
    StoreMigration::Counts counts;
    QString error;
    const QString connection = folder.context.params.serverConnection;
    QVERIFY(!StoreMigration::toServer(folder.context.params.dataPath, connection, counts, error));
    QVERIFY(error.startsWith("The server's database already holds an office"));
    QCOMPARE(folder.readQueue(), queueBefore);
}

QTEST_GUILESS_MAIN(tst_migration)
#include "tst_migration.moc"
