#pragma once

#include <QByteArray>

#include <pugixml.hpp>

/// The encoding a queue file is stored in, found from its byte-order mark or its declaration,
/// so that a save writes it back the way it was read. A file without either is UTF-8.
class QueueFileEncoding
{
public:
    /// Finds the encoding of `bytes`; `known()` is false for a name no converter knows.
    static QueueFileEncoding of(const QByteArray &bytes);

    bool known() const { return m_known; }
    const QByteArray &name() const { return m_name; }

    /// Makes `bytes` readable by the parser: the encoding to parse them in, after turning an
    /// encoding the parser lacks into UTF-8 in place.
    pugi::xml_encoding prepare(QByteArray &bytes) const;

    /// The parser's encoding to write the document in; UTF-8 where `encode` finishes the work.
    pugi::xml_encoding writtenAs() const;
    bool writesByteOrderMark() const { return m_byteOrderMark; }

    /// UTF-8 without a byte-order mark: the parser reads the bytes as they stand.
    bool isPlainUtf8() const
    {
        return m_kind == Kind::Native && m_native == pugi::encoding_utf8 && !m_byteOrderMark;
    }

    /// Turns the document written as UTF-8 into this encoding. A character the encoding cannot
    /// hold is written as a numeric character reference (only text and attribute values hold
    /// such characters, where a reference means the same).
    QByteArray encode(const QByteArray &utf8) const;

private:
    enum class Kind
    {
        Native, // the parser reads and writes it itself
        Latin1,
        Converted // through Qt's converters
    };
    Kind m_kind = Kind::Native;
    pugi::xml_encoding m_native = pugi::encoding_utf8;
    QByteArray m_name;
    bool m_byteOrderMark = false;
    bool m_known = true;
};
