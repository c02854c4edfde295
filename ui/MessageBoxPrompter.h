#pragma once

#include "Prompter.h"

class QWidget;

/// The programs' prompter: a modal QMessageBox for every box.
class MessageBoxPrompter final : public Prompter
{
public:
    void message(const QString &text, const QString &title, Icon icon) override;
    bool ask(const QString &text, const QString &title, Icon icon) override;
};
