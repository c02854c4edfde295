#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// What a lock file says about its holder: who made it, on which machine, the random token that
/// proves a hold is still its own, and a beat the holder counts up while it keeps the lock.
/// Nothing in it is a time: workstations' clocks are never compared.
struct LockRecord
{
    qint64 pid = 0;
    QByteArray application;
    QByteArray host;
    QByteArray machine;   // this boot of this machine, in this process namespace
    QByteArray startTime; // the holder's start, so that a reused process number is told apart
    QByteArray token;
    quint64 beat = 0;

    /// A record naming this process, with a fresh token.
    static LockRecord mine();
    /// The record in a lock file's bytes; none when they are empty or half-written.
    static std::optional<LockRecord> parse(const QByteArray &bytes);

    QByteArray bytes() const;
    bool onThisMachine() const;
    /// On this machine only: the process is gone, a zombie, or its number now names another.
    bool holderEnded() const;
    /// "process 123 (quorvelctl) on desk-2", for log lines and the doctor.
    QString holderText() const;
};

/// A random token as 32 hexadecimal digits.
QByteArray newLockToken();
