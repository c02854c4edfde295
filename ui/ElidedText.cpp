#include "ElidedText.h"

#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <QTreeWidget>

namespace {
/// Keeps the whole text of one label and cuts it again on every resize.
class ElidedLabelText final : public QObject
{
public:
    explicit ElidedLabelText(QLabel *label) : QObject(label), m_label(label)
    {
        setObjectName(QStringLiteral("elidedText"));
        QSizePolicy policy = label->sizePolicy();
        policy.setHorizontalPolicy(QSizePolicy::Ignored);
        label->setSizePolicy(policy);
        label->installEventFilter(this);
    }

    void setText(const QString &text)
    {
        m_text = text;
        refresh();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)
            refresh();
        return false;
    }

private:
    void refresh()
    {
        const QString shown = m_label->fontMetrics().elidedText(m_text, Qt::ElideRight,
                                                                m_label->contentsRect().width());
        m_label->setText(shown);
        m_label->setToolTip(shown == m_text ? QString() : m_text);
    }

    QLabel *m_label;
    QString m_text;
};

/// Answers the tool tip event of a list's viewport for a cell whose text does not fit.
class CutCellToolTips final : public QObject
{
public:
    explicit CutCellToolTips(QTreeWidget *list) : QObject(list), m_list(list)
    {
        list->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        const auto *help = static_cast<QHelpEvent *>(event);
        const QTreeWidgetItem *item = m_list->itemAt(help->pos());
        const int column = m_list->header()->logicalIndexAt(help->pos().x());
        if (!item || column < 0)
            return false;
        // The item's margins take a few pixels of the column's width.
        constexpr int Margins = 8;
        const QString text = item->text(column);
        const QFontMetrics metrics(item->font(column));
        if (metrics.horizontalAdvance(text) + Margins <= m_list->columnWidth(column))
            return false;
        QToolTip::showText(help->globalPos(), text, m_list->viewport());
        return true;
    }

private:
    QTreeWidget *m_list;
};
} // namespace

void setElidedText(QLabel *label, const QString &text)
{
    // The helper has no meta-object of its own; its name finds it.
    auto *elided = static_cast<ElidedLabelText *>(
        label->findChild<QObject *>(QStringLiteral("elidedText"), Qt::FindDirectChildrenOnly));
    if (!elided)
        elided = new ElidedLabelText(label);
    elided->setText(text);
}

void showCutCellsWhole(QTreeWidget *list)
{
    new CutCellToolTips(list);
}
