#include "link/jobs/rawjob.h"

#include "protocol/frame.h"

namespace kliv {

RawJob::RawJob(quint8 kind, const QByteArray& payload) : m_kind(kind), m_payload(payload) {}

QString RawJob::refusal() const {
    if (m_payload.size() > frame::MaxRequestPayload)
        return QStringLiteral("Слишком длинный запрос: %1 байт (не более %2).")
            .arg(m_payload.size())
            .arg(frame::MaxRequestPayload);
    return {};
}

void RawJob::begin() {
    send({m_kind, m_payload});
}

void RawJob::onReply(const QByteArray& frame) {
    m_reply = frame;
    succeed();
}

} // namespace kliv
