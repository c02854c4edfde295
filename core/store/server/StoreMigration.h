#pragma once

#include <QList>
#include <QString>

class ServerConnection;

/// Moves an office between its data folder and a PostgreSQL server: users, services, the queue
/// (ids kept), history and events, in one transaction on the server, counted and verified. The
/// source is only read.
namespace StoreMigration {

struct Count
{
    QString table;
    qint64 rows = 0;
};
using Counts = QList<Count>;

/// "users 3, services 4, queue 2, history 120, events 5".
QString countsText(const Counts &counts);

/// Copies the data folder `dataPath` into the server `connection`, whose database must hold no
/// office yet (its schema is made when it is empty).
bool toServer(const QString &dataPath, const QString &connection, Counts &counts, QString &error);

/// Copies the server `connection` into a new program folder `folder`, laid out as by
/// `quorvelctl init`; a folder that already holds data is refused.
bool toFolder(const QString &connection, const QString &folder, Counts &counts, QString &error);

/// Writes the server's history into a new history database file at `path`, the same file the
/// folder's history is, for the export and the statistics.
bool historyToFile(ServerConnection &server, const QString &path, QString &error);

/// Within the caller's transaction on `server`, deletes every history row and writes the rows
/// deleted into a new history database file at `path`, which must not exist yet. On failure the
/// caller rolls back and no file is left.
bool moveHistoryToFile(ServerConnection &server, const QString &path, QString &error);

} // namespace StoreMigration
