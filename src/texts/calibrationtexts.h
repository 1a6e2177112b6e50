#pragma once

#include "protocol/calibration.h"

#include <QString>
#include <QStringView>
#include <optional>

// Auto-calibration's channels and numbers in words, both ways.
namespace kliv::calibration {

QString labelOf(int c); // "Ua", "Iут": how messages name the channel

// A reference value as typed: a number above 0, with '.' or ',' before its decimals.
std::optional<double> parseReference(QStringView text);
// A coefficient as typed: a whole number 0..65535.
std::optional<int> parseCoefficient(QStringView text);

} // namespace kliv::calibration
