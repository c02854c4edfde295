#pragma once

#include <QString>

/// `vedez.ini` through profile-string semantics: section and key names match without regard to
/// case, anything missing reads as the caller's default, and a write keeps the rest of the file.
namespace IniFile {

/// The value's text, at most 4095 characters; `fallback` when the file, section or key is missing.
QString readString(const QString &path, const QString &section, const QString &key,
                   const QString &fallback);

/// Creates the file, the section or the key as needed; false when the file cannot be written.
bool writeString(const QString &path, const QString &section, const QString &key,
                 const QString &value);

} // namespace IniFile
