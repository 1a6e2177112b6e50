#pragma once

#include "link/jobs/configwritejob.h"

namespace kliv {

// "Вернуть предыдущие": writes an earlier block exactly as it was, byte for byte, whatever
// the page could show of it; the relay's block is read first and the write verified by its
// read-back, like any configuration write, so that the undo can itself be undone.
class ConfigRestoreJob : public ConfigWriteJob {
    Q_OBJECT
  public:
    // Precondition: a whole block (the change journal gives no other).
    explicit ConfigRestoreJob(const QByteArray& block);

  protected:
    QByteArray blockFor(const QByteArray& held) const override;

  private:
    QByteArray m_block;
};

} // namespace kliv
