#pragma once

/// Lets the windows show that a queue change waits for a lock another workstation holds: the
/// wait cursor while it waits, and windows that keep painting meanwhile (user input waits).
void showQueueLockWaits();
