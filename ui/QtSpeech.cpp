#include "QtSpeech.h"

#include <QTextToSpeech>

QtSpeech::QtSpeech()
{
    // Without any engine installed QTextToSpeech only warns; there is then nothing to make.
    if (QTextToSpeech::availableEngines().isEmpty())
        return;
    m_engine = std::make_unique<QTextToSpeech>();
    QObject::connect(m_engine.get(), &QTextToSpeech::stateChanged, m_engine.get(),
                     [this](QTextToSpeech::State state) {
                         if (state == QTextToSpeech::Ready)
                             sayNext();
                     });
}

QtSpeech::~QtSpeech() = default;

bool QtSpeech::available() const
{
    return m_engine && m_engine->state() != QTextToSpeech::Error;
}

void QtSpeech::say(const QString &text)
{
    if (!available())
        return;
    // A new text would cut the one being said short: it waits its turn.
    m_waiting.append(text);
    if (m_engine->state() == QTextToSpeech::Ready)
        sayNext();
}

void QtSpeech::sayNext()
{
    if (!m_waiting.isEmpty())
        m_engine->say(m_waiting.takeFirst());
}
