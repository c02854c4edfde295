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

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.trimmed().compare(b, Qt::CaseInsensitive) == 0;
}

/// Changes `ini` in place the way the reader will see it: the key's last line among the
/// section's lines gets the new value (the reader keeps the last one); a missing key goes after
/// the section's last entry, a missing section at the end, each line ended like the file's own.
void replaceOrAdd(QByteArray &ini, const QByteArray &section, const QByteArray &key,
                  const QByteArray &value)
{
    const qsizetype firstBreak = ini.indexOf('\n');
    const QByteArray eol = firstBreak > 0 && ini.at(firstBreak - 1) == '\r' ? "\r\n" : "\n";
    qsizetype valueStart = -1, valueEnd = -1; // the value of the key's last line
    qsizetype entryEnd = -1;                  // end of the first matching section's last entry
    bool inSection = false, firstSection = false, sectionSeen = false;
    qsizetype pos = ini.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < ini.size()) {
        qsizetype next = ini.indexOf('\n', pos);
        next = next < 0 ? ini.size() : next + 1;
        qsizetype end = next;
        while (end > pos && (ini.at(end - 1) == '\n' || ini.at(end - 1) == '\r'))
            --end;
        const QByteArray line = ini.mid(pos, end - pos);
        const QByteArray text = line.trimmed();
        if (text.startsWith('[') && text.contains(']')) {
            inSection = sameName(text.mid(1, text.indexOf(']') - 1), section);
            firstSection = inSection && !sectionSeen;
            sectionSeen = sectionSeen || inSection;
            if (firstSection)
                entryEnd = end;
        } else if (inSection && !text.isEmpty() && text[0] != ';' && text[0] != '#' &&
                   text.indexOf('=') > 0) {
            if (firstSection)
                entryEnd = end;
            const qsizetype equals = line.indexOf('=');
            if (sameName(line.left(equals), key)) {
                valueStart = pos + equals + 1;
                while (valueStart < end &&
                       (ini.at(valueStart) == ' ' || ini.at(valueStart) == '\t'))
                    ++valueStart;
                valueEnd = end;
            }
        }
        pos = next;
    }
    if (valueStart >= 0) {
        ini.replace(valueStart, valueEnd - valueStart, value);
    } else if (entryEnd >= 0) {
        ini.insert(entryEnd, eol + key + '=' + value);
    } else {
        if (!ini.isEmpty() && !ini.endsWith('\n'))
            ini += eol;
        ini += '[' + section + ']' + eol + key + '=' + value + eol;
    }
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
                 const QString &value, QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        return fail(QStringLiteral("The value holds a line break."));
    QByteArray bytes;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return fail(existing.errorString());
        bytes = existing.readAll();
        existing.close();
    }
    replaceOrAdd(bytes, section.toUtf8(), key.toUtf8(), value.toUtf8());
    QSaveFile file(path);
    // In an office the program folder is the administrator's and only this file is the
    // office's: rewrite it in place when no new file can be made beside it.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace IniFile
