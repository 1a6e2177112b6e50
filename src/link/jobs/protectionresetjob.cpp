#include "link/jobs/protectionresetjob.h"

#include "protocol/frame.h"

namespace kliv {

void ProtectionResetJob::begin() {
    send({KindProtectionReset});
}

void ProtectionResetJob::onReply(const QByteArray&) {
    succeed();
}

} // namespace kliv
