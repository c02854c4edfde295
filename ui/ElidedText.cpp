#include "ElidedText.h"

#include <QEvent>
#include <QLabel>

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
