#include "link/jobs/versionjob.h"

#include "protocol/cp1251.h"
#include "protocol/frame.h"

namespace kliv {

QString VersionJob::textOf(const QByteArray& payload) {
    return cp1251::decodeToZero(payload.left(TextSize));
}

void VersionJob::begin() {
    send({KindVersion});
}

void VersionJob::onReply(const QByteArray& frame) {
    m_text = textOf(frame::payloadOf(frame));
    if (model::Session* s = session())
        s->setVersion(serial(), m_text);
    succeed();
}

} // namespace kliv
