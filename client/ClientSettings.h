#pragma once

#include "Failure.h"

#include <QString>

#include <memory>

class QSettings;

/// The representative's own settings: strings at the top level of the per-user store
/// (organisation "Velmora", application "Quorvel", native format). Tests keep them in a file of
/// their own instead, never in the user's store.
class ClientSettings
{
public:
    enum class Setting
    {
        Whoami,
        SoundSource,
        SoundPath,
        Window,
        Desk // where the representative calls customers to; none until set
    };

    /// The per-user store of the account that runs the program.
    ClientSettings();
    /// A store kept in `filePath`.
    explicit ClientSettings(const QString &filePath);

    static QString name(Setting setting);

    /// The value written on first run; the sound file lies in the program's media folder.
    static QString defaultValue(Setting setting, const QString &programFolder);

    /// The stored text as the client reads it: a missing value, one that is not a string and
    /// one of 256 characters or more read as ""; only the text before a NUL counts, trimmed.
    /// False (with `failure` set) when the store cannot be read.
    bool read(Setting setting, QString &value, Failure &failure) const;

    /// Stores `value` as a string; false (with `failure` set) when the store cannot be written.
    bool write(Setting setting, const QString &value, Failure &failure);

private:
    std::unique_ptr<QSettings> open() const;
    static Failure failureOf(const QSettings &settings);

    QString m_filePath;
};
