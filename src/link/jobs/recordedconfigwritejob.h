#pragma once

#include "link/jobs/configwritejob.h"

namespace kliv {

// The configuration write as the front ends start it: the block the relay holds is read
// first, so that the change journal can keep what was there and the change can be backed
// out. The write and its verified read-back are those of ConfigWriteJob.
class RecordedConfigWriteJob : public ConfigWriteJob {
    Q_OBJECT
  public:
    using ConfigWriteJob::ConfigWriteJob;

    // The relay's block before the write; empty when it was never read.
    const QByteArray& before() const { return m_before; }
    // Its block after the write as read back, byte for byte; empty without a read-back.
    const QByteArray& after() const { return m_after; }
    std::optional<RelayChange> change() const override; // both blocks

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    bool m_readingBefore = false;
    QByteArray m_before, m_after;
};

} // namespace kliv
