#include "responder.h"

#include "protocol/frame.h"

namespace kliv::sim {

Response respond(RelayModel& model, FaultInjector& faults, const QByteArray& request,
                 qint64 nowMs) {
    Response r;
    if (!model.accepts(request)) {
        r.forOther = true;
        return r;
    }
    r.faults = faults.judge(frame::kindOf(request));
    if (r.faults.vanish) {
        r.vanish = true;
        return r;
    }
    if (r.faults.drop)
        return r;
    const QByteArray reply = model.reply(request, nowMs);
    if (reply.isEmpty())
        return r;
    r.bytes = faults.apply(r.faults, reply);
    r.delayMs = r.faults.delayMs;
    return r;
}

} // namespace kliv::sim
