#include "link/jobs/clocksetjob.h"

#include "protocol/clock.h"
#include "protocol/frame.h"

namespace kliv {

ClockSetJob::ClockSetJob(const QByteArray& payload) : m_payload(payload) {}

QStringList ClockSetJob::refusal() const {
    if (m_payload.size() != clock::SetPayloadSize)
        return {clock::payloadProblem(int(m_payload.size()))};
    return {};
}

std::optional<RelayChange> ClockSetJob::change() const {
    return RelayChange{};
}

void ClockSetJob::begin() {
    send({KindClockSet, m_payload});
}

void ClockSetJob::onReply(const QByteArray&) {
    succeed();
}

} // namespace kliv
