#pragma once

#include "link/job.h"
#include "protocol/status.h"

namespace kliv {

// One live status record: exactly one request and its reply.
class LiveStatusJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::LiveStatus; }
    const LiveStatus& record() const { return m_record; }

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    LiveStatus m_record;
};

} // namespace kliv
