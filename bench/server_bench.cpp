// The server store's latencies against the floor of one UPDATE ... RETURNING transaction through
// libpq on the same table, and how long a change takes to reach another connection's listing.
//   server_bench CONNECTION   (a database without an office; its schema is made here)
#include "BenchFolder.h"
#include "ServerConnection.h"
#include "ServerSchema.h"
#include "clsQuorvel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int Rounds = 400;

struct Figures
{
    QList<double> ms;
    void print(const char *what)
    {
        std::sort(ms.begin(), ms.end());
        std::printf("%-34s median %6.3f ms   p99 %6.3f ms\n", what, ms[ms.size() / 2],
                    ms[qMin(ms.size() - 1, qsizetype(ms.size() * 0.99))]);
    }
};

double since(QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

/// The floor: one conditional take as one libpq transaction, nothing else.
Figures libpqFloor(const QString &connection, const QList<int> &ids)
{
    Figures figures;
    PGconn *conn = PQconnectdb(ServerConnection::connectOptions(connection).toUtf8().constData());
    for (int id : ids) {
        const QByteArray text = QByteArray::number(id);
        const char *values[] = {text.constData()};
        QElapsedTimer timer;
        timer.start();
        PQclear(PQexec(conn, "BEGIN"));
        PQclear(PQexecParams(conn,
                             "UPDATE queue SET lobbyStatus = 1, userId = 2 WHERE id = $1 AND "
                             "lobbyStatus = 0 RETURNING id",
                             1, nullptr, values, nullptr, nullptr, 0));
        PQclear(PQexec(conn, "COMMIT"));
        figures.ms << since(timer);
    }
    PQfinish(conn);
    return figures;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: server_bench CONNECTION\n");
        return 2;
    }
    const QString connection = QString::fromLocal8Bit(argv[1]);
    {
        ServerConnection admin(connection);
        QString report, error;
        if (!ServerSchema::install(admin, report, error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    BenchFolder desk, other;
    desk.context.params.serverConnection = connection;
    other.context.params.serverConnection = connection;

    Figures add, take, signOut;
    QList<int> ids;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        const int id = clsQuorvel(desk.context).addCustomerToQueue("Ann", "Lee", "Taxes");
        add.ms << since(timer);
        ids << id;
    }
    // Half are taken and signed out by the store; the other half are the floor's.
    const QList<int> floorIds = ids.mid(Rounds / 2);
    for (int id : ids.mid(0, Rounds / 2)) {
        clsQuorvel entry(desk.context);
        QElapsedTimer timer;
        timer.start();
        desk.context.store().takeCustomer(id, {}, 1, entry, {});
        take.ms << since(timer);
        timer.restart();
        desk.context.store().signOutCustomer(entry, id);
        signOut.ms << since(timer);
    }
    Figures floor = libpqFloor(connection, floorIds);
    add.print("add (check-in)");
    take.print("take");
    signOut.print("sign-out");
    floor.print("floor: UPDATE ... RETURNING (libpq)");

    // A check-in at one connection until another has reloaded its listing.
    Figures reach;
    Store &listener = other.context.store();
    Store::ChangeMark mark;
    listener.checkChanged(mark, false);
    QElapsedTimer timer;
    QObject::connect(&listener, &Store::changed, &app, [&] {
        if (!timer.isValid())
            return;
        QueueListing listing;
        clsQuorvel(other.context).loadQueue(listing, true);
        reach.ms << since(timer);
        timer.invalidate();
    });
    for (int i = 0; i < 200; ++i) {
        timer.start();
        clsQuorvel(desk.context).addCustomerToQueue("Bo", "Ray", "Taxes");
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            while (timer.isValid())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            loop.quit();
        });
        loop.exec();
    }
    reach.print("change to another's reload");
    return 0;
}
