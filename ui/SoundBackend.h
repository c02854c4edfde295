#pragma once

#include <QList>
#include <QString>

/// How the programs make their sounds: generated tones, or a WAV file that is
/// opened, played and then released. Tests pass a fake.
class SoundBackend
{
public:
    enum class FileCheck
    {
        Ready,
        Missing,
        Unusable
    };

    struct Tone
    {
        int frequency; // Hz
        int milliseconds;

        bool operator==(const Tone &other) const = default;
    };

    virtual ~SoundBackend() = default;

    /// False on a machine without an audio output, where nothing may be played.
    virtual bool hasOutput() const = 0;

    /// Plays the tones one after the other. Returns at once: nothing waits on a sound.
    virtual void playTones(const QList<Tone> &tones) = 0;

    /// Takes `path` as the file to play; Missing when there is no such file, Unusable (with
    /// `error` set) when it cannot be played.
    virtual FileCheck openFile(const QString &path, QString &error) = 0;

    /// Plays the file last opened and releases it when done. Returns at once.
    virtual void playFile() = 0;
};
