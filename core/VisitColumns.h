#pragma once

#include "Failure.h"

#include <QDate>
#include <QTime>
#include <QVariant>
#include <QVariantList>

class clsQuorvel;

/// A bound value for a date or time column: ISO text, or NULL when invalid.
QVariant dbValue(const QDate &date);
QVariant dbValue(const QTime &time);

/// How a visit of the entry object meets the columns of `history`, the same in every store:
/// dates and times as ISO text, an unset time as NULL.
namespace VisitColumns {

/// The values of a new row, in the order firstName, lastName, serviceRequested, timeOut,
/// servicedBy, lobbyTimeIn, lobbyDateIn, timeServiced, serviceTime, desk. Fails on a time that the
/// minutes cannot be counted from.
bool newRow(const clsQuorvel &entry, QVariantList &values, Failure &failure);

/// The values of a correction, in the order firstName, lastName, serviceRequested, lobbyTimeIn,
/// lobbyDateIn, timeOut, timeServiced, servicedBy.
bool correction(const clsQuorvel &entry, QVariantList &values, Failure &failure);

/// Fills `entry` from the columns firstName, lastName, serviceRequested, lobbyTimeIn,
/// lobbyDateIn, servicedBy, timeOut, timeServiced; fields before a failure stay set.
bool readRow(const QVariantList &columns, clsQuorvel &entry, Failure &failure);

} // namespace VisitColumns
