#pragma once

#include "Commands.h"

#include <QString>

/// The texts of quorvelctl's help, all made from the command table.
namespace HelpText {

/// `quorvelctl --help`: usage, one line per command, the general options and exit statuses.
QString overview();

/// `quorvelctl help COMMAND`: the command's usage, description, options, exit statuses and
/// example.
QString ofCommand(const Command &command);

/// `quorvelctl help --all`: the overview with every command's whole help in place of the list;
/// the man page is made from it.
QString manual();

/// `quorvelctl --version`.
QString version();

/// The commands that `words` name: the one whose name they start with ("take 5" names take), or
/// else every command whose name starts with them ("users" names "users add" and "users list").
QList<Command> commandsNamed(const QStringList &words);

} // namespace HelpText
