#include "BoardLobby.h"

#include "Store.h"
#include "clsQuorvel.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

BoardLobby::BoardLobby(NameForm nameForm) : board(folder.context.params, folder.clock, nameForm)
{
    Failure failure;
    folder.context.store().addUser({0, "Dana", "Whitfield", "dana", 1}, dana, failure);
    folder.context.store().addUser({0, "Marco", "Ruiz", "marco", 1}, marco, failure);
}

int BoardLobby::checkIn(const QString &firstName, const QString &lastName)
{
    const int id = clsQuorvel(folder.context).addCustomerToQueue(firstName, lastName, "Taxes");
    signalChange();
    return id;
}

void BoardLobby::take(int id, int userNumber, const QString &desk)
{
    clsQuorvel entry(folder.context);
    QVERIFY(entry.loadLobbyEntry(id));
    entry.lobbystatus = 1;
    entry.repID = userNumber;
    entry.timeSeen = LooseTime::fromTime(folder.clock.timeOfDay());
    entry.desk = desk;
    QVERIFY(entry.updateLobbyEntry(id));
    signalChange();
}

void BoardLobby::complete(int id)
{
    clsQuorvel entry(folder.context);
    QVERIFY(entry.loadLobbyEntry(id));
    entry.Timeout = LooseTime::fromTime(folder.clock.timeOfDay());
    QVERIFY(entry.completeService(id));
    signalChange();
}

void BoardLobby::signalChange()
{
    const QString path = folder.context.params.watchDogPath();
    if (!QFile::exists(path))
        QFile(path).open(QIODevice::WriteOnly);
    const struct timespec times[2] = {{++m_signalSeconds, 0}, {m_signalSeconds, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}
