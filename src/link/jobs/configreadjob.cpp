#include "link/jobs/configreadjob.h"

#include "link/jobs/versionjob.h"
#include "protocol/frame.h"

namespace kliv {

QByteArray ConfigReadJob::blockOf(const QByteArray& frame) {
    const QByteArray payload = frame::payloadOf(frame);
    return payload.size() < config::BlockSize ? QByteArray() : payload.left(config::BlockSize);
}

const Configuration& ConfigReadJob::configuration() const {
    static const Configuration none;
    const model::Session* s = session();
    if (!s || !s->relay(serial()).configuration)
        return none;
    return s->relay(serial()).configuration->value.shown;
}

void ConfigReadJob::begin() {
    m_versionAsked = m_askVersion;
    send({m_versionAsked ? KindVersion : KindConfigRead});
}

void ConfigReadJob::onReply(const QByteArray& frame) {
    if (m_versionAsked) {
        m_firmware = VersionJob::textOf(frame::payloadOf(frame));
        if (model::Session* s = session())
            s->setVersion(serial(), m_firmware);
        m_versionAsked = false;
        send({KindConfigRead});
        return;
    }
    m_block = blockOf(frame);
    if (m_block.isEmpty()) {
        failShortReply(frame::payloadLength(frame), config::BlockSize);
        return;
    }
    if (model::Session* s = session())
        s->setConfiguration(serial(), m_block);
    succeed();
}

} // namespace kliv
