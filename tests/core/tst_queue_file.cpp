#include "TestSupport.h"

#include "Database.h"
#include "ServiceSequences.h"
#include "clsQuorvel.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <pugixml.hpp>

namespace {
QString record(int id, const QString &first, const QString &last)
{
    return QStringLiteral("<QUEUE_REC id=\"%1\"><FIRST_NAME value=\"%2\"/><LAST_NAME value=\"%3\"/>"
                          "<LOBBY_STATUS value=\"0\"/><SERVICE value=\"Taxes\"/>"
                          "<USER_ID value=\"\"/><TIME_IN value=\"9:00:00 AM\"/>"
                          "<DATE_IN value=\"12/6/2026\"/><TIME_SEEN value=\"\"/></QUEUE_REC>")
        .arg(id)
        .arg(first, last);
}

QString declaration(const QByteArray &encoding)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>")
        .arg(QString::fromLatin1(encoding));
}

QByteArray encoded(const QByteArray &encoding, const QString &text)
{
    QStringEncoder encoder(encoding.constData(), QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

QString decoded(const QByteArray &encoding, const QByteArray &bytes)
{
    QStringDecoder decoder(encoding.constData());
    return decoder.decode(bytes);
}
} // namespace

class tst_queue_file : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsEncodingAcrossChanges_data();
    void keepsEncodingAcrossChanges();
    void missingLettersBecomeReferences();
    void fileWithoutDeclarationStaysUtf8();
    void unknownEncodingIsLeftAlone();
    void forbiddenCharactersStopAtTheDoor();
    void changesKeepTheRestOfTheFile();
    void recordsInsideRecordsAreFound_data();
    void recordsInsideRecordsAreFound();
    void deskAcrossVersions();
    void unusualRecordsList_data();
    void unusualRecordsList();
    void nearlyUsualFilesAreNotRead_data();
    void nearlyUsualFilesAreNotRead();
};

void tst_queue_file::keepsEncodingAcrossChanges_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QByteArray>("euroSign"); // how the file holds "€"
    QTest::newRow("windows-1252") << QByteArray("windows-1252") << QByteArray("\x80");
    QTest::newRow("ISO-8859-1") << QByteArray("ISO-8859-1") << QByteArray("&#8364;");
    QTest::newRow("UTF-16") << QByteArray("UTF-16")
                            << QByteArray("\xAC\x20", 2); // little-endian, as written with its mark
}

void tst_queue_file::keepsEncodingAcrossChanges()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, euroSign);
    TestFolder folder;
    const QString start = declaration(encoding) + "\r\n<LOBBY>" + record(90000, "Zoë", "Müller");
    folder.writeQueue(encoded(encoding, start + "</LOBBY>"));

    clsQuorvel desk(folder.context);
    const int id = desk.addCustomerToQueue("Renée", "Ørsted", "Café €5");
    QVERIFY(id != 0);
    clsQuorvel taken(folder.context);
    QVERIFY(ServiceSequences::takeCustomer(folder.context, id, {}, 5, taken).done());
    QVERIFY(desk.removeCustomerFromLobby(90000));
    QVERIFY(folder.prompter.boxes.isEmpty());

    const QByteArray bytes = folder.readQueue();
    QCOMPARE(bytes.startsWith("\xFF\xFE"), encoding == "UTF-16");
    const QString text = decoded(encoding, bytes);
    QVERIFY2(text.startsWith(declaration(encoding) + "<LOBBY>"), qPrintable(text.left(80)));
    QVERIFY(text.contains("value=\"Renée\"") && text.contains("value=\"Ørsted\""));
    QVERIFY(!text.contains("Zoë"));
    QVERIFY(bytes.contains(euroSign));

    QueueListing listing;
    desk.loadQueue(listing, true);
    QCOMPARE(listing.inService.size(), 1);
    QCOMPARE(listing.inService[0].text(), QString("Renée Ørsted"));
    QCOMPARE(listing.inService[0].service, QString("Café €5"));
}

void tst_queue_file::missingLettersBecomeReferences()
{
    TestFolder folder;
    folder.writeQueue(encoded("ISO-8859-1", declaration("ISO-8859-1") + "<LOBBY></LOBBY>"));
    clsQuorvel desk(folder.context);
    const int id = desk.addCustomerToQueue("Łukasz", "Jørgensen", "Taxes");
    QVERIFY(id != 0);
    const QByteArray bytes = folder.readQueue();
    QVERIFY(bytes.contains("value=\"&#321;ukasz\""));
    QVERIFY(bytes.contains("value=\"J\xF8rgensen\""));
    QVERIFY(desk.loadLobbyEntry(id));
    QCOMPARE(desk.firstName, QString("Łukasz"));
    QVERIFY(desk.updateLobbyEntry(id)); // a rewrite keeps the reference
    QVERIFY(folder.readQueue().contains("&#321;ukasz"));
}

void tst_queue_file::fileWithoutDeclarationStaysUtf8()
{
    TestFolder folder;
    folder.writeQueue("<LOBBY></LOBBY>");
    clsQuorvel desk(folder.context);
    QVERIFY(desk.addCustomerToQueue("Zoë", "李", "Taxes") != 0);
    const QByteArray bytes = folder.readQueue();
    QVERIFY(bytes.startsWith("<LOBBY><QUEUE_REC"));
    QVERIFY(bytes.contains("value=\"Zo\xC3\xAB\"") && bytes.contains("value=\"李\""));
}

void tst_queue_file::unknownEncodingIsLeftAlone()
{
    TestFolder folder;
    const QByteArray content = "<?xml version=\"1.0\" encoding=\"x-unheard-of\"?><LOBBY></LOBBY>";
    folder.writeQueue(content);
    clsQuorvel desk(folder.context);
    QVERIFY(!desk.removeCustomerFromLobby(90000));
    QCOMPARE(folder.prompter.boxes.size(), 1);
    QVERIFY(folder.prompter.boxes[0].text.contains("x-unheard-of"));
    QCOMPARE(folder.readQueue(), content);
}

// XML 1.0 forbids the control characters, and a leading U+FEFF would be read as a byte-order
// mark on its way into the database; tab, line feed and carriage return are kept exactly.
void tst_queue_file::forbiddenCharactersStopAtTheDoor()
{
    TestFolder folder;
    clsQuorvel entry(folder.context);
    const int id = entry.addCustomerToQueue(QStringView(u"\uFEFF\u0001A\tB").toString(),
                                            QStringView(u"C\nD\rE\uFFFF\u001F").toString(),
                                            QStringView(u"\uFFFETa\u0008xes").toString());
    QVERIFY(id != 0);
    const QByteArray bytes = folder.readQueue();
    QVERIFY(!bytes.contains("&#01;") && !bytes.contains("&#31;") && !bytes.contains("&#08;"));
    QVERIFY(entry.loadLobbyEntry(id));
    QCOMPARE(entry.firstName, QString("A\tB"));
    QCOMPARE(entry.lastName, QString("C\nD\rE"));
    QCOMPARE(entry.service, QString("Taxes"));

    entry.firstName = QStringView(u"\uFEFFAnn\u0002").toString();
    entry.timeSeen = LooseTime::fromTime(QTime(14, 1, 10));
    entry.Timeout = LooseTime::fromTime(QTime(14, 7, 41));
    QVERIFY(entry.completeService(id));
    Database db(folder.context.params.historyPath);
    QVERIFY(db.open());
    QSqlQuery query = db.prepare("SELECT firstName, lastName FROM history");
    QVERIFY(db.exec(query) && query.next());
    QCOMPARE(query.value(0).toString(), QString("Ann"));
    QCOMPARE(query.value(1).toString(), QString("C\nD\rE"));
}

// A change of one record leaves every other byte of the file as it was; records of another
// shape than the usual are changed as well, through a rewrite of the whole document.
void tst_queue_file::changesKeepTheRestOfTheFile()
{
    const QString usual = record(90004, "Dee", "Ray");
    const QString content =
        "<?xml version=\"1.0\"?>\r\n<!-- kept --><LOBBY>\r\n  " +
        QString(record(90001, "Ann", "Lee")).replace("</QUEUE_REC>", "</QUEUE_REC >") +
        "\r\n  <QUEUE_REC id=\"90002\"/>\r\n  " +
        QString(record(90003, "Cy", "Poe")).replace("<FIRST", "<!-- c --><FIRST") + "\r\n" + usual +
        "</LOBBY>\r\n";
    TestFolder folder;
    folder.writeQueue(content.toUtf8());
    clsQuorvel entry(folder.context);
    QVERIFY(entry.removeCustomerFromLobby(90001));
    QString expected = content;
    expected.remove(content.indexOf("<QUEUE_REC id=\"90001\""),
                    content.indexOf("</QUEUE_REC >") + 13 -
                        content.indexOf("<QUEUE_REC id=\"90001\""));
    QCOMPARE(QString::fromUtf8(folder.readQueue()), expected);
    QVERIFY(entry.loadLobbyEntry(90004));
    entry.firstName = "Dora";
    QVERIFY(entry.updateLobbyEntry(90004));
    QVERIFY(
        folder.readQueue().contains("<!-- kept --><LOBBY>\r\n  \r\n  <QUEUE_REC id=\"90002\"/>"));

    QVERIFY(entry.loadLobbyEntry(90003));
    entry.firstName = "Cyd";
    QVERIFY(entry.updateLobbyEntry(90003));        // a record with a comment inside
    QVERIFY(entry.removeCustomerFromLobby(90002)); // an empty record
    folder.writeQueue(folder.readQueue() + "<!-- after -->");
    const int added = entry.addCustomerToQueue("Eve", "Fox", "Taxes");
    QVERIFY(folder.prompter.boxes.isEmpty());

    pugi::xml_document doc;
    const QByteArray bytes = folder.readQueue();
    QVERIFY(doc.load_buffer(bytes.constData(), size_t(bytes.size())));
    QStringList records;
    for (pugi::xml_node rec : doc.child("LOBBY").children("QUEUE_REC"))
        records << QString("%1 %2").arg(rec.attribute("id").value(),
                                        rec.child("FIRST_NAME").attribute("value").value());
    QCOMPARE(records, QStringList({"90003 Cyd", "90004 Dora", QString("%1 Eve").arg(added)}));
}

void tst_queue_file::recordsInsideRecordsAreFound_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::newRow("UTF-8") << QByteArray("UTF-8");
    QTest::newRow("UTF-16") << QByteArray("UTF-16");
}

// A record inside another is a record too, however the file is encoded, and a record's text in
// a comment is none.
void tst_queue_file::recordsInsideRecordsAreFound()
{
    QFETCH(QByteArray, encoding);
    const QString content =
        declaration(encoding) + "<LOBBY><!-- <QUEUE_REC id=\"1\"/> -->" +
        QString(record(90001, "Ann", "Lee"))
            .replace("</QUEUE_REC>", record(90002, "Bo", "Day") + "</QUEUE_REC>") +
        "</LOBBY>";
    TestFolder folder;
    folder.writeQueue(encoded(encoding, content));
    clsQuorvel entry(folder.context);
    const auto listed = [&] {
        QueueListing listing;
        entry.loadQueue(listing, true);
        QList<int> ids;
        for (const QueueRow &row : listing.waiting)
            ids << row.id;
        return ids;
    };
    QCOMPARE(listed(), QList<int>({90001, 90002}));
    QVERIFY(entry.loadLobbyEntry(90002));
    QCOMPARE(entry.firstName, QString("Bo"));
    QVERIFY(entry.removeCustomerFromLobby(90002));
    QCOMPARE(listed(), QList<int>({90001}));
    QVERIFY(folder.prompter.boxes.isEmpty());
}

void tst_queue_file::deskAcrossVersions()
{
    TestFolder folder;
    const int id = clsQuorvel(folder.context).addCustomerToQueue("Ann", "Lee", "Taxes");
    clsQuorvel taken(folder.context);
    QVERIFY(ServiceSequences::takeCustomer(folder.context, id, QString(), 5, taken, "Window 4").done());

    // The key and the desk follow the eight elements every version writes and reads by name, so a build
    // without desks reads the record as it always did.
    pugi::xml_document doc;
    QVERIFY(doc.load_string(folder.readQueue().constData()));
    QStringList children;
    for (const pugi::xml_node &child : doc.document_element().child("QUEUE_REC").children())
        children << QString::fromUtf8(child.name()) + "=" +
                        QString::fromUtf8(child.attribute("value").value());
    QCOMPARE(children.mid(0, 3),
             (QStringList{"FIRST_NAME=Ann", "LAST_NAME=Lee", "LOBBY_STATUS=1"}));
    QCOMPARE(children.at(4), QStringLiteral("USER_ID=5"));
    QCOMPARE(children.size(), 10);
    QVERIFY(children.at(8).startsWith("VISIT_KEY="));
    QCOMPARE(children.last(), QStringLiteral("DESK=Window 4"));

    QueueListing listing;
    clsQuorvel(folder.context).loadQueue(listing, true);
    QCOMPARE(listing.inService.first().desk, QStringLiteral("Window 4"));

    // A record written by a build before desks: read, no desk, no box.
    QByteArray before = folder.readQueue();
    before.replace("<DESK value=\"Window 4\"/>", "");
    folder.writeQueue(before);
    clsQuorvel older(folder.context);
    QVERIFY(older.loadLobbyEntry(id));
    QCOMPARE(older.desk, QString());
    clsQuorvel(folder.context).loadQueue(listing, true);
    QCOMPARE(listing.inService.first().desk, QString());
    QVERIFY(folder.prompter.boxes.isEmpty());

    // Back in the queue, the customer has no desk until the next take.
    QVERIFY(ServiceSequences::takeCustomer(folder.context, id, QString(), 5, taken, "Window 4").done());
    QVERIFY(ServiceSequences::returnCustomer(folder.context, id, QString(), 5).done());
    QVERIFY(!folder.readQueue().contains("DESK"));
}

void tst_queue_file::nearlyUsualFilesAreNotRead_data()
{
    QTest::addColumn<QString>("lobby");
    QTest::newRow("end tag of another") << "<LOBBY>" + record(90001, "Ann", "Lee") + "</LOBBI>";
    QTest::newRow("child closed by another") << "<LOBBY><QUEUE_REC id=\"1\"><FIRST_NAME "
                                                "value=\"Ann\"></LAST_NAME></QUEUE_REC></LOBBY>";
    QTest::newRow("attributes run together") << "<LOBBY><QUEUE_REC id=\"1\"><FIRST_NAME a=\"1\""
                                                "value=\"Ann\"/></QUEUE_REC></LOBBY>";
    QTest::newRow("value never closed") << "<LOBBY><QUEUE_REC id=\"1\"><FIRST_NAME value=\"Ann/>";
}

// The scan must refuse what the parser refuses: none of these lists a row.
void tst_queue_file::nearlyUsualFilesAreNotRead()
{
    QFETCH(QString, lobby);
    TestFolder folder;
    folder.writeQueue(lobby.toUtf8());
    clsQuorvel desk(folder.context);
    QueueListing listing;
    QCOMPARE(desk.loadQueue(listing, true), 0);
    QVERIFY(!desk.queueFileRead());
    QVERIFY(desk.queueReadProblem().contains("not well-formed"));
}

QTEST_GUILESS_MAIN(tst_queue_file)
#include "tst_queue_file.moc"

void tst_queue_file::unusualRecordsList_data()
{
    QTest::addColumn<QString>("children"); // of record 90001, checked in by "Ann Lee"
    QTest::addColumn<QString>("service");
    QTest::addColumn<int>("representative"); // 0: waiting
    QTest::addColumn<QTime>("timeIn");
    QTest::addColumn<QDate>("dateIn");
    const QString usual = "<FIRST_NAME value=\"Ann\"/><LAST_NAME value=\"Lee\"/>"
                          "<SERVICE value=\"Taxes\"/><USER_ID value=\"\"/>"
                          "<TIME_SEEN value=\"\"/>";
    QTest::newRow("reordered, with comments and others")
        << "<DATE_IN value=\"12/6/2026\"/><!-- x --><OTHER value=\"1\"/>"
           "<TIME_IN value=\"9:00:00 AM\"/>\n<LOBBY_STATUS value=\"0\"/>" +
               usual
        << "Taxes" << 0 << QTime(9, 0) << QDate(2026, 12, 6);
    QTest::newRow("first of two counts")
        << "<SERVICE value=\"Permits\"/><LOBBY_STATUS value=\"0\"/><LOBBY_STATUS value=\"1\"/>"
           "<TIME_IN value=\"9:00:00 AM\"/><DATE_IN value=\"12/6/2026\"/>" +
               usual
        << "Permits" << 0 << QTime(9, 0) << QDate(2026, 12, 6);
    QTest::newRow("blanks, signs, loose forms")
        << "<LOBBY_STATUS value=\" +1 \"/><USER_ID value=\"\t5\"/><SERVICE value=\"Café\"/>"
           "<TIME_IN value=\" 2:05 pm\"/><DATE_IN value=\"12/06/26\"/>" +
               usual
        << "Café" << 5 << QTime(14, 5) << QDate(2026, 12, 6);
    QTest::newRow("quotes, blanks, long forms, other attributes")
        << "<SERVICE kind=\"a\" value = 'Tax \"A\"' ></SERVICE ><LOBBY_STATUS value='0'/>"
           "<TIME_IN  value=\"9:00:00 AM\" /><DATE_IN value=\"12/6/2026\"></DATE_IN>" +
               usual
        << "Tax \"A\"" << 0 << QTime(9, 0) << QDate(2026, 12, 6);
    QTest::newRow("references, line breaks, text")
        << "<SERVICE value=\"A &amp; B&#x20;&#233;\r\nC\tD\"/><LOBBY_STATUS value=\"0\"/>"
           "<OTHER>a note</OTHER><TIME_IN value=\"9:00:00 AM\"/><DATE_IN value=\"12/6/2026\"/>" +
               usual
        << "A & B é C D" << 0 << QTime(9, 0) << QDate(2026, 12, 6);
    QTest::newRow("characters a number or time does not have")
        << "<LOBBY_STATUS value=\"\u00A00\"/><TIME_IN value=\"\u00A09:00\"/>"
           "<DATE_IN value=\"12/6/2026\"/><SERVICE value=\"李\"/>" +
               usual
        << "李" << 0 << QTime(9, 0) << QDate(2026, 12, 6);
}

void tst_queue_file::unusualRecordsList()
{
    QFETCH(QString, children);
    QFETCH(int, representative);
    TestFolder folder;
    folder.writeQueue(("<LOBBY><QUEUE_REC id=\"90001\">" + children + "</QUEUE_REC>" +
                       record(90002, "Bo", "Day") + "</LOBBY>")
                          .toUtf8());
    clsQuorvel desk(folder.context);
    QueueListing listing;
    QCOMPARE(desk.loadQueue(listing, true), representative == 0 ? 2 : 1);
    const QueueRow &row = representative == 0 ? listing.waiting[0] : listing.inService[0];
    QCOMPARE(row.id, 90001);
    QCOMPARE(row.text(), QString("Ann Lee"));
    QTEST(row.service, "service");
    QCOMPARE(row.userId, representative);
    QTEST(row.timeIn, "timeIn");
    QTEST(row.dateIn, "dateIn");
    QVERIFY(folder.prompter.boxes.isEmpty());
}
