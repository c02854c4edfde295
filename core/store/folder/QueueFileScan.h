#pragma once

#include "QueueRecordReader.h"

#include <QByteArrayView>

#include <vector>

/// Reads a queue file in the shape this system writes it straight from its bytes, without
/// building a tree: a listing of a long queue then costs little more than reading the file. The
/// shape is narrow on purpose: a `LOBBY` of records whose children are empty elements, with
/// attribute values free of references and of characters the parser rewrites. Anything else (a
/// comment, text, a reference, a record inside another, another encoding, a file that is not
/// well-formed) fails the scan and is read by the parser, so that both read every file alike.
class QueueFileScan
{
public:
    /// Scans `bytes`, a queue file in UTF-8 without a byte-order mark; false when anything in it
    /// is not of that shape. The bytes must outlive the scan.
    bool scan(QByteArrayView bytes);

    qsizetype recordCount() const { return qsizetype(m_records.size()); }
    /// The id and children of the record `index`, in file order.
    QueueRecordReader::Values values(qsizetype index) const;

    /// Where a value lies in the bytes; `size` is negative for none.
    struct Span
    {
        quint32 at = 0;
        qint32 size = -1;
    };
    struct Record
    {
        Span id;
        Span field[QueueRecordReader::FieldCount];
        quint32 children = 0; // a bit for each field whose child the record has
    };

private:
    QByteArrayView m_bytes;
    std::vector<Record> m_records;
};
