#pragma once

#include <QString>

/// `vedez.ini` through profile-string semantics: section and key names match without regard to
/// case, anything missing reads as the caller's default, and a write keeps the rest of the file.
namespace IniFile {

/// The value's text, at most 4095 characters; `fallback` when the file, section or key is missing.
QString readString(const QString &path, const QString &section, const QString &key,
                   const QString &fallback);

/// Replaces the value of the key's line, or adds the line (and the section) when missing; every
/// other byte of the file stays as it was, and the file is replaced atomically. False with
/// `error` set when the file cannot be read or written, or `value` holds a line break.
bool writeString(const QString &path, const QString &section, const QString &key,
                 const QString &value, QString *error = nullptr);

} // namespace IniFile
