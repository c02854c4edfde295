#include "QueueWaitIndicator.h"

#include "QueueLock.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

void showQueueLockWaits()
{
    QueueLock::setWaitHook([shown = false](bool waiting) mutable {
        if (waiting != shown) {
            shown = waiting;
            if (waiting)
                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            else
                QGuiApplication::restoreOverrideCursor();
        }
        if (waiting)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}
