#include "link/jobs/recordedconfigwritejob.h"

#include "link/jobs/configreadjob.h"
#include "protocol/frame.h"

namespace kliv {

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
            fail(Failure::ShortReply, QStringLiteral("Ответ устройства короче блока конфигурации; "
                                                     "конфигурация не записана."));
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
