#pragma once

#include <QString>

/// `text` without the characters no stored name may hold: C0 controls other than tab, line
/// feed and carriage return (XML 1.0 forbids them) and U+FEFF, U+FFFE, U+FFFF (SQLite's UTF-16
/// binding reads a leading U+FEFF as a byte-order mark).
QString storableText(const QString &text);
