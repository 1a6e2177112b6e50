#include "link/jobs/livestatusjob.h"

#include "protocol/frame.h"

namespace kliv {

void LiveStatusJob::begin() {
    send({KindStatus, QByteArray(1, char(SelectorLive))});
}

void LiveStatusJob::onReply(const QByteArray& frame) {
    const auto record = status::decodeLive(frame::payloadOf(frame));
    if (!record) {
        failShortReply(frame::payloadLength(frame), status::LiveRecordSize);
        return;
    }
    m_record = *record;
    if (model::Session* s = session())
        s->setLive(serial(), m_record);
    succeed();
}

} // namespace kliv
