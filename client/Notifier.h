#pragma once

#include <QString>

#include <functional>

struct ClientState;
class CoreContext;
class QWidget;
class SoundBackend;

/// The notification that more customers wait: two speaker tones or the sound file, as the
/// representative chose, and a flash of the window's taskbar entry.
class Notifier
{
public:
    Notifier(ClientState &state, CoreContext &context, SoundBackend &sound);

    /// The window whose taskbar entry flashes.
    void setAlertWindow(QWidget *window) { m_alertWindow = window; }
    /// Where the notice that notifications are silent is shown, once in a run.
    void setSilenceNotice(std::function<void(const QString &)> show)
    {
        m_showSilence = std::move(show);
    }

    /// False on a machine without an audio output: the sound file cannot be played there.
    bool soundAvailable() const;

    /// Sounds once, by `soundSource`, and flashes the taskbar entry. On a machine without an
    /// audio output the sound is skipped: logged each time, and said once in the status bar.
    void playNotification();

    /// Takes `soundPath` as the sound file; when it cannot be used, warns and falls back to the
    /// speaker for the rest of the run.
    void openSoundFile();

private:
    bool canPlay(const char *what);

    ClientState &m_state;
    CoreContext &m_context;
    SoundBackend &m_sound;
    QWidget *m_alertWindow = nullptr;
    std::function<void(const QString &)> m_showSilence;
    bool m_silenceShown = false;
};
