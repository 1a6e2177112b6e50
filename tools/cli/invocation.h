#pragma once

#include "commands.h"

namespace kliv::cli {

// The command a command line names, found before any option is read: the options are
// the command's own, so its parser reads them, wherever they stand.
struct Invocation {
    const Command* command = nullptr;
    QString word;      // the first word that is no option's value; empty when there is none
    QStringList words; // the program, then every word but the command's name, in order
};

Invocation invocation(const QStringList& arguments);

// "<command>: неизвестный параметр --x" for the first option it does not take; empty
// when there is none.
QString unknownOption(const Command& command, const QCommandLineParser& parser);

// The command's --help: Qt's text, its usage line naming the command.
QString commandHelp(const Command& command, const QCommandLineParser& parser);

} // namespace kliv::cli
