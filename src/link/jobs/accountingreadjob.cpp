#include "link/jobs/accountingreadjob.h"

#include "protocol/frame.h"

namespace kliv {

void AccountingReadJob::begin() {
    send({KindAccountingRead});
}

void AccountingReadJob::onReply(const QByteArray& frame) {
    m_record = accounting::decode(frame::payloadOf(frame));
    if (model::Session* s = session())
        s->setAccounting(serial(), m_record);
    succeed();
}

} // namespace kliv
