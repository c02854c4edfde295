#pragma once

#include "SoundBackend.h"

#include <QBuffer>
#include <QSoundEffect>
#include <QTimer>

#include <memory>

class QAudioSink;

/// The sound of the program: tones through QAudioSink, WAV files through QSoundEffect.
class QtSound final : public SoundBackend
{
public:
    QtSound();
    ~QtSound() override;

    bool hasOutput() const override;
    void playTones(const QList<Tone> &tones) override;
    FileCheck openFile(const QString &path, QString &error) override;
    void playFile() override;

private:
    void stopTones();
    void releaseFile();

    std::unique_ptr<QAudioSink> m_sink;
    QBuffer m_toneBuffer;
    QTimer m_toneGuard;
    QSoundEffect m_effect;
    QTimer m_fileGuard;
    QString m_filePath;
};
