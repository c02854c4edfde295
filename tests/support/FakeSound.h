#pragma once

#include "SoundBackend.h"

#include <QFileInfo>
#include <QStringList>

/// Records what would have sounded; a file "opens" when it exists.
class FakeSound final : public SoundBackend
{
public:
    bool hasOutput() const override { return output; }
    void playTones(const QList<Tone> &tones) override { tonesPlayed.append(tones); }
    FileCheck openFile(const QString &path, QString &) override
    {
        m_openFile.clear();
        if (!QFileInfo(path).isFile())
            return FileCheck::Missing;
        m_openFile = path;
        return FileCheck::Ready;
    }
    void playFile() override
    {
        if (!m_openFile.isEmpty())
            filesPlayed.append(m_openFile);
        m_openFile.clear();
    }

    bool output = true;
    QList<QList<Tone>> tonesPlayed;
    QStringList filesPlayed;

private:
    QString m_openFile;
};
