#pragma once

#include "batch/batchsaver.h"
#include "commands.h"

namespace kliv::cli {

// Several relays on one line: scan, and the files of every relay (report --all DIR,
// config read --all DIR), for the relays a scan finds or those of --serials.
QList<Command> lineCommands();
// --from, --to and --serials: the relays a scan probes, or whose files --all writes.
QList<QCommandLineOption> relayOptions();
// --all DIR, which writes `file` of every relay, and the relays.
QList<QCommandLineOption> everyRelayOptions(const QString& file);
Prepared everyRelay(const CommandLine& cl, BatchSaver::Kind kind, const QString& templatePath = {});

} // namespace kliv::cli
