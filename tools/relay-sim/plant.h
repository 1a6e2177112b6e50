#pragma once

#include <QtGlobal>
#include <array>

namespace kliv::sim {

// The motor and mains that the simulated relay watches. A healthy motor runs at 90 % of
// its nominal current; once a minute the load rises to 130 % for a few seconds, so the
// overload protection picks up and drops out again, and every third such episode lasts
// long enough for it to operate: the relay stops the motor and keeps the protection
// marked as operated until it is reset. The operator starts the motor again a little
// later, or at once with the reset. Time is model time, milliseconds since the model
// started.
class Plant {
  public:
    static constexpr int OverloadBit = 5; // the protection bit of Iвтз
    static constexpr qint64 EpisodePeriodMs = 60000;
    static constexpr qint64 EpisodeStartMs = 45000; // into each period
    static constexpr qint64 ShortEpisodeMs = 4000;
    static constexpr qint64 LongEpisodeMs = 9000;
    static constexpr int LongEpisodeEvery = 3;
    static constexpr qint64 OverloadDelayMs = 6000;
    static constexpr qint64 RestartDelayMs = 20000;
    static constexpr double NominalCurrent = 20.0;

    struct Values {
        std::array<double, 3> u{}; // volts
        std::array<double, 3> i{}; // amperes
        double leakage = 0;        // amperes
        double cosf = 0;
    };

    // Runs the plant up to nowMs; an earlier time than the last one changes nothing.
    void advance(qint64 nowMs);
    // Clears the operated protections and starts a stopped motor again.
    void resetProtection();

    Values nominal() const;                // the steady values, without measuring noise
    Values measured(qint64 nowMs) const;   // as a measurement at nowMs sees them
    double powerKw(const Values& v) const; // active power of the three phases

    bool motorOn() const { return m_motorOn; }
    quint8 conditionBits() const;
    quint8 operatedBits() const { return m_operated; }
    int overloadTimerMs() const { return int(m_pickupMs); }
    quint64 energyMillionths() const;
    quint32 runningSeconds() const;

  private:
    void step(qint64 dtMs);
    bool inEpisode() const;
    void startMotor();

    qint64 m_lastMs = 0;
    qint64 m_cycleMs = 0;   // running time since the motor last started
    qint64 m_pickupMs = 0;  // how long the overload has lasted
    qint64 m_stoppedMs = 0; // how long the motor has stood after a trip
    qint64 m_runMs = 0;
    double m_energyKwh = 0;
    bool m_motorOn = true;
    quint8 m_operated = 0;
};

} // namespace kliv::sim
