#pragma once

#include "clirunner.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <functional>

namespace kliv::cli {

// What a command was given: the parsed options and its own positional arguments.
struct CommandLine {
    const QCommandLineParser& parser;
    QStringList args; // after the command's name
    bool isSet(const QString& option) const { return parser.isSet(option); }
    QString value(const QString& option) const { return parser.value(option); }
};

// A command checks everything it was given before anything is sent: either an error
// (bad usage, exit 2) or the work to run on the line.
struct Prepared {
    QString error;
    std::function<int(Runner&)> run;
};

struct Command {
    QString name;     // one word, or two for a command of a family ("config read")
    QString synopsis; // for --help
    std::function<Prepared(const CommandLine&)> prepare;
    // Its own options; any other is refused before prepare(), so that an option meant
    // for another command never goes unnoticed.
    QList<QCommandLineOption> options = {};
    // Positional arguments it takes after its name; more are refused before prepare(),
    // so that a value typed without its option never goes unnoticed.
    int maxArgs = 0;
    // Reads only this computer's files: no port is looked for, none needs to exist, and
    // it takes none of the line's options.
    bool offline = false;

    // What its parser knows: its own options, then the line's unless it is offline.
    QList<QCommandLineOption> allOptions() const;
};

const QList<Command>& commands();

// A whole number within [min, max], decimal or 0x-prefixed hexadecimal.
bool parseInt(const QString& text, int min, int max, int* out);

} // namespace kliv::cli
