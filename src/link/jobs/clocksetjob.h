#pragma once

#include "link/job.h"

#include <QDateTime>
#include <functional>

namespace kliv {

// "Корректировка часов": sets the relay's clock from the PC's, with the three clock
// settings. Every try, repeats included, is written so that its last byte is in as the
// PC's clock turns a second, and names that second: the relay takes the time once the
// whole frame is in, and how long it then takes is not known.
class ClockSetJob : public Job {
    Q_OBJECT
  public:
    using Now = std::function<QDateTime()>; // the PC's local time, to the millisecond

    ClockSetJob(int calibration, bool stop, bool autoDst, Now now = &QDateTime::currentDateTime);
    Task task() const override { return Task::ClockSet; }

    std::optional<RelayChange> change() const override;

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    int lineTimeMs() const; // of the request, at the job's speed
    int holdMs() const;
    QByteArray payloadNow() const;

    int m_calibration;
    bool m_stop, m_autoDst;
    Now m_now;
};

} // namespace kliv
