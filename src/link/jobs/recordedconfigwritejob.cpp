#include "link/jobs/recordedconfigwritejob.h"

#include "link/jobs/configreadjob.h"
#include "protocol/frame.h"

namespace kliv {

std::optional<RelayChange> RecordedConfigWriteJob::change() const {
    RelayChange c;
    c.before = m_before;
    c.after = m_after;
    return c;
}

void RecordedConfigWriteJob::begin() {
    m_readingBefore = true;
    send({KindConfigRead});
}

void RecordedConfigWriteJob::onReply(const QByteArray& frame) {
    if (m_readingBefore) {
        m_readingBefore = false;
        m_before = ConfigReadJob::blockOf(frame);
        // Without the earlier block the change could not be backed out: nothing is written.
        if (m_before.isEmpty()) {
            failShortReply(frame::payloadLength(frame), config::BlockSize);
            return;
        }
        ConfigWriteJob::begin();
        return;
    }
    if (step() == Step::ReadingBack)
        m_after = ConfigReadJob::blockOf(frame);
    ConfigWriteJob::onReply(frame);
}

} // namespace kliv
