#pragma once

#include "link/job.h"
#include "protocol/accounting.h"

namespace kliv {

// "Обнулить учетную запись": zeroes the relay's accounting counts. The relay answers
// with the record as it stands after the reset, with the new start of accounting. A reset
// that had to be sent again may be answered by an earlier try while a later one resets
// the relay once more, with a later start: the record is then read back, so that what is
// shown is what the relay holds.
class AccountingResetJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::AccountingReset; }
    std::optional<RelayChange> change() const override { return RelayChange{}; }
    const AccountingRecord& record() const { return m_record; }

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;
    void onReplyTimeout() override;

  private:
    void known(); // the record the relay holds now goes into the session
    AccountingRecord m_record;
    bool m_readingBack = false;
};

} // namespace kliv
