#include "QueueDocument.h"

#include "kzrXML.h"

#include "QueueLock.h"

#include <QFile>

#include <cctype>
#include <charconv>
#include <cstring>
#include <string_view>

namespace {
constexpr unsigned ParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi;

struct ByteWriter : pugi::xml_writer
{
    QByteArray bytes;
    void write(const void *data, size_t size) override
    {
        bytes.append(static_cast<const char *>(data), qsizetype(size));
    }
};
} // namespace

QueueDocument::QueueDocument() : m_loaded(std::make_shared<Loaded>()) {}

QueueDocument::HeldDocument &QueueDocument::heldDocument()
{
    static HeldDocument held;
    return held;
}

void QueueDocument::forgetHeldDocument()
{
    heldDocument() = {};
}

QueueDocument::LoadState QueueDocument::load(const QString &path)
{
    m_splice.reset();
    m_reshaped = false;
    // Under one hold of the lock nobody else changes the file: a sequence that reads it again
    // (a take, a sign-out) reads what it parsed before, once no other document uses that.
    const quint64 hold = QueueLock::holdHere(path);
    HeldDocument &held = heldDocument();
    if (hold != 0 && held.hold == hold && held.path == path && held.loaded.use_count() == 1) {
        m_loaded = held.loaded;
        return m_loaded->state;
    }
    m_loaded = std::make_shared<Loaded>();
    read(path);
    held = hold != 0 ? HeldDocument{path, hold, m_loaded} : HeldDocument{};
    return m_loaded->state;
}

void QueueDocument::read(const QString &path)
{
    Loaded &loaded = *m_loaded;
    QFile file(path);
    if (!file.exists()) {
        loaded.state = LoadState::Missing;
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.state = LoadState::Unreadable;
        return;
    }
    loaded.bytes = file.readAll();
    loaded.encoding = QueueFileEncoding::of(loaded.bytes);
    if (!loaded.encoding.known()) {
        loaded.parseError = QStringLiteral("its encoding %1 is unknown")
                                .arg(QString::fromLatin1(loaded.encoding.name()));
        loaded.state = LoadState::NotWellFormed;
        return;
    }
    const pugi::xml_encoding parseAs = loaded.encoding.prepare(loaded.bytes);
    const pugi::xml_parse_result result = loaded.doc.load_buffer(
        loaded.bytes.constData(), size_t(loaded.bytes.size()), ParseOptions, parseAs);
    if (!result) {
        loaded.parseError = QString::fromUtf8(result.description());
        loaded.doc.reset();
        loaded.state = LoadState::NotWellFormed;
        return;
    }
    loaded.state = LoadState::Loaded;
}

Failure QueueDocument::loadFailure() const
{
    switch (m_loaded->state) {
    case LoadState::Loaded:
        return {};
    case LoadState::Missing:
        return {FailureNumber::FileNotFound,
                QStringLiteral("The queue file lobbyData.xml was not found.")};
    case LoadState::Unreadable:
        return {FailureNumber::PathAccess,
                QStringLiteral("The queue file lobbyData.xml could not be read.")};
    case LoadState::NotWellFormed:
        return {FailureNumber::NotWellFormed,
                QStringLiteral("The queue file lobbyData.xml is not well-formed (%1).")
                    .arg(m_loaded->parseError)};
    }
    return {};
}

QList<pugi::xml_node> QueueDocument::records() const
{
    // A plain walk in document order: the tree walker's virtual call per node cost as much as
    // parsing the file.
    QList<pugi::xml_node> result;
    pugi::xml_node node = m_loaded->doc.first_child();
    while (node) {
        if (node.type() == pugi::node_element && std::strcmp(node.name(), "QUEUE_REC") == 0)
            result.append(node);
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            continue;
        }
        while (node && !node.next_sibling())
            node = node.parent();
        if (node)
            node = node.next_sibling();
    }
    return result;
}

bool QueueDocument::recordId(pugi::xml_node record, int &id)
{
    const pugi::xml_attribute attribute = record.attribute("id");
    if (!attribute)
        return false;
    // Digits with blanks around them, as a number reads; no conversion to text on the way.
    std::string_view text(attribute.value());
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool QueueDocument::findById(int id, pugi::xml_node &match, Failure &failure) const
{
    match = pugi::xml_node();
    for (const pugi::xml_node &record : records()) {
        int recordId = 0;
        if (!QueueDocument::recordId(record, recordId)) {
            failure = {FailureNumber::TypeMismatch,
                       QStringLiteral("A queue record has no id or one that is not a number.")};
            return false;
        }
        if (recordId == id) {
            match = record;
            return true;
        }
    }
    return true;
}

void QueueDocument::buildRecord(pugi::xml_document &scratch, int id, const QueueRecordTexts &texts,
                                kzrXML &xml)
{
    pugi::xml_node record = scratch.append_child("QUEUE_REC");
    record.append_attribute("id").set_value(id);
    const std::pair<const char *, const QString *> children[] = {
        {"FIRST_NAME", &texts.firstName},     {"LAST_NAME", &texts.lastName},
        {"LOBBY_STATUS", &texts.lobbyStatus}, {"SERVICE", &texts.service},
        {"USER_ID", &texts.userId},           {"TIME_IN", &texts.timeIn},
        {"DATE_IN", &texts.dateIn},           {"TIME_SEEN", &texts.timeSeen},
    };
    for (const auto &[name, value] : children)
        xml.addXMLElement(record, QLatin1String(name), QString(), QStringLiteral("value"), *value);
}

QueueDocument::AppendResult QueueDocument::append(const pugi::xml_document &scratch)
{
    pugi::xml_node root = m_loaded->doc.document_element();
    if (!root)
        return AppendResult::NoDocumentElement;
    if (std::strcmp(root.name(), "LOBBY") != 0)
        return AppendResult::Corrupted;
    const qsizetype close = m_loaded->bytes.lastIndexOf("</LOBBY");
    const bool closesTheFile = close >= 0 && m_loaded->bytes.mid(close + 7).trimmed() == ">" &&
                               m_loaded->encoding.isPlainUtf8();
    recordSplice(closesTheFile, close, close, scratch);
    root.append_copy(scratch.first_child());
    return AppendResult::Appended;
}

void QueueDocument::replace(pugi::xml_node match, const pugi::xml_document &scratch)
{
    if (!match)
        return;
    qsizetype begin = 0, end = 0;
    const bool spliceable = spanOf(match, begin, end);
    recordSplice(spliceable, begin, end, scratch);
    match.parent().insert_copy_before(scratch.first_child(), match);
    match.parent().remove_child(match);
}

void QueueDocument::remove(pugi::xml_node match)
{
    if (!match)
        return;
    qsizetype begin = 0, end = 0;
    const bool spliceable = spanOf(match, begin, end);
    recordSplice(spliceable, begin, end, pugi::xml_document());
    match.parent().remove_child(match);
}

bool QueueDocument::spanOf(pugi::xml_node record, qsizetype &begin, qsizetype &end) const
{
    // Only the usual shape: empty child elements, none of them a record, so that nothing but
    // the record's own end tag can hold its name before it ends.
    if (!m_loaded->encoding.isPlainUtf8() || !record.first_child())
        return false;
    for (pugi::xml_node child : record.children())
        if (child.type() != pugi::node_element || child.first_child() ||
            std::strcmp(child.name(), "QUEUE_REC") == 0)
            return false;
    const QByteArray &bytes = m_loaded->bytes;
    const qsizetype name = record.offset_debug();
    if (name < 1 || name >= bytes.size() || bytes.at(name - 1) != '<')
        return false;
    qsizetype close = bytes.indexOf("</QUEUE_REC", name);
    if (close < 0)
        return false;
    close += 11;
    while (close < bytes.size() && std::isspace(uchar(bytes.at(close))))
        ++close;
    if (close >= bytes.size() || bytes.at(close) != '>')
        return false;
    begin = name - 1;
    end = close + 1;
    return true;
}

void QueueDocument::recordSplice(bool spliceable, qsizetype begin, qsizetype end,
                                 const pugi::xml_document &scratch)
{
    forgetHeldDocument(); // the document now differs from the file
    if (!spliceable || m_splice) {
        m_reshaped = true;
        return;
    }
    ByteWriter writer;
    if (pugi::xml_node record = scratch.first_child())
        record.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    m_splice = Splice{begin, end, writer.bytes};
}

bool QueueDocument::save(const QString &path, Failure &failure) const
{
    // A change of one record in a file read as it stands rewrites the file's own bytes around
    // it: the same document, without writing every other record out again.
    if (m_loaded->state == LoadState::Loaded && !m_reshaped && m_loaded->encoding.isPlainUtf8()) {
        const QByteArray bytes = m_splice ? m_loaded->bytes.left(m_splice->begin) +
                                                m_splice->bytes + m_loaded->bytes.mid(m_splice->end)
                                          : m_loaded->bytes;
        forgetHeldDocument();
        return QueueLock::commit(path, bytes, failure);
    }
    ByteWriter writer;
    // The declaration, when the file has one, is a node of the document and is written as read.
    unsigned options = pugi::format_raw | pugi::format_no_declaration;
    if (m_loaded->encoding.writesByteOrderMark())
        options |= pugi::format_write_bom;
    m_loaded->doc.save(writer, "", options, m_loaded->encoding.writtenAs());
    forgetHeldDocument();
    return QueueLock::commit(path, m_loaded->encoding.encode(writer.bytes), failure);
}
