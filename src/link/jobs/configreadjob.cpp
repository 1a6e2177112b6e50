#include "link/jobs/configreadjob.h"

#include "protocol/frame.h"

namespace kliv {

QByteArray ConfigReadJob::blockOf(const QByteArray& frame) {
    const QByteArray payload = frame::payloadOf(frame);
    return payload.size() < config::BlockSize ? QByteArray() : payload.left(config::BlockSize);
}

void ConfigReadJob::begin() {
    send({KindConfigRead});
}

void ConfigReadJob::onReply(const QByteArray& frame) {
    m_block = blockOf(frame);
    if (m_block.isEmpty()) {
        failShortReply(frame::payloadLength(frame), config::BlockSize);
        return;
    }
    m_configuration = config::forPage(config::decode(m_block));
    succeed();
}

} // namespace kliv
