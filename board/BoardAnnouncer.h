#pragma once

#include "BoardModel.h"

#include <QObject>
#include <QString>

class SoundBackend;
class SpeechBackend;

/// Calls newly taken customers in the lobby: the chime once, then each customer aloud once.
/// Either sound or speech may be absent (muted, or no device or engine here): what is left goes
/// on without it.
class BoardAnnouncer : public QObject
{
    Q_OBJECT

public:
    /// Long enough for the chime to end before the first call.
    static constexpr int ChimeMilliseconds = 1200;

    /// `sentence`: what is said, with `%name%` and `%desk%`; empty for the usual sentences.
    BoardAnnouncer(SoundBackend *sound, SpeechBackend *speech, const QString &chimePath,
                   const QString &sentence, QObject *parent = nullptr);

    /// The sentence of `vedez.ini` section `board`, key `Announcement`; empty when unset.
    static QString sentenceOf(const QString &iniPath);

    /// What is said for `customer` sent to `desk` (empty: no desk).
    static QString callText(const QString &sentence, const QString &customer, const QString &desk);

    void announce(const QList<BoardModel::Call> &calls);

private:
    void speak(const QList<BoardModel::Call> &calls);

    SoundBackend *m_sound;
    SpeechBackend *m_speech;
    QString m_chimePath;
    QString m_sentence;
};
