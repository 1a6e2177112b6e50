#include "link/jobs/accountingresetjob.h"

#include "protocol/frame.h"

namespace kliv {

void AccountingResetJob::begin() {
    send({KindAccountingReset});
}

void AccountingResetJob::onReply(const QByteArray& frame) {
    m_record = accounting::decode(frame::payloadOf(frame));
    succeed();
}

} // namespace kliv
