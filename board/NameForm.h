#pragma once

#include <QString>

/// How much of a name the lobby may read: a board faces strangers, so by default a customer is
/// shown as first name and last initial ("Jane D.").
enum class NameForm
{
    FirstAndInitial,
    Initials,
    Full
};

/// The form named on the command line: "first", "initials" or "full"; false for anything else.
bool parseNameForm(const QString &text, NameForm &form);

/// `firstName` and `lastName` in `form`; a missing part is left out.
QString formatName(const QString &firstName, const QString &lastName, NameForm form);
