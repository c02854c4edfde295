#include "ReceptionFixture.h"

#include "clsQuorvel.h"

#include <QTest>
#include <QTreeWidget>

Reception::Reception(bool demo, const QStringList &arguments)
    : folder(demo), desk(folder.prompter, folder.clock, folder.programEnd, folder.path(), arguments)
{
}

void Reception::addToQueue(const QList<QueueEntry> &entries)
{
    for (const QueueEntry &e : entries) {
        clsQuorvel entry(folder.context);
        const int id = entry.addCustomerToQueue(e.firstName, e.lastName, e.service);
        QVERIFY(id != 0 && entry.loadLobbyEntry(id));
        entry.lobbystatus = qint16(e.status);
        entry.repID = e.userId;
        entry.Timein = e.timeIn;
        entry.dateIn = e.dateIn;
        entry.timeSeen = e.timeSeen.isValid() ? LooseTime::fromTime(e.timeSeen) : LooseTime::null();
        QVERIFY(entry.updateLobbyEntry(id));
    }
}

void Reception::addUser(int userNumber, const QString &first, const QString &last, int status)
{
    QVERIFY(folder.insertRow(QStringLiteral("users"),
                             {{QStringLiteral("userNumber"), userNumber},
                              {QStringLiteral("firstName"), first},
                              {QStringLiteral("lastName"), last},
                              {QStringLiteral("department"), QStringLiteral("")},
                              {QStringLiteral("username"), first.toLower()},
                              {QStringLiteral("status"), status}}));
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
