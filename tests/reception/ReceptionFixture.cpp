#include "ReceptionFixture.h"

#include "Database.h"
#include "TextForms.h"

#include <QTest>
#include <QTreeWidget>

Reception::Reception(bool demo, const QStringList &arguments)
    : folder(demo), desk(folder.prompter, folder.clock, folder.programEnd, folder.path(), arguments)
{
}

void Reception::writeQueue(const QList<QueueEntry> &entries)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\r\n<LOBBY>";
    for (const QueueEntry &e : entries) {
        const auto value = [](const char *element, const QString &text) {
            return QStringLiteral("<%1 value=\"%2\"/>").arg(QLatin1String(element), text);
        };
        xml += (QStringLiteral("<QUEUE_REC id=\"%1\">").arg(e.id) +
                value("FIRST_NAME", e.firstName) + value("LAST_NAME", e.lastName) +
                value("LOBBY_STATUS", QString::number(e.status)) + value("SERVICE", e.service) +
                value("USER_ID", e.status ? QString::number(e.userId) : QString()) +
                value("TIME_IN", TextForms::queueTime(e.timeIn)) +
                value("DATE_IN", TextForms::queueDate(e.dateIn)) +
                value("TIME_SEEN",
                      e.timeSeen.isValid() ? TextForms::queueTime(e.timeSeen) : QString()) +
                QStringLiteral("</QUEUE_REC>"))
                   .toUtf8();
    }
    folder.writeQueue(xml + "</LOBBY>\r\n");
}

void Reception::addUser(int userNumber, const QString &first, const QString &last, int status)
{
    Database db(folder.context.params.systemPath);
    QVERIFY(db.open());
    QVERIFY(db.exec(QStringLiteral("INSERT INTO users (userNumber, firstName, lastName, "
                                   "department, username, status) VALUES (?, ?, ?, '', ?, ?)"),
                    {userNumber, first, last, first.toLower(), status}));
}

QTreeWidgetItem *rowNamed(QTreeWidget *list, const QString &text)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0) == text)
            return list->topLevelItem(i);
    return nullptr;
}

QStringList firstColumn(QTreeWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0);
    return texts;
}

void doubleClickRow(QTreeWidget *list, QTreeWidgetItem *item)
{
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}
