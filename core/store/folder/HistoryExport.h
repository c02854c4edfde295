#pragma once

#include "Failure.h"
#include "RepNames.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <functional>

/// Which visits an export takes: a date range (both ends inclusive), optionally one
/// representative and one service.
struct ExportSelection
{
    QDate from;
    QDate to;
    int servicedBy = 0; // 0: every representative
    bool byService = false;
    QString service;

    /// "WHERE ..." over `history` with a placeholder for each of `boundValues()`.
    QString whereClause() const;
    QVariantList boundValues() const;
};

/// Writes the visits of a selection from a history database (the current one or an archive) to
/// a CSV file (RFC 4180, UTF-8, CRLF, no header): date, first name, last name, service,
/// representative's name, time in, time served, time out, minutes. The rows stream from the
/// database to the file, and the file is replaced atomically: the output path holds either its
/// old content or the whole new export, never part of one.
class HistoryExport
{
public:
    enum class Outcome
    {
        Written,
        NoRecords, // no file is made
        Cancelled, // the old file, if any, is untouched
        Failed
    };

    /// Called every `ProgressStep` rows with the rows written so far; false cancels.
    using Progress = std::function<bool(qint64 written)>;
    static constexpr int ProgressStep = 1000;

    HistoryExport(const QString &databasePath, const ExportSelection &selection,
                  const RepNames &repNames);

    /// How many rows the selection holds; -1 with `failure()` set on error.
    qint64 countRows();

    Outcome writeTo(const QString &outputPath, const Progress &progress = {});

    qint64 count() const { return m_count; }
    const Failure &failure() const { return m_failure; }

    /// The two date entries as typed ("mm/dd/yyyy", possibly partly blank); empty when both are
    /// dates and the start is not after the end, else the message that says what is wrong.
    static QString checkRange(const QString &fromText, const QString &toText, ExportSelection &sel,
                              int *wrongEntry = nullptr);

    static QString noRecordsText();
    QString completeText(const QString &outputPath) const;
    QString failureText() const;

private:
    QString m_databasePath;
    ExportSelection m_selection;
    QHash<qint64, QByteArray> m_names; // UTF-8
    qint64 m_count = 0;
    Failure m_failure;
};
