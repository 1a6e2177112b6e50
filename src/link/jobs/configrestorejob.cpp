#include "link/jobs/configrestorejob.h"

namespace kliv {

ConfigRestoreJob::ConfigRestoreJob(const QByteArray& block) : m_block(block) {
    Q_ASSERT(block.size() == config::BlockSize);
}

QByteArray ConfigRestoreJob::blockFor(const QByteArray&) const {
    return m_block;
}

} // namespace kliv
