#include "link/jobs/clocksetjob.h"

#include "link/engine.h"
#include "protocol/clock.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"

namespace kliv {

ClockSetJob::ClockSetJob(int calibration, bool stop, bool autoDst, Now now)
    : m_calibration(calibration), m_stop(stop), m_autoDst(autoDst), m_now(std::move(now)) {}

std::optional<RelayChange> ClockSetJob::change() const {
    return RelayChange{};
}

void ClockSetJob::begin() {
    Request r(KindClockSet);
    r.timed = TimedPayload{[this] { return holdMs(); }, [this] { return payloadNow(); }};
    send(r);
}

void ClockSetJob::onReply(const QByteArray&) {
    succeed();
}

// Rounded to the millisecond the PC's clock counts in.
int ClockSetJob::lineTimeMs() const {
    const qint64 us =
        speeds::lineTimeUs(engine().speedIndex(), frame::Overhead + clock::SetPayloadSize);
    return int((us + 500) / 1000);
}

// Until the frame would end exactly as a second turns.
int ClockSetJob::holdMs() const {
    const int arrives = m_now().time().msec() + lineTimeMs();
    return (1000 - arrives % 1000) % 1000;
}

// The second nearest to the frame's end, so that a try written a little late (or early)
// still names the second it was meant for.
QByteArray ClockSetJob::payloadNow() const {
    const QDateTime arrives = m_now().addMSecs(lineTimeMs());
    const int ms = arrives.time().msec();
    const QDateTime second = arrives.addMSecs(ms < 500 ? -ms : 1000 - ms);
    return clock::setPayload(second, m_calibration, m_stop, m_autoDst);
}

} // namespace kliv
