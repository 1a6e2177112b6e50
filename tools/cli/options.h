#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

namespace kliv::cli::option {

// The line every command that talks to a relay is given: --port, --serial, --baud,
// --retries, --trace and --json, each declared here once.
QList<QCommandLineOption> line();
QCommandLineOption json();
// Confirms a command that changes the relay's data.
QCommandLineOption yes();
// "--csv FILE": CSV into FILE, for every command that writes CSV.
QCommandLineOption csv(const QString& description);

// The value of a --csv that names no file: the CSV goes to standard output.
inline const QString Stdout = QStringLiteral("-");

// The parser has no option whose value may be left out: a "--csv" that ends the line or
// stands before another option names standard output, and becomes "--csv=-".
QStringList csvWithoutFile(QStringList words);

// A factory serial number within the relay's range, or the reason it is not one.
QString serialProblem(const QString& text, int* out);

} // namespace kliv::cli::option
