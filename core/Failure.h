#pragma once

#include <QString>

/// What went wrong in an operation: a number for the box's title and a description for its text.
struct Failure
{
    int number = 0;
    QString description;

    /// The text of a database box: `text`, a line break, the number, "/" and the description.
    QString message(const QString &text) const
    {
        return text + QLatin1Char('\r') + QString::number(number) + QLatin1Char('/') + description;
    }
};

/// Our own failure numbers (the message boxes show them in their titles).
namespace FailureNumber {
constexpr int TypeMismatch = 13;       // a stored text does not read as the value it should be
constexpr int FileNotFound = 53;       // a file the operation needs is not there
constexpr int FileLocked = 70;         // another instance holds the queue lock too long
constexpr int PathAccess = 75;         // a file cannot be opened, written or replaced
constexpr int MissingNode = 91;        // an element or attribute the record needs is not there
constexpr int NotWellFormed = 31;      // the queue file is not a well-formed document
constexpr int NoDocumentElement = 32;  // the queue file holds no element at all
constexpr int InvalidArgument = 5;     // a value the caller passed is unusable
constexpr int InvalidUseOfNull = 94;   // a column the object needs holds NULL
constexpr int NoCurrentRecord = 3021;  // the record the operation works on is gone
constexpr int ChangedElsewhere = 3197; // another workstation changed the record since it was read
} // namespace FailureNumber

/// A change refused because another workstation changed the record since it was read, in the
/// words every dialog that edits a shared record uses.
inline Failure changedElsewhere()
{
    return {FailureNumber::ChangedElsewhere,
            QStringLiteral("Another workstation has changed this entry since it was opened.  "
                           "Nothing was saved; the lists show it as it is now.")};
}
