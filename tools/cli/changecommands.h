#pragma once

#include "commands.h"

namespace kliv::cli {

// `journal [--serial N]`: the change journal, oldest line first.
QList<Command> changeCommands();

// The same commands, each recording the jobs that change the relay in the change journal.
QList<Command> recordingChanges(const QList<Command>& commands);

} // namespace kliv::cli
