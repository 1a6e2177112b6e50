#pragma once

#include "batch/batchsaver.h"
#include "commands.h"

namespace kliv::cli {

// Several relays on one line: scan, and the files of every relay (report --all DIR,
// config read --all DIR), for the relays a scan finds or those of --serials.
QList<Command> lineCommands();
QList<QCommandLineOption> lineOptions();
Prepared everyRelay(const CommandLine& cl, BatchSaver::Kind kind, const QString& templatePath = {});

} // namespace kliv::cli
