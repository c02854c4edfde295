#include "QueueFileScan.h"

#include <array>
#include <cstring>

namespace {
enum CharClass : quint8
{
    NameStart = 1,
    Name = 2,
    Space = 4,
    // What the parser would rewrite or stop at in a value, or what cannot stand in one.
    NotInValue = 8,
};

constexpr std::array<quint8, 256> charClasses()
{
    std::array<quint8, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        const bool letter =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
        if (letter)
            classes[c] |= NameStart | Name;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            classes[c] |= Name;
    }
    for (const char c : {' ', '\t', '\n', '\r'})
        classes[uchar(c)] |= Space;
    for (const char c : {'<', '&', '\t', '\n', '\r', '\0', '"', '\''})
        classes[uchar(c)] |= NotInValue;
    return classes;
}
constexpr std::array<quint8, 256> classes = charClasses();

bool is(char c, CharClass kind)
{
    return classes[uchar(c)] & kind;
}

/// Names are short: a loop the compiler keeps in place beats a call.
bool same(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

/// A walk over the bytes that accepts only the usual shape; every step false at anything else.
class Cursor
{
public:
    explicit Cursor(QByteArrayView bytes)
        : m_begin(bytes.data()), m_at(bytes.data()), m_end(bytes.data() + bytes.size())
    {
    }

    bool atEnd() const { return m_at == m_end; }
    bool ahead(char c, qsizetype distance = 0) const
    {
        return m_end - m_at > distance && m_at[distance] == c;
    }

    void skipSpace()
    {
        while (m_at < m_end && is(*m_at, Space))
            ++m_at;
    }

    template <qsizetype Size> bool take(const char (&literal)[Size])
    {
        if (m_end - m_at < Size - 1 || std::memcmp(m_at, literal, Size - 1) != 0)
            return false;
        m_at += Size - 1;
        return true;
    }

    bool name(QByteArrayView &name)
    {
        const char *begin = m_at;
        if (m_at == m_end || !is(*m_at, NameStart))
            return false;
        while (++m_at < m_end && is(*m_at, Name)) {
        }
        name = QByteArrayView(begin, m_at - begin);
        return true;
    }

    /// The attributes up to the tag's end; `wanted`'s first value goes to `value`.
    bool attributes(QByteArrayView wanted, QueueFileScan::Span &value)
    {
        for (;;) {
            const char *before = m_at;
            skipSpace();
            QByteArrayView attribute;
            if (m_at == before || !name(attribute))
                return true; // the tag's end comes next
            skipSpace();
            if (!take("="))
                return false;
            skipSpace();
            if (m_at == m_end || (*m_at != '"' && *m_at != '\''))
                return false;
            const char quote = *m_at++;
            const char *begin = m_at;
            while (m_at < m_end && !is(*m_at, NotInValue))
                ++m_at;
            if (m_at == m_end || *m_at != quote) {
                // The other quote may stand in a value; anything else of the kind is the parser's.
                while (m_at < m_end && *m_at != quote &&
                       (*m_at == '"' || *m_at == '\'' || !is(*m_at, NotInValue)))
                    ++m_at;
                if (m_at == m_end || *m_at != quote)
                    return false;
            }
            if (value.size < 0 && same(attribute, wanted))
                value = {quint32(begin - m_begin), qint32(m_at - begin)};
            ++m_at;
        }
    }

    /// An end tag `</name>` after blanks.
    bool endTag(QByteArrayView name)
    {
        skipSpace();
        QByteArrayView closed;
        if (!take("</") || !this->name(closed) || !same(closed, name))
            return false;
        skipSpace();
        return take(">");
    }

    /// A start tag with its attributes, from its `<`; `empty` when it closes itself.
    bool startTag(QByteArrayView &name, QByteArrayView wanted, QueueFileScan::Span &value,
                  bool &empty)
    {
        if (!take("<") || !this->name(name) || !attributes(wanted, value))
            return false;
        skipSpace();
        empty = take("/>");
        return empty || take(">");
    }

    /// One record from its `<`.
    bool record(QueueFileScan::Record &record)
    {
        QByteArrayView name;
        bool empty = false;
        if (!startTag(name, "id", record.id, empty) || !same(name, "QUEUE_REC"))
            return false;
        while (!empty) {
            skipSpace();
            if (ahead('/', 1))
                return endTag("QUEUE_REC");
            QByteArrayView child;
            QueueFileScan::Span value;
            if (!startTag(child, "value", value, empty) || same(child, "QUEUE_REC") ||
                (!empty && !endTag(child)))
                return false;
            empty = false;
            // The first child of each name counts, as a look-up by name finds it.
            const int field = QueueRecordReader::fieldNamed(child);
            if (field >= 0 && !(record.children & (1u << field))) {
                record.children |= 1u << field;
                record.field[field] = value;
            }
        }
        return true;
    }

private:
    const char *m_begin;
    const char *m_at;
    const char *m_end;
};
} // namespace

bool QueueFileScan::scan(QByteArrayView bytes)
{
    m_bytes = bytes;
    m_records.clear();
    Cursor cursor(bytes);
    QByteArrayView name;
    Span unused;
    bool empty = false;
    if (cursor.take("<?xml")) {
        if (!cursor.attributes({}, unused))
            return false;
        cursor.skipSpace();
        if (!cursor.take("?>"))
            return false;
    }
    cursor.skipSpace();
    if (!cursor.startTag(name, {}, unused, empty) || !same(name, "LOBBY"))
        return false;
    while (!empty) {
        cursor.skipSpace();
        if (cursor.ahead('/', 1))
            break;
        m_records.emplace_back();
        if (!cursor.record(m_records.back()))
            return false;
    }
    if (!empty && !cursor.endTag("LOBBY"))
        return false;
    cursor.skipSpace();
    return cursor.atEnd();
}

QueueRecordReader::Values QueueFileScan::values(qsizetype index) const
{
    const Record &record = m_records[size_t(index)];
    const auto view = [&](Span span) {
        return span.size < 0 ? QByteArrayView() : m_bytes.sliced(span.at, span.size);
    };
    QueueRecordReader::Values values;
    values.id = view(record.id);
    for (int f = 0; f < QueueRecordReader::FieldCount; ++f) {
        values.child[f] = record.children & (1u << f);
        values.field[f] = view(record.field[f]);
    }
    return values;
}
