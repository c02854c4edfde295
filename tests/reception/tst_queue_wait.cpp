#include "TestSupport.h"

#include "QueueLock.h"
#include "QueueWaitIndicator.h"
#include "clsQuorvel.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

class tst_queue_wait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowsPaintAndShowTheWait();
};

// While a check-in waits for a lock another workstation holds, the program keeps painting
// (its timers run) under the wait cursor; the busy message is the same as ever.
void tst_queue_wait::windowsPaintAndShowTheWait()
{
    TestFolder folder;
    showQueueLockWaits();
    QueueLock::setTimeouts(800, 30000);
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    int paintsWhileWaiting = 0;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &window, [&] {
        ++paintsWhileWaiting;
        if (const QCursor *shown = QGuiApplication::overrideCursor())
            cursor = shown->shape();
        window.repaint();
    });
    LiveLockHolder other(folder.context.params.queuePath);
    QVERIFY(other.isHolding());
    repaint.start(50);
    clsQuorvel entry(folder.context);
    QCOMPARE(entry.addCustomerToQueue("Ann", "Lee", "Taxes"), 0);
    repaint.stop();

    QVERIFY(paintsWhileWaiting >= 5);
    QCOMPARE(cursor, Qt::WaitCursor);
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(folder.prompter.texts(),
             QStringList("Error adding customer entry.  [addCustomerToQueue]: The queue file is "
                         "in use by another workstation. Please try again."));
    QueueLock::resetTimeouts();
    QueueLock::setWaitHook({});
}

QTEST_MAIN(tst_queue_wait)
#include "tst_queue_wait.moc"
