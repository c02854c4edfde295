// What every list shares: a refill is drawn whole on the screen.
#include "ListRows.h"

#include <QHeaderView>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
/// How many row places of `list` hold ink as the window's backing store has them: what the
/// screen shows, not what a fresh paint (QWidget::grab) would draw. Rows left from an earlier
/// fill count; rows never drawn do not.
int drawnRows(QTreeWidget *list)
{
    QWidget *window = list->window();
    const QImage image = window->screen()->grabWindow(window->winId()).toImage();
    QWidget *viewport = list->viewport();
    const int rowHeight = list->visualItemRect(list->topLevelItem(0)).height();
    int drawn = 0;
    for (int top = 0; top + rowHeight <= viewport->height(); top += rowHeight) {
        bool ink = false;
        for (int y = top; y < top + rowHeight && !ink; ++y)
            for (int x = 0; x < list->columnWidth(0) && !ink; ++x)
                ink = qGray(image.pixel(viewport->mapTo(window, QPoint(x, y)))) < 128;
        drawn += ink ? 1 : 0;
    }
    return drawn;
}

/// Rows of the same text, so that the column keeps its width: a wider column repaints anyway.
void fill(QTreeWidget *list, int rows, int firstId)
{
    ListRows::refill(list, [&] {
        for (int row = 0; row < rows; ++row) {
            auto *item = new QTreeWidgetItem(list, QStringList{"Ann Lee", "Taxes"});
            item->setData(0, Qt::UserRole, firstId + row);
        }
    });
}
} // namespace

class tst_list_rows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refillWhileARowIsCurrentIsDrawnWhole_data();
    void refillWhileARowIsCurrentIsDrawnWhole();
};

void tst_list_rows::refillWhileARowIsCurrentIsDrawnWhole_data()
{
    QTest::addColumn<int>("after");
    QTest::newRow("more rows (all representatives' history)") << 9;
    QTest::newRow("fewer rows (the next day's events)") << 2;
}

void tst_list_rows::refillWhileARowIsCurrentIsDrawnWhole()
{
    QFETCH(int, after);
    // A list on a tab page below a button, as the history list is.
    QTabWidget tabs;
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(new QPushButton(QStringLiteral("Retrieve")));
    auto *list = new QTreeWidget;
    pageLayout->addWidget(list);
    tabs.addTab(page, QStringLiteral("Service History"));
    list->setColumnCount(2);
    list->setRootIsDecorated(false);
    list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tabs.resize(400, 400);
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    fill(list, 4, 1);
    QTest::qWait(50);
    list->setCurrentItem(list->topLevelItem(2));
    QTRY_COMPARE(drawnRows(list), 4);

    fill(list, after, 100); // the current row is gone
    QTest::qWait(100);
    QTRY_COMPARE(drawnRows(list), after);
}

QTEST_MAIN(tst_list_rows)
#include "tst_list_rows.moc"
