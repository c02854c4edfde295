#pragma once

class DESKDB;
class QComboBox;

/// Appends every active service, by name, to a dialog's service list; a failed read shows
/// "Error loading services database!" and leaves the services read so far.
void addActiveServices(DESKDB &desk, QComboBox *list);
