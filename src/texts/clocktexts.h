#pragma once

#include "protocol/clock.h"

#include <QString>

// The relay's clock in words, as the page shows it.
namespace kliv::clock {

QString timeText(const ClockBlock& c); // "09:05:07"
QString dateText(const ClockBlock& c); // "06.12.2026г."

} // namespace kliv::clock
