#include "MessageBoxPrompter.h"

#include <QApplication>
#include <QGridLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QSpacerItem>
#include <QTimer>

namespace {
QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::NoIcon:
        return QMessageBox::NoIcon;
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

/// The window a box belongs to, so that it opens centred on it: the open dialog, else the
/// active window, else the program's main window when a box comes from a poll in the background.
QWidget *ownerWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow *>(window) && window->isVisible())
            return window;
    return nullptr;
}

/// Widens `box` so that its title is never cut off: a box is as wide as its text, and a long
/// title over a short text would lose its end.
void makeRoomForTitle(QMessageBox &box, const QString &title)
{
    // The frame's buttons and the icon take roughly this much beside the title's text.
    constexpr int FrameAllowance = 120;
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(title) + FrameAllowance;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

/// A box often tells a dialog's last step ("Export Complete"), and the dialog closes right after
/// it: with the box and the dialog gone at once, the window manager left no window active and
/// keys went nowhere. Once the dialog has gone, the window it belonged to takes the focus back.
void returnFocusWhenClosed(QWidget *dialog)
{
    QWidget *parent = dialog ? dialog->parentWidget() : nullptr;
    if (!parent)
        return;
    QWidget *owner = parent->window();
    QTimer::singleShot(0, owner, [dialog = QPointer<QWidget>(dialog), owner] {
        if ((!dialog || !dialog->isVisible()) && owner->isVisible())
            owner->activateWindow();
    });
}

int show(const QString &text, const QString &title, Prompter::Icon icon,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QWidget *owner = ownerWindow();
    QMessageBox box(boxIcon(icon), title, shown, buttons, owner);
    box.setDefaultButton(defaultButton);
    makeRoomForTitle(box, title);
    const int answer = box.exec();
    returnFocusWhenClosed(owner);
    return answer;
}
} // namespace

void MessageBoxPrompter::message(const QString &text, const QString &title, Icon icon)
{
    show(text, title, icon, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBoxPrompter::ask(const QString &text, const QString &title, Icon icon)
{
    return show(text, title, icon, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}
