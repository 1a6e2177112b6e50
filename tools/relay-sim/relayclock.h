#pragma once

#include "protocol/clock.h"

#include <QByteArray>
#include <QDateTime>
#include <optional>

namespace kliv::sim {

// What a clock set request asks for.
struct ClockSetting {
    QDateTime time; // invalid when the payload names no real date and time
    int calibration = 0;
    bool stop = false;
    bool autoDst = false;
};

// Reads the 9-byte clock set payload; a payload of another length is not one.
std::optional<ClockSetting> parseClockSet(const QByteArray& payload);

// The relay's calendar clock. Model time is milliseconds since the model started; the
// clock runs from the time it was last set, or stands still while stopped.
class RelayClock {
  public:
    explicit RelayClock(const QDateTime& start);

    // A setting without a valid time keeps the running time and takes the flags only.
    void set(const ClockSetting& s, qint64 nowMs);
    QDateTime timeAt(qint64 nowMs) const;
    ClockBlock blockAt(qint64 nowMs) const;

  private:
    QDateTime m_base;
    qint64 m_baseMs = 0;
    int m_calibration = 0;
    bool m_stopped = false;
    bool m_autoDst = false;
};

} // namespace kliv::sim
