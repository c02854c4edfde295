#pragma once

#include <QString>

/// A visit's identity, made at check-in and carried by its queue record and its history row.
/// Record ids come round again within the day (a customer removed, the next check-in of the same
/// second gets the id); a key never does, so an action aimed at one customer never reaches the
/// next, and a retried sign-out is told from another visit that agrees in every other field.
namespace VisitKey {

/// A new key: 32 hexadecimal digits.
QString make();

} // namespace VisitKey
