#pragma once

#include "model/configschema.h"
#include "model/problem.h"
#include "protocol/calibration.h"

#include <QList>
#include <QStringView>

// What auto-calibration refuses, and what a calibration write proves, as data.
namespace kliv::calibration {

// A reference that is no number above 0, as typed (`text`) or as given (`value`).
Problem referenceProblem(int channel, QStringView text);
Problem referenceProblem(int channel, double value);
// A coefficient that is no whole number 0..65535, as typed or as given.
Problem coefficientProblem(int channel, QStringView text);
Problem coefficientProblem(int channel, int value);
// Why the computed coefficients cannot be written; precondition: computed.fault is set.
Problem computedProblem(const Computed& computed);

// The channels whose coefficient the relay holds otherwise than written, as a verified
// configuration write names its fields ("Ua: записано 570, считано 569").
QList<config::FieldDifference> differences(const Coefficients& sent, const WriteReply& held);

} // namespace kliv::calibration
