#include "StorableText.h"

QString storableText(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r';
        if (!control && u != 0xFEFF && u != 0xFFFE && u != 0xFFFF)
            kept.append(c);
    }
    return kept;
}
