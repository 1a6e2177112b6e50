#pragma once

#include "commands.h"

namespace kliv::cli {

// The relay's RS485 speed change and its auto-calibration; both need --yes.
QList<Command> calibrationCommands();

} // namespace kliv::cli
