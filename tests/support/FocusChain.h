#pragma once

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <QWidget>

/// The objectNames Tab visits from `start` until the focus comes back to it (at most `limit`
/// steps), as a keyboard user would go round the window.
inline QStringList focusChain(QWidget *start, int limit = 40)
{
    start->activateWindow();
    start->setFocus(Qt::TabFocusReason);
    if (!QTest::qWaitFor([start] { return QApplication::focusWidget() == start; }, 2000))
        return {QStringLiteral("(no focus)")};
    QStringList names;
    for (int step = 0; step < limit; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        if (!focus || focus == start)
            break;
        names.append(focus->objectName());
    }
    return names;
}
