#pragma once

#include <QLockFile>
#include <QString>

/// Refuses a second copy of a program for the same user on this workstation: an exclusive lock
/// file in the user's runtime folder, held as long as this object lives. A lock left by a copy
/// that crashed is taken over, because its process no longer runs.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &programName);

    /// True when no other copy holds the lock; from then on this object holds it.
    bool acquire();

    static QString lockPathFor(const QString &programName);

private:
    QLockFile m_lock;
};
