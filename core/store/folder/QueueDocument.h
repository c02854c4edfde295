#pragma once

#include "Failure.h"
#include "QueueFileEncoding.h"
#include "QueueFileScan.h"
#include "QueueRecord.h"
#include "QueueRecordReader.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

#include <pugixml.hpp>

class kzrXML;

/// One load of the queue file: the procedures every queue operation is built from. A document
/// lives for one operation only.
class QueueDocument
{
public:
    enum class LoadState
    {
        Loaded,
        Missing,
        Unreadable,
        NotWellFormed
    };
    enum class AppendResult
    {
        Appended,
        NoDocumentElement,
        Corrupted
    };

    QueueDocument();

    /// Loads `path`. A missing or malformed file leaves the document empty.
    LoadState load(const QString &path);

    /// Loads `path` to read its records only, never to change it: a file in the usual shape is
    /// scanned instead of parsed. Its records are then read through `recordCount` and
    /// `recordValues`, whichever way the file was read.
    LoadState loadForReading(const QString &path);
    qsizetype recordCount() const;
    QueueRecordReader::Values recordValues(qsizetype index) const;

    /// Why the last load gave no document, for the operation's message.
    Failure loadFailure() const;

    /// The name of the document element; empty when there is none.
    QString documentElementName() const
    {
        return QString::fromUtf8(m_loaded->doc.document_element().name());
    }

    /// Every `QUEUE_REC` anywhere in the document, in document order.
    QList<pugi::xml_node> records() const;

    /// The first record whose id equals `id`; a null node when none matches. False (with
    /// `failure` set) when a record before the match has no id or one that is not a number.
    bool findById(int id, pugi::xml_node &match, Failure &failure) const;

    /// Builds a record with id `id` and the texts, for `append` or `replace`.
    static void buildRecord(pugi::xml_document &scratch, int id, const QueueRecordTexts &texts,
                            kzrXML &xml);

    /// Appends a built record as the last child of `LOBBY`.
    AppendResult append(const pugi::xml_document &scratch);

    /// Replaces `match` in place by the built record. Children of `match` that the built record
    /// lacks stay (its visit key, and what a later version adds), so that a build that does not
    /// know them never strips them.
    void replace(pugi::xml_node match, const pugi::xml_document &scratch);

    void remove(pugi::xml_node match);

    /// Writes the whole document in the encoding it was read in, through the queue lock: the
    /// new file replaces `path` at once and whole.
    bool save(const QString &path, Failure &failure) const;

    /// The id of a record as a 32-bit number; false when it has none or it is not a number.
    static bool recordId(pugi::xml_node record, int &id);

    /// The visit key of a record; empty for a record written before visits had keys.
    static QString visitKey(pugi::xml_node record);

private:
    struct Loaded
    {
        ~Loaded();
        QByteArray bytes;  // the file as read
        QByteArray parsed; // the parser's copy, which the document's texts point into
        pugi::xml_document doc;
        LoadState state = LoadState::Missing;
        QString parseError;
        QueueFileEncoding encoding;
        qsizetype recordTags = -1; // "<QUEUE_REC" in bytes read as UTF-8 or Latin-1
        bool changed = false;      // the document differs from the bytes
        bool scanned = false;      // read by the scan: no tree
        QueueFileScan scan;
        QList<pugi::xml_node> records; // those read from the tree by a load for reading
    };
    /// The document read last under the current hold of the queue lock, for the next read
    /// under the same hold.
    struct HeldDocument
    {
        QString path;
        quint64 hold = 0;
        std::shared_ptr<Loaded> loaded;
    };
    static HeldDocument &heldDocument();
    static void forgetHeldDocument();

    /// Reads `path`, again after a pause when it does not read whole.
    void readRetrying(const QString &path, bool scanFirst);
    /// Reads `path` once; `scanFirst` tries the scan before the parser.
    void read(const QString &path, bool scanFirst);
    /// The records in document order; those inside another record only when `intoRecords`.
    QList<pugi::xml_node> walkRecords(bool intoRecords) const;
    /// Where the usual record `record` stands in the file's bytes; false when it cannot be told.
    bool spanOf(pugi::xml_node record, qsizetype &begin, qsizetype &end) const;
    /// Notes that the bytes from `begin` to `end` become the built record (nothing when the
    /// scratch document is empty); a change that cannot be noted so rewrites the whole document.
    void recordSplice(bool spliceable, qsizetype begin, qsizetype end,
                      const pugi::xml_document &scratch);

    struct Splice
    {
        qsizetype begin = 0;
        qsizetype end = 0;
        QByteArray bytes;
    };

    std::shared_ptr<Loaded> m_loaded;
    std::optional<Splice> m_splice;
    bool m_reshaped = false;
};
