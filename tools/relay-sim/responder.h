#pragma once

#include "faults.h"
#include "relaymodel.h"

#include <QByteArray>

namespace kliv::sim {

// What goes back on the line for one received request.
struct Response {
    QByteArray bytes; // empty: nothing is sent
    int delayMs = 0;  // on top of the line's own timing
    bool vanish = false;
    bool forOther = false; // another relay's serial number (or a bad sum): ignored
    FaultVerdict faults;
};

// The relay and its faults together: faults count only the requests the relay accepts;
// a dropped request never reaches the relay, a vanishing relay answers nothing.
Response respond(RelayModel& model, FaultInjector& faults, const QByteArray& request, qint64 nowMs);

} // namespace kliv::sim
