#pragma once

class DESKDB;
class QComboBox;
class QWidget;

/// Appends every active service, by name, to a dialog's service list; a failed read shows
/// "Error loading services database!" and leaves the services read so far.
void addActiveServices(DESKDB &desk, QComboBox *list);

/// Appends every active representative, by first name, with the user number as item data; a
/// failed read leaves the representatives read so far, without a box.
void addActiveReps(DESKDB &desk, QComboBox *list);

/// Enables a dialog's own-service entry and its label only while `other` is chosen; the entry
/// then takes the focus. Text typed there stays either way.
void enableOtherService(QWidget *entry, QWidget *label, bool other);
