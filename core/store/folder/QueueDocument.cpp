#include "QueueDocument.h"

#include "kzrXML.h"

#include "QueueLock.h"

#include <QFile>
#include <QThread>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

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

// Buffers kept from one operation for the next: the file of a long queue is a quarter of a
// megabyte, and memory of that size taken afresh costs a page fault every few kilobytes.
std::vector<QByteArray> &spareBuffers()
{
    // Never destroyed: a document held in another static may give its buffers back at exit.
    static auto *spare = new std::vector<QByteArray>;
    return *spare;
}

QByteArray takeBuffer(qsizetype size)
{
    std::vector<QByteArray> &spare = spareBuffers();
    QByteArray buffer;
    if (!spare.empty()) {
        buffer = std::move(spare.back());
        spare.pop_back();
    }
    buffer.resize(size);
    return buffer;
}

void keepBuffer(QByteArray &&buffer)
{
    std::vector<QByteArray> &spare = spareBuffers();
    if (spare.size() < 3)
        spare.push_back(std::move(buffer));
}
} // namespace

QueueDocument::Loaded::~Loaded()
{
    doc.reset();
    keepBuffer(std::move(parsed));
    keepBuffer(std::move(bytes));
}

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
    readRetrying(path, false);
    held = hold != 0 ? HeldDocument{path, hold, m_loaded} : HeldDocument{};
    return m_loaded->state;
}

QueueDocument::LoadState QueueDocument::loadForReading(const QString &path)
{
    m_splice.reset();
    m_reshaped = false;
    readRetrying(path, true);
    if (m_loaded->state == LoadState::Loaded && !m_loaded->scanned)
        m_loaded->records = records();
    return m_loaded->state;
}

qsizetype QueueDocument::recordCount() const
{
    return m_loaded->scanned ? m_loaded->scan.recordCount() : m_loaded->records.size();
}

QueueRecordReader::Values QueueDocument::recordValues(qsizetype index) const
{
    if (m_loaded->scanned)
        return m_loaded->scan.values(index);
    return QueueRecordReader::valuesOf(m_loaded->records.at(index));
}

void QueueDocument::readRetrying(const QString &path, bool scanFirst)
{
    // A read may meet a share's stale idea of the file just after another workstation replaced
    // it (its old size, or for a moment no file at all): what does not read whole is read again
    // before it counts as unreadable or missing.
    for (int pause = 10;; pause *= 2) {
        m_loaded = std::make_shared<Loaded>();
        read(path, scanFirst);
        if (m_loaded->state == LoadState::Loaded || pause > 80)
            break;
        QThread::msleep(pause);
    }
}

void QueueDocument::read(const QString &path, bool scanFirst)
{
    Loaded &loaded = *m_loaded;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        loaded.state = file.exists() ? LoadState::Unreadable : LoadState::Missing;
        loaded.parseError = file.errorString();
        return;
    }
    // Read until the end, in case the file grew since its size was taken.
    loaded.bytes = takeBuffer(file.size());
    qsizetype filled = 0;
    for (;;) {
        if (filled == loaded.bytes.size())
            loaded.bytes.resize(filled + 4096);
        const qint64 got = file.read(loaded.bytes.data() + filled, loaded.bytes.size() - filled);
        if (got <= 0)
            break;
        filled += qsizetype(got);
    }
    loaded.bytes.resize(filled);
    loaded.encoding = QueueFileEncoding::of(loaded.bytes);
    if (!loaded.encoding.known()) {
        loaded.parseError = QStringLiteral("its encoding %1 is unknown")
                                .arg(QString::fromLatin1(loaded.encoding.name()));
        loaded.state = LoadState::NotWellFormed;
        return;
    }
    if (scanFirst && loaded.encoding.isPlainUtf8() && loaded.scan.scan(loaded.bytes)) {
        loaded.scanned = true;
        loaded.state = LoadState::Loaded;
        return;
    }
    const pugi::xml_encoding parseAs = loaded.encoding.prepare(loaded.bytes);
    if (parseAs == pugi::encoding_utf8 || parseAs == pugi::encoding_latin1) {
        const std::string_view text(loaded.bytes.constData(), size_t(loaded.bytes.size()));
        loaded.recordTags = 0;
        for (size_t tag = text.find("<QUEUE_REC"); tag != text.npos;
             tag = text.find("<QUEUE_REC", tag + 1))
            ++loaded.recordTags;
    }
    // The parser works in a copy of its own, so that the bytes stay as read for a change spliced
    // into them; UTF-8 it parses where it lies.
    loaded.parsed = takeBuffer(loaded.bytes.size());
    std::memcpy(loaded.parsed.data(), loaded.bytes.constData(), size_t(loaded.bytes.size()));
    const pugi::xml_parse_result result = loaded.doc.load_buffer_inplace(
        loaded.parsed.data(), size_t(loaded.parsed.size()), ParseOptions, parseAs);
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
                QStringLiteral("The queue file cannot be read: ") + m_loaded->parseError};
    case LoadState::NotWellFormed:
        return {FailureNumber::NotWellFormed,
                QStringLiteral("The queue file cannot be read: it is not well-formed (%1).")
                    .arg(m_loaded->parseError)};
    }
    return {};
}

QList<pugi::xml_node> QueueDocument::records() const
{
    // Every record comes from a start tag in the bytes as read: when the records outside other
    // records are as many as those tags, none lies inside another, and their children need no
    // visit.
    QList<pugi::xml_node> result = walkRecords(false);
    if (!m_loaded->changed && result.size() == m_loaded->recordTags)
        return result;
    return walkRecords(true);
}

QList<pugi::xml_node> QueueDocument::walkRecords(bool intoRecords) const
{
    // A plain walk in document order: the tree walker's virtual call per node cost as much as
    // parsing the file. Each step asks the tree as little as it can; the first letter spares
    // comparing most names.
    QList<pugi::xml_node> result;
    pugi::xml_node node = m_loaded->doc.first_child();
    while (node) {
        const char *name = node.name();
        const bool record = name[0] == 'Q' && std::strcmp(name, "QUEUE_REC") == 0 &&
                            node.type() == pugi::node_element;
        if (record)
            result.append(node);
        pugi::xml_node next = record && !intoRecords ? pugi::xml_node() : node.first_child();
        while (!next && node) {
            next = node.next_sibling();
            if (!next)
                node = node.parent();
        }
        node = next;
    }
    return result;
}

bool QueueDocument::recordId(pugi::xml_node record, int &id)
{
    const pugi::xml_attribute attribute = record.attribute("id");
    return attribute && QueueRecordReader::idFrom(attribute.value(), id);
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
    if (!texts.visitKey.isEmpty())
        xml.addXMLElement(record, QStringLiteral("VISIT_KEY"), QString(), QStringLiteral("value"),
                          texts.visitKey);
    if (!texts.desk.isEmpty())
        xml.addXMLElement(record, QStringLiteral("DESK"), QString(), QStringLiteral("value"),
                          texts.desk);
}

QString QueueDocument::visitKey(pugi::xml_node record)
{
    return QString::fromUtf8(record.child("VISIT_KEY").attribute("value").value());
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
    pugi::xml_document merged;
    pugi::xml_node record = merged.append_copy(scratch.first_child());
    // Children a newer build wrote stay; those this build writes are whatever the new record says
    // (a desk left out is a desk dropped).
    static const char *const ours[] = {"VISIT_KEY", "DESK"};
    for (pugi::xml_node child : match.children())
        if (child.type() == pugi::node_element && !record.child(child.name()) &&
            std::none_of(std::begin(ours), std::end(ours),
                         [&](const char *name) { return std::strcmp(name, child.name()) == 0; }))
            record.append_copy(child);
    qsizetype begin = 0, end = 0;
    const bool spliceable = spanOf(match, begin, end);
    recordSplice(spliceable, begin, end, merged);
    match.parent().insert_copy_before(record, match);
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
    m_loaded->changed = true;
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
        forgetHeldDocument();
        if (!m_splice)
            return QueueLock::commit(path, m_loaded->bytes, failure);
        const QByteArray &read = m_loaded->bytes;
        const qsizetype tail = read.size() - m_splice->end;
        QByteArray bytes = takeBuffer(m_splice->begin + m_splice->bytes.size() + tail);
        char *out = bytes.data();
        std::memcpy(out, read.constData(), size_t(m_splice->begin));
        out += m_splice->begin;
        std::memcpy(out, m_splice->bytes.constData(), size_t(m_splice->bytes.size()));
        out += m_splice->bytes.size();
        std::memcpy(out, read.constData() + m_splice->end, size_t(tail));
        const bool committed = QueueLock::commit(path, bytes, failure);
        keepBuffer(std::move(bytes));
        return committed;
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
