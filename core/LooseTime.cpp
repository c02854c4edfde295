#include "LooseTime.h"

#include "TextForms.h"

LooseTime LooseTime::null()
{
    LooseTime t;
    t.m_kind = Kind::Null;
    return t;
}

LooseTime LooseTime::fromTime(const QTime &time)
{
    LooseTime t;
    t.m_kind = Kind::Time;
    t.m_time = time;
    return t;
}

LooseTime LooseTime::fromText(const QString &text)
{
    LooseTime t;
    t.m_kind = Kind::Text;
    t.m_text = text;
    return t;
}

QTime LooseTime::toTime() const
{
    switch (m_kind) {
    case Kind::Unset:
        return QTime(0, 0);
    case Kind::Null:
        return {};
    case Kind::Time:
        return m_time;
    case Kind::Text:
        return TextForms::parseLooseTime(m_text);
    }
    return {};
}

QString LooseTime::queueText() const
{
    switch (m_kind) {
    case Kind::Unset:
    case Kind::Null:
        return {};
    case Kind::Time:
        return TextForms::queueTime(m_time);
    case Kind::Text:
        return m_text;
    }
    return {};
}
