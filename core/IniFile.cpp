#include "IniFile.h"

#include <QFile>
#include <QSaveFile>

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // the Debian header keeps its definitions behind this
#include <SimpleIni.h>

namespace IniFile {

namespace {
constexpr int MaxValueLength = 4095;

bool loadInto(const QString &path, CSimpleIniA &ini)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return ini.LoadData(bytes.constData(), size_t(bytes.size())) >= 0;
}
} // namespace

QString readString(const QString &path, const QString &section, const QString &key,
                   const QString &fallback)
{
    CSimpleIniA ini;
    ini.SetUnicode(true);
    if (!loadInto(path, ini))
        return fallback;
    const char *value = ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData());
    if (!value)
        return fallback;
    return QString::fromUtf8(value).left(MaxValueLength);
}

bool writeString(const QString &path, const QString &section, const QString &key,
                 const QString &value)
{
    CSimpleIniA ini;
    ini.SetUnicode(true);
    if (QFile::exists(path) && !loadInto(path, ini))
        return false;
    if (ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(),
                     value.toUtf8().constData()) < 0)
        return false;
    std::string data;
    if (ini.Save(data) < 0)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(data.data(), qint64(data.size()));
    return file.commit();
}

} // namespace IniFile
