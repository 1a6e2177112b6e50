#pragma once

#include "commands.h"

namespace kliv::cli {

// `report OUT.docx [--template FILE]`: the save-protocol job and the report, no dialog.
QList<Command> reportCommands();

} // namespace kliv::cli
