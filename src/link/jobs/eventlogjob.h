#pragma once

#include "link/job.h"
#include "link/jobs/eventlogreader.h"
#include "link/jobs/replydeadline.h"

namespace kliv {

// "Считать протокол": the relay's whole event log, ten blocks of ten entries, each
// block asked for once its predecessor has come. A reply with another block than the
// one asked for is turned away, and the request's reply time-out then ends the read.
class EventLogJob : public Job {
    Q_OBJECT
  public:
    EventLogJob();

    // The valid entries of the log, oldest first; complete once the job has succeeded.
    const QList<EventRow>& rows() const { return m_rows; }
    ReplyDeadline& deadline() { return m_deadline; }

  Q_SIGNALS:
    void progress(int blocks); // 1..10 blocks have come

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;
    void onEnd() override;

  private:
    void ask(const Request& request);

    EventLogReader m_reader;
    ReplyDeadline m_deadline;
    QList<EventRow> m_rows;
};

} // namespace kliv
