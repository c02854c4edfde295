#include "ClientSettings.h"

#include "SystemParameters.h"

#include <QSettings>

namespace {
// A value had to fit a buffer of 256 characters, its terminating NUL included.
constexpr qsizetype ValueBufferLength = 256;
} // namespace

ClientSettings::ClientSettings() = default;

ClientSettings::ClientSettings(const QString &filePath) : m_filePath(filePath) {}

QString ClientSettings::name(Setting setting)
{
    switch (setting) {
    case Setting::Whoami:
        return QStringLiteral("whoami");
    case Setting::SoundSource:
        return QStringLiteral("soundSource");
    case Setting::SoundPath:
        return QStringLiteral("soundPath");
    case Setting::Window:
        return QStringLiteral("window");
    case Setting::Desk:
        return QStringLiteral("desk");
    }
    return {};
}

QString ClientSettings::defaultValue(Setting setting, const QString &programFolder)
{
    switch (setting) {
    case Setting::Whoami:
        return {};
    case Setting::SoundSource:
        return QStringLiteral("2");
    case Setting::SoundPath:
        return joinPath(programFolder, QStringLiteral("media/chimes.wav"));
    case Setting::Window:
        return QStringLiteral("1");
    case Setting::Desk:
        return {};
    }
    return {};
}

std::unique_ptr<QSettings> ClientSettings::open() const
{
    if (!m_filePath.isEmpty())
        return std::make_unique<QSettings>(m_filePath, QSettings::NativeFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Velmora"), QStringLiteral("Quorvel"));
}

Failure ClientSettings::failureOf(const QSettings &settings)
{
    switch (settings.status()) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return {FailureNumber::PathAccess,
                QStringLiteral("Access denied to %1").arg(settings.fileName())};
    case QSettings::FormatError:
        return {FailureNumber::TypeMismatch,
                QStringLiteral("%1 is not a readable settings file").arg(settings.fileName())};
    }
    return {};
}

bool ClientSettings::read(Setting setting, QString &value, Failure &failure) const
{
    value.clear();
    const auto settings = open();
    failure = failureOf(*settings);
    if (failure.number != 0)
        return false;
    const QVariant stored = settings->value(name(setting));
    if (stored.typeId() != QMetaType::QString)
        return true;
    const QString text = stored.toString();
    if (text.size() >= ValueBufferLength)
        return true;
    value = text.section(QChar(u'\0'), 0, 0).trimmed();
    return true;
}

bool ClientSettings::write(Setting setting, const QString &value, Failure &failure)
{
    const auto settings = open();
    settings->setValue(name(setting), value);
    settings->sync();
    failure = failureOf(*settings);
    return failure.number == 0;
}
