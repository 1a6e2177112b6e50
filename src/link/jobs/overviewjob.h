#pragma once

#include "link/job.h"
#include "protocol/status.h"

#include <QList>
#include <QTimer>

namespace kliv {

// "Обзор": the live status of each relay of a list in turn, one request at a time on the
// shared line, round after round until stopped. Each request has the engine's reply
// time-out and repeats; a relay that still does not answer is reported silent and asked
// again on its next turn, while the others keep going.
class OverviewJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::Overview; }
    // Between two rounds, so that a short list does not keep the line and the table busy
    // for nothing.
    static constexpr int RoundPauseMs = 250;

    explicit OverviewJob(QList<int> serials);
    bool openEnded() const override { return true; }

    int asking() const { return m_serials.value(m_index); } // the relay asked now
    const QTimer& pause() const { return m_pause; }
    // The pause between rounds is over. Public so tests drive it.
    void onPause();

  Q_SIGNALS:
    void answered(int serial, const kliv::LiveStatus& record);
    void silent(int serial);   // no good answer after every try
    void repeated(int serial); // a request to it sent again

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;
    void onReplyTimeout() override;
    void onEnd() override;

  private:
    void ask();
    void next();

    QList<int> m_serials;
    int m_index = 0;
    QTimer m_pause;
};

} // namespace kliv
