#pragma once

#include <QString>
#include <QStringList>

// Lists of problems held to what a box or a tooltip can show: a settings file with 60 000
// unknown keys or a journal with 330 000 bad lines must not make one taller than the screen.
namespace kliv::msg {

constexpr int ListedLines = 20; // at most, of a list
constexpr int LineChars = 200;  // of a line, then "…"

// The first `shown` lines, each cut to LineChars, then "… и ещё N" for the rest.
QString shortList(const QStringList& lines, int shown = ListedLines);
// The same for a text of lines.
QString shortText(const QString& text, int shown = ListedLines);

} // namespace kliv::msg
