#include "link/jobs/clocksetjob.h"

#include "protocol/clock.h"
#include "protocol/frame.h"

namespace kliv {

ClockSetJob::ClockSetJob(const QByteArray& payload) : m_payload(payload) {}

QString ClockSetJob::refusal() const {
    if (m_payload.size() != clock::SetPayloadSize)
        return QStringLiteral("Неверная длина данных часов: %1 байт вместо %2.")
            .arg(m_payload.size())
            .arg(clock::SetPayloadSize);
    return {};
}

void ClockSetJob::begin() {
    send({KindClockSet, m_payload});
}

void ClockSetJob::onReply(const QByteArray&) {
    succeed();
}

} // namespace kliv
