#pragma once

#include "plant.h"

#include "protocol/calibration.h"

#include <QString>
#include <array>
#include <optional>

namespace kliv::sim {

constexpr int CalibrationChannels = calibration::ChannelCount; // Ua Ub Uc Ia Ib Ic Iут

// The true signals at the relay's inputs during a calibration, in volts and amperes; a
// channel with none reads 0.
using CalibrationReference = std::array<std::optional<double>, CalibrationChannels>;

// "ua=230,ia=5.5,iut=0.5": any of ua, ub, uc, ia, ib, ic, iut, each at most once, with a
// number of 0 or more written with '.'.
std::optional<CalibrationReference> parseCalibrationReference(const QString& text,
                                                              QString* error = nullptr);

// The plant's steady values as the page shows them: whole volts, tenths of an ampere.
CalibrationReference referenceOf(const Plant::Values& v);

// One calibration measurement: the raw reading of every channel for the coefficients the
// relay holds. The tool works a coefficient out as mean / reference (2 * mean / reference
// for Ia, Ib, Ic) and truncates it, so each reading is the smallest that gives the held
// coefficient back by that very arithmetic; readings stay within 24 bits.
std::array<quint32, CalibrationChannels>
calibrationReadings(const std::array<int, CalibrationChannels>& coefficients,
                    const CalibrationReference& reference);

} // namespace kliv::sim
