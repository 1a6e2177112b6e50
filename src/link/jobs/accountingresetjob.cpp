#include "link/jobs/accountingresetjob.h"

#include "link/engine.h"
#include "protocol/frame.h"

namespace kliv {

void AccountingResetJob::begin() {
    send({KindAccountingReset});
}

void AccountingResetJob::onReply(const QByteArray& frame) {
    m_record = accounting::decode(frame::payloadOf(frame));
    if (!m_readingBack && engine().attempt() > 1) {
        m_readingBack = true;
        send({KindAccountingRead});
        return;
    }
    known();
    succeed();
}

void AccountingResetJob::known() {
    if (model::Session* s = session())
        s->setAccounting(serial(), m_record);
}

// The relay has been reset whatever becomes of the read-back: the record it answered the
// reset with is the best there is.
void AccountingResetJob::onReplyTimeout() {
    if (m_readingBack) {
        known();
        succeed();
    } else
        Job::onReplyTimeout();
}

} // namespace kliv
