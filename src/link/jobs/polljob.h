#pragma once

#include "link/job.h"
#include "protocol/status.h"
#include "protocol/waveform.h"

namespace kliv {

// The diagnostics poll: a status request for the live record, then the waveform blocks
// of the phases the view shows, and again, as fast as the relay answers, until stopped.
// The engine's watchdog re-sends a lost request and gives up after five silent expiries.
class PollJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::Poll; }
    explicit PollJob(int view = 0);

    void setView(int view) { m_view = view; } // read at each reply
    int view() const { return m_view; }
    bool openEnded() const override { return true; }

    // The request that follows what has arrived so far.
    Request nextRequest() const;
    const WaveformStore& samples() const { return m_samples; }

  Q_SIGNALS:
    void liveStatus(const kliv::LiveStatus& record);
    void waveformReady(const kliv::WaveformStore& samples); // at the end of each cycle

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    void onBlock(const QByteArray& payload);

    int m_view;
    int m_selector = SelectorLive;
    WaveformStore m_samples;
};

} // namespace kliv
