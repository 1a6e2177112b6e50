#pragma once

#include "link/job.h"

namespace kliv {

// "Сброс защиты": clears the protections that have operated.
class ProtectionResetJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::ProtectionReset; }
    std::optional<RelayChange> change() const override { return RelayChange{}; }

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;
};

} // namespace kliv
