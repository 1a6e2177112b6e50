#pragma once

#include "link/job.h"

namespace kliv {

// One request of any kind the relay knows, for service work; the reply frame is kept
// whole. Whether the request may be sent at all is the caller's decision.
class RawJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::Raw; }
    RawJob(quint8 kind, const QByteArray& payload);

    quint8 kind() const { return m_kind; }
    QByteArray payload() const { return m_payload; }
    QByteArray reply() const { return m_reply; }
    std::optional<RelayChange> change() const override; // only for a request that changes

  protected:
    QList<Problem> refusal() const override;
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    quint8 m_kind;
    QByteArray m_payload;
    QByteArray m_reply;
};

} // namespace kliv
