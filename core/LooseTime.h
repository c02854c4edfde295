#pragma once

#include <QString>
#include <QTime>

/// A time that may be unset, null, a time of day, or text that should read as a time of day
/// (the time seen and time out of an entry, filled from files, databases or edit fields).
class LooseTime
{
public:
    enum class Kind
    {
        Unset,
        Null,
        Time,
        Text
    };

    LooseTime() = default;
    static LooseTime null();
    static LooseTime fromTime(const QTime &time);
    static LooseTime fromText(const QString &text);

    Kind kind() const { return m_kind; }
    bool isUnset() const { return m_kind == Kind::Unset; }
    bool isNull() const { return m_kind == Kind::Null; }
    /// Unset or null: no time is held.
    bool isEmpty() const { return m_kind == Kind::Unset || m_kind == Kind::Null; }
    const QString &text() const { return m_text; }

    /// The time of day it stands for: unset reads as midnight, null as invalid, text as parsed
    /// (invalid when it does not read as a time).
    QTime toTime() const;

    /// The queue file's text: empty when none is held, a time in the file's form, text unchanged.
    QString queueText() const;

    bool operator==(const LooseTime &other) const = default;

private:
    Kind m_kind = Kind::Unset;
    QTime m_time;
    QString m_text;
};
