#pragma once

#include <QString>

class ServerConnection;

/// The server's tables, made and upgraded by the numbered migration files.
namespace ServerSchema {

/// The version the programs of this build work with: the number of the last migration.
int currentVersion();

/// The version a database holds: 0 when empty, -1 when it holds tables that are not ours.
int installedVersion(ServerConnection &connection, QString &error);

/// Creates the schema in an empty database or upgrades an older one of ours, each migration in
/// one transaction; refuses a database that holds anything else. `report` says what was done.
bool install(ServerConnection &connection, QString &report, QString &error);

} // namespace ServerSchema
