#include "StatisticsTable.h"

#include <QSaveFile>

namespace StatisticsTable {

namespace {
QString minutes(double value)
{
    return QString::number(value, 'f', 2);
}

QString percent(double share)
{
    return QString::number(share * 100, 'f', 1) + QLatin1Char('%');
}

QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    return '"' + field.replace('"', "\"\"") + '"';
}

QString numberText(const QString &text)
{
    return text.endsWith(QLatin1Char('%')) ? text.chopped(1) : text;
}

QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (uchar(c) < 0x20) {
            out += QByteArray("\\u00") + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        } else {
            out += c;
        }
    }
    return out + '"';
}
} // namespace

QStringList headers(Grouping grouping)
{
    return {HistoryStatistics::groupingTitle(grouping),
            QStringLiteral("Visits"),
            QStringLiteral("Mean wait"),
            QStringLiteral("Median wait"),
            QStringLiteral("90th percentile wait"),
            QStringLiteral("Longest wait"),
            QStringLiteral("Median service"),
            QStringLiteral("Overdue share")};
}

QStringList texts(const GroupFigures &figures)
{
    return {figures.group,
            QString::number(figures.visits),
            minutes(figures.meanWait),
            minutes(figures.medianWait),
            minutes(figures.p90Wait),
            minutes(figures.longestWait),
            minutes(figures.medianService),
            percent(figures.overdueShare)};
}

Rows rows(const StatisticsReport &report)
{
    Rows all;
    for (const GroupFigures &figures : report.groups)
        all.append(texts(figures));
    return all;
}

bool isNumeric(int column)
{
    return column > 0;
}

double number(const QString &text)
{
    return numberText(text).toDouble();
}

QByteArray csv(const QStringList &headers, const Rows &rows)
{
    QByteArray out;
    for (const QStringList &row : QList<QStringList>{headers} + rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                out += ',';
            out += csvField(row.at(i));
        }
        out += "\r\n";
    }
    return out;
}

QByteArray json(const QStringList &headers, const Rows &rows)
{
    QByteArray out = "[";
    for (qsizetype r = 0; r < rows.size(); ++r) {
        out += r == 0 ? "\n  {" : ",\n  {";
        for (qsizetype i = 0; i < headers.size(); ++i) {
            if (i > 0)
                out += ", ";
            out += jsonString(headers.at(i)) + ": ";
            // The figures as the table shows them, so both give the same digits.
            const QString &cell = rows.at(r).at(i);
            out += isNumeric(int(i)) ? numberText(cell).toUtf8() : jsonString(cell);
        }
        out += '}';
    }
    return out + (rows.isEmpty() ? "]\n" : "\n]\n");
}

QString aligned(const QStringList &headers, const Rows &rows)
{
    const QList<QStringList> all = QList<QStringList>{headers} + rows;
    QList<qsizetype> widths(headers.size(), 0);
    for (const QStringList &row : all)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    QString out;
    for (const QStringList &row : all) {
        QStringList cells;
        for (qsizetype i = 0; i < row.size(); ++i)
            cells.append(isNumeric(int(i)) ? row.at(i).rightJustified(widths[i])
                                           : row.at(i).leftJustified(widths[i]));
        out += cells.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    return out;
}

QString summary(const StatisticsReport &report)
{
    const GroupFigures &t = report.total;
    return QStringLiteral("%1 visits: mean wait %2, median %3, 90th percentile %4, longest %5 "
                          "minutes; median service %6 minutes; %7 overdue. Incomplete rows: %8.")
        .arg(QString::number(t.visits), minutes(t.meanWait), minutes(t.medianWait),
             minutes(t.p90Wait), minutes(t.longestWait), minutes(t.medianService),
             percent(t.overdueShare), QString::number(report.incompleteRows));
}

QString noVisitsText(const StatisticsReport &report)
{
    QString text = QStringLiteral("No records found for your selection.");
    if (report.incompleteRows > 0)
        text += QStringLiteral(" Incomplete rows: %1.").arg(report.incompleteRows);
    return text;
}

bool writeFile(const QString &path, const QByteArray &bytes, Failure &failure)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    failure = {FailureNumber::PathAccess, file.errorString()};
    return false;
}

} // namespace StatisticsTable
