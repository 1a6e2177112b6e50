#pragma once

#include "link/job.h"
#include "protocol/accounting.h"

namespace kliv {

// "Считать учетную запись": the accounting record of the driven equipment.
class AccountingReadJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::AccountingRead; }
    const AccountingRecord& record() const { return m_record; }

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    AccountingRecord m_record;
};

} // namespace kliv
