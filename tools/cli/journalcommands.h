#pragma once

#include "commands.h"

namespace kliv::cli {

// The event log and the accounting record: events, accounting, accounting-reset.
QList<Command> journalCommands();

} // namespace kliv::cli
