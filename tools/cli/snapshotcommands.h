#pragma once

#include "commands.h"

namespace kliv::cli {

QList<Command> snapshotCommands();

} // namespace kliv::cli
