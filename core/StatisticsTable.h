#pragma once

#include "Failure.h"
#include "HistoryStatistics.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// The statistics as a table of texts, the same in the reception's window, its CSV file and
/// quorvelctl's output: the group, then visits, mean, median, 90th percentile and longest wait,
/// median service time (minutes with two decimals) and the overdue share (a percentage).
namespace StatisticsTable {

using Rows = QList<QStringList>;

QStringList headers(Grouping grouping);
QStringList texts(const GroupFigures &figures);
Rows rows(const StatisticsReport &report);

/// Column `column` of a row holds a number (every column but the group's).
bool isNumeric(int column);
/// The number a cell's text stands for, for sorting; the text of `texts` read back.
double number(const QString &text);

/// RFC 4180: a header row, then the rows; UTF-8, CRLF, fields quoted where they must be.
QByteArray csv(const QStringList &headers, const Rows &rows);
/// An array of objects whose field names are the headers; the figures as numbers.
QByteArray json(const QStringList &headers, const Rows &rows);
/// Columns padded to their widest cell, numbers to the right, for a terminal.
QString aligned(const QStringList &headers, const Rows &rows);

/// The totals and the incomplete rows in one sentence, under the table.
QString summary(const StatisticsReport &report);

/// Said instead of a table when no complete visit was found.
QString noVisitsText(const StatisticsReport &report);

/// Replaces `path` with `bytes` whole or not at all; false with `failure` set.
bool writeFile(const QString &path, const QByteArray &bytes, Failure &failure);

} // namespace StatisticsTable
