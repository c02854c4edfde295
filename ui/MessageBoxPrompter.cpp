#include "MessageBoxPrompter.h"

#include <QApplication>
#include <QMessageBox>

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

int show(const QString &text, const QString &title, Prompter::Icon icon,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(boxIcon(icon), title, shown, buttons, QApplication::activeWindow());
    box.setDefaultButton(defaultButton);
    return box.exec();
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
