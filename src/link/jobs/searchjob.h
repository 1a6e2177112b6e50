#pragma once

#include "link/job.h"

#include <QTimer>
#include <array>

namespace kliv {

// "Поиск устройства": presence probes at every line speed, slowest first, two at each,
// until the relay with the engine's serial number answers. The engine's speed is moved
// with the probes, so a search that succeeds leaves the tool set to talk to the relay.
// Probes run on the job's own clock: they are not counted, wait for no reply time-out
// and leave the idle close alone.
class SearchJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::Search; }
    // The speed step: an index into the speed list, or one of these two.
    static constexpr int LastSpeed = 10;
    static constexpr int Exhausted = 11; // every speed tried
    static constexpr int Found = 12;     // a relay answered; the next tick ends the search

    static constexpr int ProbesPerSpeed = 2;
    static constexpr int ProgressSteps = 34;

    // How long a probe at that step is given to be answered: a whole reply must fit
    // into it at the slow speeds.
    static constexpr int intervalMs(int step) {
        constexpr std::array<int, 4> slow = {800, 400, 200, 100};
        return step >= 0 && step < int(slow.size()) ? slow[std::size_t(step)] : 50;
    }

    SearchJob();

    int step() const { return m_step; }
    int probe() const { return m_probe; }
    int speedIndex() const { return m_speedIndex; } // of the last probe; the found speed
    int progress() const { return m_progress; }
    const QTimer& timer() const { return m_timer; }

    // One search step: the timer's tick, public so tests drive it without waiting.
    void onTick();
    // The user's stop: the search ends as cancelled, with its own words.
    void stop();

  Q_SIGNALS:
    void progressChanged(int value); // 0..ProgressSteps
    // The probe about to go out at that speed, 1 or 2; probe 0 as the search begins.
    void probing(int speedIndex, int probe);

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;
    void onEnd() override;

  private:
    void setProgress(int value);

    QTimer m_timer;
    int m_step = 0;
    int m_probe = 0;
    int m_speedIndex = 0;
    int m_progress = 0;
};

} // namespace kliv
