#pragma once

#include "link/job.h"
#include "link/jobs/eventlogreader.h"

namespace kliv {

// "Считать протокол": the relay's whole event log, ten blocks of ten entries, each
// block asked for once its predecessor has come. A reply with another block than the
// one asked for is turned away, so the request's reply time-out still ends the read.
class EventLogJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::EventLog; }
    // The valid entries of the log, oldest first; complete once the job has succeeded.
    const QList<EventRow>& rows() const { return m_rows; }

  Q_SIGNALS:
    void progress(int blocks); // 1..10 blocks have come

  protected:
    void begin() override;
    bool accepts(const QByteArray& frame) const override;
    void onReply(const QByteArray& frame) override;

  private:
    EventLogReader m_reader;
    QList<EventRow> m_rows;
};

} // namespace kliv
