#pragma once

#include "commands.h"

namespace kliv::cli {

// The device search: search.
QList<Command> searchCommands();

} // namespace kliv::cli
