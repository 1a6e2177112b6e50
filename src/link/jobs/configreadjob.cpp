#include "link/jobs/configreadjob.h"

#include "link/jobs/versionjob.h"
#include "protocol/frame.h"

namespace kliv {

QByteArray ConfigReadJob::blockOf(const QByteArray& frame) {
    const QByteArray payload = frame::payloadOf(frame);
    return payload.size() < config::BlockSize ? QByteArray() : payload.left(config::BlockSize);
}

void ConfigReadJob::begin() {
    m_versionAsked = m_askVersion;
    send({m_versionAsked ? KindVersion : KindConfigRead});
}

void ConfigReadJob::onReply(const QByteArray& frame) {
    if (m_versionAsked) {
        m_firmware = VersionJob::textOf(frame::payloadOf(frame));
        m_versionAsked = false;
        send({KindConfigRead});
        return;
    }
    m_block = blockOf(frame);
    if (m_block.isEmpty()) {
        failShortReply(frame::payloadLength(frame), config::BlockSize);
        return;
    }
    m_configuration = config::forPage(config::decode(m_block));
    succeed();
}

} // namespace kliv
