#pragma once

#include <QList>
#include <QString>
#include <QWidget>

/// One list of the lobby board, painted large: a caption (with a count when given) and one line
/// a row. Rows that do not fit give way to a last line "+N more", so the list never overflows;
/// long texts elide.
class BoardPanel : public QWidget
{
    Q_OBJECT

public:
    /// How a marked row looks: highlighted (just taken) or red and bold (overdue).
    enum class Mark
    {
        Highlight,
        Overdue
    };

    struct Row
    {
        QString text;
        QString detail; // right-aligned, smaller
        bool marked = false;
    };

    struct Line
    {
        QString text;
        QString detail;
        bool marked = false;
        bool more = false; // the "+N more" line
    };

    BoardPanel(const QString &caption, const QString &emptyText, Mark mark,
               QWidget *parent = nullptr);

    void setRows(const QList<Row> &rows);
    /// The number shown beside the caption; negative for none.
    void setCount(int count);
    /// The board's size unit in pixels; every font and row height follows it.
    void setUnit(qreal pixels);

    /// The lines the panel paints at its present size.
    QList<Line> visibleLines() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal captionHeight() const { return 1.7 * m_unit; }
    qreal rowHeight() const { return 1.5 * m_unit; }
    QFont fontOf(qreal size, bool bold) const;

    QString m_caption;
    QString m_emptyText;
    Mark m_mark;
    QList<Row> m_rows;
    int m_count = -1;
    qreal m_unit = 24;
};
