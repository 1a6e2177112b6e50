#pragma once

#include "commands.h"

namespace kliv::cli {

// `config read [--out FILE]` and `config write FILE --yes`.
QList<Command> configCommands();

} // namespace kliv::cli
