#pragma once

#include "link/job.h"

namespace kliv {

// "Корректировка часов": sets the relay's clock from a prepared clock set payload.
class ClockSetJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::ClockSet; }
    explicit ClockSetJob(const QByteArray& payload);

    std::optional<RelayChange> change() const override;

  protected:
    QStringList refusal() const override;
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    QByteArray m_payload;
};

} // namespace kliv
