#pragma once

#include <QString>

/// How the board speaks its calls. Tests pass a fake.
class SpeechBackend
{
public:
    virtual ~SpeechBackend() = default;

    /// False when no speech engine can be used here; nothing is said then.
    virtual bool available() const = 0;

    /// Says `text` after whatever is being said now. Returns at once.
    virtual void say(const QString &text) = 0;
};
