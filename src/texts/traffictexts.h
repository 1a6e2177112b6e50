#pragma once

#include "link/traffic.h"

#include <QString>
#include <QStringList>
#include <array>

// The traffic monitor's words, the same in its window, its saved text and kliv-cli --trace.
namespace kliv::msg {

QString verdictText(Verdict v); // "норма", "ошибка суммы", …

// The columns of one line: time, direction, serial number, request kind, length, verdict,
// bytes (last, as they run long). A run of bytes that is no frame has no serial or kind.
constexpr int TrafficColumns = 7;
QStringList trafficHeaders();
std::array<QString, TrafficColumns> trafficFields(const Traffic& t);
// The fields in aligned columns, for text files.
QString trafficLine(const Traffic& t);

} // namespace kliv::msg
