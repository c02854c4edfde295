#include "Notifier.h"

#include "ClientState.h"
#include "CoreContext.h"
#include "SoundBackend.h"

#include <QApplication>

namespace {
const QList<SoundBackend::Tone> speakerTones = {{500, 250}, {400, 250}};
} // namespace

Notifier::Notifier(ClientState &state, CoreContext &context, SoundBackend &sound)
    : m_state(state), m_context(context), m_sound(sound)
{
}

bool Notifier::soundAvailable() const
{
    return m_sound.hasOutput();
}

bool Notifier::canPlay(const char *what)
{
    if (m_sound.hasOutput())
        return true;
    m_context.log(QStringLiteral("No audio output: %1 not played").arg(QLatin1String(what)));
    if (!m_silenceShown && m_showSilence) {
        m_silenceShown = true;
        m_showSilence(QStringLiteral("No audio: notifications silent"));
    }
    return false;
}

void Notifier::playNotification()
{
    if (m_alertWindow)
        QApplication::alert(m_alertWindow);
    if (m_state.soundSource == 1) {
        if (canPlay("notification tones"))
            m_sound.playTones(speakerTones);
    } else if (m_state.soundSource == 2) {
        // After a failed open the play finds no file: the speaker takes over from the next one.
        openSoundFile();
        if (canPlay("notification sound file"))
            m_sound.playFile();
    }
}

void Notifier::openSoundFile()
{
    const QString &path = m_state.soundPath;
    QString error;
    switch (m_sound.openFile(path, error)) {
    case SoundBackend::FileCheck::Ready:
        return;
    case SoundBackend::FileCheck::Missing:
        m_context.prompter().message(
            QStringLiteral("Sound file ") + path + QStringLiteral(" does not exist!") +
                QLatin1Char('\r') +
                QStringLiteral("Using speaker for sound.  Check the options screen for correct "
                               "file path."),
            QStringLiteral("Sound Error"), Prompter::Icon::Warning);
        break;
    case SoundBackend::FileCheck::Unusable:
        m_context.log(QStringLiteral("Sound file ") + path + QStringLiteral(": ") + error);
        m_context.prompter().message(
            QStringLiteral("Unable to open sound file:  ") + path + QLatin1Char('\r') +
                QStringLiteral("Check the filename in Options and that the sound file exists.  "
                               "Temporarily using speaker for audio notification."),
            QStringLiteral("Sound Card Error"), Prompter::Icon::Warning);
        break;
    }
    m_state.soundSource = 1;
}
