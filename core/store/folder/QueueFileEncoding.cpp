#include "QueueFileEncoding.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {
/// The value of `encoding="..."` in the declaration at the start of `bytes`; empty without one.
QByteArray declaredName(const QByteArray &bytes)
{
    if (!bytes.startsWith("<?xml"))
        return {};
    const qsizetype end = bytes.indexOf("?>");
    const QByteArray declaration = bytes.left(end < 0 ? 0 : end);
    qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return {};
    at = declaration.indexOf('=', at);
    while (at >= 0 && ++at < declaration.size() && declaration[at] == ' ') {
    }
    if (at < 0 || at >= declaration.size())
        return {};
    const char quote = declaration[at];
    const qsizetype close = declaration.indexOf(quote, at + 1);
    return close < 0 ? QByteArray() : declaration.mid(at + 1, close - at - 1).trimmed();
}

bool isOneOf(const QByteArray &name, std::initializer_list<const char *> names)
{
    for (const char *candidate : names)
        if (qstricmp(name.constData(), candidate) == 0)
            return true;
    return false;
}

/// The length of the UTF-8 sequence that starts with `lead`.
int sequenceLength(uchar lead)
{
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
}
} // namespace

QueueFileEncoding QueueFileEncoding::of(const QByteArray &bytes)
{
    QueueFileEncoding encoding;
    const auto startsWith = [&bytes](std::initializer_list<uchar> start) {
        qsizetype i = 0;
        for (uchar byte : start)
            if (i >= bytes.size() || uchar(bytes[i++]) != byte)
                return false;
        return true;
    };
    encoding.m_byteOrderMark = true;
    if (startsWith({0xEF, 0xBB, 0xBF}))
        encoding.m_native = pugi::encoding_utf8;
    else if (startsWith({0xFF, 0xFE, 0, 0}))
        encoding.m_native = pugi::encoding_utf32_le;
    else if (startsWith({0, 0, 0xFE, 0xFF}))
        encoding.m_native = pugi::encoding_utf32_be;
    else if (startsWith({0xFF, 0xFE}))
        encoding.m_native = pugi::encoding_utf16_le;
    else if (startsWith({0xFE, 0xFF}))
        encoding.m_native = pugi::encoding_utf16_be;
    else {
        encoding.m_byteOrderMark = false;
        if (startsWith({'<', 0, '?', 0}))
            encoding.m_native = pugi::encoding_utf16_le;
        else if (startsWith({0, '<', 0, '?'}))
            encoding.m_native = pugi::encoding_utf16_be;
    }
    if (encoding.m_byteOrderMark || encoding.m_native != pugi::encoding_utf8)
        return encoding;

    encoding.m_name = declaredName(bytes);
    if (encoding.m_name.isEmpty() || isOneOf(encoding.m_name, {"UTF-8", "UTF8"}))
        return encoding;
    if (isOneOf(encoding.m_name,
                {"ISO-8859-1", "ISO_8859-1", "latin1", "latin-1", "l1", "CP819", "IBM819"})) {
        encoding.m_kind = Kind::Latin1;
        return encoding;
    }
    encoding.m_kind = Kind::Converted;
    encoding.m_known = QStringDecoder(encoding.m_name.constData()).isValid() &&
                       QStringEncoder(encoding.m_name.constData()).isValid();
    return encoding;
}

pugi::xml_encoding QueueFileEncoding::prepare(QByteArray &bytes) const
{
    switch (m_kind) {
    case Kind::Native:
        return m_native;
    case Kind::Latin1:
        return pugi::encoding_latin1;
    case Kind::Converted:
        break;
    }
    QStringDecoder decoder(m_name.constData(), QStringConverter::Flag::Stateless);
    bytes = QString(decoder.decode(bytes)).toUtf8();
    return pugi::encoding_utf8;
}

pugi::xml_encoding QueueFileEncoding::writtenAs() const
{
    return m_kind == Kind::Native ? m_native : pugi::encoding_utf8;
}

QByteArray QueueFileEncoding::encode(const QByteArray &utf8) const
{
    if (m_kind == Kind::Native)
        return utf8;
    const auto flags = QStringConverter::Flag::Stateless;
    QStringEncoder encoder = m_kind == Kind::Latin1
                                 ? QStringEncoder(QStringConverter::Latin1, flags)
                                 : QStringEncoder(m_name.constData(), flags);
    QStringDecoder decoder = m_kind == Kind::Latin1
                                 ? QStringDecoder(QStringConverter::Latin1, flags)
                                 : QStringDecoder(m_name.constData(), flags);

    // The markup is ASCII, which every declared encoding keeps as it is; only the characters
    // beyond it are looked at one by one.
    QByteArray out;
    out.reserve(utf8.size());
    QHash<QByteArray, QByteArray> encoded;
    const char *at = utf8.constData();
    const char *const end = at + utf8.size();
    while (at < end) {
        const char *run = at;
        while (at < end && uchar(*at) < 0x80)
            ++at;
        out.append(run, at - run);
        if (at == end)
            break;
        const QByteArray sequence(at, std::min<qsizetype>(sequenceLength(uchar(*at)), end - at));
        at += sequence.size();
        auto found = encoded.constFind(sequence);
        if (found == encoded.constEnd()) {
            const QString character = QString::fromUtf8(sequence);
            QByteArray bytes = encoder.encode(character);
            if (QString(decoder.decode(bytes)) != character)
                bytes = "&#" + QByteArray::number(character.toUcs4().value(0)) + ';';
            found = encoded.insert(sequence, bytes);
        }
        out += *found;
    }
    return out;
}
