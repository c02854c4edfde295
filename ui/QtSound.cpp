#include "QtSound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QUrl>

#include <cmath>
#include <numbers>

namespace {
// A sound that never reports its end is still stopped, so nothing waits on it for ever.
constexpr int ToneGraceMilliseconds = 2000;
constexpr int FileGuardMilliseconds = 60000;
// Short fades at both ends of a tone keep the speaker from clicking.
constexpr double FadeSeconds = 0.005;

QAudioFormat toneFormat(const QAudioDevice &device)
{
    QAudioFormat format = device.preferredFormat();
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        format.setSampleFormat(QAudioFormat::Float);
    return format;
}

QByteArray tonesPcm(const QList<SoundBackend::Tone> &tones, const QAudioFormat &format)
{
    QByteArray pcm;
    const int rate = format.sampleRate();
    const int channels = format.channelCount();
    for (const SoundBackend::Tone &tone : tones) {
        const int frames = rate * tone.milliseconds / 1000;
        const int fadeFrames = qMax(1, int(rate * FadeSeconds));
        for (int i = 0; i < frames; ++i) {
            const double envelope = qMin(1.0, qMin(double(i), double(frames - 1 - i)) / fadeFrames);
            const double value =
                0.5 * envelope * std::sin(2 * std::numbers::pi * tone.frequency * i / rate);
            for (int c = 0; c < channels; ++c) {
                if (format.sampleFormat() == QAudioFormat::Int16) {
                    const qint16 sample = qint16(value * 32767);
                    pcm.append(reinterpret_cast<const char *>(&sample), sizeof sample);
                } else {
                    const float sample = float(value);
                    pcm.append(reinterpret_cast<const char *>(&sample), sizeof sample);
                }
            }
        }
    }
    return pcm;
}

bool isWave(QFile &file)
{
    const QByteArray header = file.read(12);
    return header.size() == 12 && header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
}
} // namespace

QtSound::QtSound()
{
    m_toneGuard.setSingleShot(true);
    m_fileGuard.setSingleShot(true);
    m_fileGuard.setInterval(FileGuardMilliseconds);
    QObject::connect(&m_toneGuard, &QTimer::timeout, [this] { stopTones(); });
    QObject::connect(&m_fileGuard, &QTimer::timeout, [this] { releaseFile(); });
    QObject::connect(&m_effect, &QSoundEffect::playingChanged, [this] {
        if (!m_effect.isPlaying())
            releaseFile();
    });
    QObject::connect(&m_effect, &QSoundEffect::statusChanged, [this] {
        if (m_effect.status() == QSoundEffect::Error)
            releaseFile();
    });
}

QtSound::~QtSound()
{
    stopTones();
}

bool QtSound::hasOutput() const
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

void QtSound::playTones(const QList<Tone> &tones)
{
    stopTones();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    const QAudioFormat format = toneFormat(device);
    m_toneBuffer.setData(tonesPcm(tones, format));
    m_toneBuffer.open(QIODevice::ReadOnly);
    m_sink = std::make_unique<QAudioSink>(device, format);
    QObject::connect(m_sink.get(), &QAudioSink::stateChanged, [this](QAudio::State state) {
        if (state == QAudio::IdleState || state == QAudio::StoppedState)
            m_toneGuard.start(0);
    });
    int milliseconds = 0;
    for (const Tone &tone : tones)
        milliseconds += tone.milliseconds;
    m_toneGuard.start(milliseconds + ToneGraceMilliseconds);
    m_sink->start(&m_toneBuffer);
}

void QtSound::stopTones()
{
    m_toneGuard.stop();
    if (m_sink)
        m_sink->stop();
    m_toneBuffer.close();
}

SoundBackend::FileCheck QtSound::openFile(const QString &path, QString &error)
{
    m_filePath.clear();
    if (!QFileInfo(path).isFile())
        return FileCheck::Missing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return FileCheck::Unusable;
    }
    if (!isWave(file)) {
        error = QStringLiteral("not a WAV file");
        return FileCheck::Unusable;
    }
    m_filePath = path;
    return FileCheck::Ready;
}

void QtSound::playFile()
{
    if (m_filePath.isEmpty())
        return;
    m_effect.setSource(QUrl::fromLocalFile(m_filePath));
    m_fileGuard.start();
    m_effect.play();
}

void QtSound::releaseFile()
{
    m_fileGuard.stop();
    // An empty source lets go of the file, as the player did when it was done with it.
    if (!m_effect.source().isEmpty())
        m_effect.setSource(QUrl());
}
