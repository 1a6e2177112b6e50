#include "link/jobs/rawjob.h"

#include "protocol/frame.h"

namespace kliv {

RawJob::RawJob(quint8 kind, const QByteArray& payload) : m_kind(kind), m_payload(payload) {}

QList<Problem> RawJob::refusal() const {
    if (m_payload.size() > frame::MaxRequestPayload)
        return {{QString::fromLatin1(Problem::Payload),
                 Problem::Rule::Length,
                 double(m_payload.size()),
                 0,
                 frame::MaxRequestPayload,
                 {}}};
    return {};
}

// What was sent is all that can be known of a typed request that changes the relay.
std::optional<RelayChange> RawJob::change() const {
    if (frame::effectOf(m_kind, m_payload) != frame::Effect::Changes)
        return std::nullopt;
    RelayChange c;
    c.requestKind = m_kind;
    c.requestPayload = m_payload;
    return c;
}

void RawJob::begin() {
    send({m_kind, m_payload});
}

void RawJob::onReply(const QByteArray& frame) {
    m_reply = frame;
    succeed();
}

} // namespace kliv
