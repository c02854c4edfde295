#pragma once

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

    /// Sounds once, by `soundSource`. On a machine without an audio output the sound is
    /// skipped (logged).
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
};
