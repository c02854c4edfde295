#include "SelectAllOnFocus.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace {
class FocusSelector : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            // After the click that gave the focus has placed the cursor.
            auto *entry = static_cast<QLineEdit *>(watched);
            QTimer::singleShot(0, entry, [entry] { entry->selectAll(); });
        }
        return false;
    }
};
} // namespace

void selectAllOnFocus(QLineEdit *entry)
{
    entry->installEventFilter(new FocusSelector(entry));
}
