#pragma once

#include "link/job.h"

#include <QTimer>

namespace kliv {

// Moves the relay's RS485 port to a new speed. A presence request checks that the relay
// answers; on the next tick the speed change request goes out. A relay whose presence
// reply carries one byte moves its line to the new speed at once, and the tool follows
// it there and checks that it answers; any other relay keeps its line speed and answers
// the change itself. The step clock is the job's own; nothing is retried.
class Rs485SpeedJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::Rs485Speed; }
    enum class Step { Probing = 0, Answered = 13, AwaitingAnswer = 14, Changed = 15, Follow = 16 };

    explicit Rs485SpeedJob(int speedIndex); // the new speed, an index of the speed list

    int speedIndex() const { return m_speedIndex; }
    Step step() const { return m_step; }
    bool followed() const { return m_followed; } // the tool's own line moved with the relay

    // Step clock intervals by the tool's line speed index: before the first tick, and
    // before every later one.
    static int firstIntervalMs(int lineSpeedIndex);
    static int nextIntervalMs(int lineSpeedIndex);

    const QTimer& timer() const { return m_timer; }
    void onTick(); // the step clock's tick handler, callable directly

    std::optional<RelayChange> change() const override; // the speed asked for

  protected:
    QList<Problem> refusal() const override;
    void begin() override;
    bool accepts(const QByteArray& frame) const override; // an empty reply is no answer
    void onReply(const QByteArray& frame) override;
    void onEnd() override;

  private:
    void probe();

    int m_speedIndex;
    Step m_step = Step::Probing;
    int m_presenceLength = 0;
    bool m_followed = false;
    QTimer m_timer;
};

} // namespace kliv
