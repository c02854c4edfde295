#pragma once

#include "SpeechBackend.h"

#include <QStringList>

#include <memory>

class QTextToSpeech;

/// Speech through Qt TextToSpeech, on its default engine (offline flite where installed).
class QtSpeech final : public SpeechBackend
{
public:
    QtSpeech();
    ~QtSpeech() override;

    bool available() const override;
    void say(const QString &text) override;

private:
    void sayNext();

    std::unique_ptr<QTextToSpeech> m_engine;
    QStringList m_waiting;
};
