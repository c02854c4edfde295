#pragma once

#include <QDateTime>

/// "Now" for ids, overdue marks, "today" and file names; tests pass a fake.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    QDate today() const { return now().date(); }
    QTime timeOfDay() const { return now().time(); }
};

/// The workstation's clock, to the second (the queue file and the ids carry no milliseconds).
class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
};
