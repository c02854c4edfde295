#include "BoardAnnouncer.h"

#include "IniFile.h"
#include "SoundBackend.h"
#include "SpeechBackend.h"

#include <QTimer>

BoardAnnouncer::BoardAnnouncer(SoundBackend *sound, SpeechBackend *speech,
                               const QString &chimePath, const QString &sentence, QObject *parent)
    : QObject(parent), m_sound(sound), m_speech(speech), m_chimePath(chimePath),
      m_sentence(sentence)
{
}

QString BoardAnnouncer::sentenceOf(const QString &iniPath)
{
    return IniFile::readString(iniPath, QStringLiteral("board"), QStringLiteral("Announcement"),
                               QString())
        .trimmed();
}

QString BoardAnnouncer::callText(const QString &sentence, const QString &customer,
                                 const QString &desk)
{
    QString text = sentence;
    if (text.isEmpty())
        text = desk.isEmpty() ? QStringLiteral("%name%, please come to the front desk")
                              : QStringLiteral("%name%, please go to %desk%");
    return text.replace(QLatin1String("%name%"), customer, Qt::CaseInsensitive)
        .replace(QLatin1String("%desk%"), desk.isEmpty() ? QStringLiteral("the front desk") : desk,
                 Qt::CaseInsensitive);
}

void BoardAnnouncer::announce(const QList<BoardModel::Call> &calls)
{
    // No audio output, or no chime in the folder: the board calls without it.
    QString error;
    const bool chimed = m_sound && m_sound->hasOutput() &&
                        m_sound->openFile(m_chimePath, error) == SoundBackend::FileCheck::Ready;
    if (chimed)
        m_sound->playFile();
    if (!m_speech || !m_speech->available())
        return;
    if (chimed)
        QTimer::singleShot(ChimeMilliseconds, this, [this, calls] { speak(calls); });
    else
        speak(calls);
}

void BoardAnnouncer::speak(const QList<BoardModel::Call> &calls)
{
    for (const BoardModel::Call &call : calls)
        m_speech->say(callText(m_sentence, call.customer, call.desk));
}
