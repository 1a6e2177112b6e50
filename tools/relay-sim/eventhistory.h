#pragma once

#include "eventstore.h"

#include <QDateTime>

namespace kliv::sim {

// A log that has wrapped, newest entries at low positions, with a few erased and
// damaged slots among them.
constexpr int WrappedHistory = -1;

// The log the relay holds when the simulator starts: the simulated motor's past starts,
// stops and trips, the newest of them its start at `clockStart`, the relay's time when
// the model starts. `count` 0..100 gives that many events from position 1 and leaves the
// other slots erased. The same arguments always give the same log; a relay at another
// place on a shared line has a past of its own.
EventStore eventHistory(const QDateTime& clockStart, int count = WrappedHistory, int place = 0);

} // namespace kliv::sim
