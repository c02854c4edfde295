#pragma once

#include <QString>

/// Every message box of the system goes through this interface, so that core never shows a
/// window and tests can see and answer each box.
class Prompter
{
public:
    enum class Icon
    {
        NoIcon,
        Information,
        Warning,
        Critical,
        Question
    };

    virtual ~Prompter() = default;

    /// A box with one OK button.
    virtual void message(const QString &text, const QString &title, Icon icon) = 0;

    /// A Yes/No question; true for Yes.
    virtual bool ask(const QString &text, const QString &title, Icon icon = Icon::Question) = 0;
};
