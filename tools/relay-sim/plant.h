#pragma once

#include "variety.h"

#include <QList>
#include <QtGlobal>
#include <array>

namespace kliv::sim {

// The motor and mains that the simulated relay watches. A healthy motor runs at 90 % of
// its nominal current; once a minute the load rises to 130 % for a few seconds, so the
// overload protection picks up and drops out again, and every third such episode lasts
// long enough for it to operate: the relay stops the motor and keeps the protection
// marked as operated until it is reset. The operator starts the motor again a little
// later, or at once with the reset. Time is model time, milliseconds since the model
// started. A relay further along a shared line watches a motor of its own variety.
class Plant {
  public:
    explicit Plant(const Variety& variety = Varieties[0]) : m_variety(variety) {}

    static constexpr int OverloadBit = 5; // the protection bit of Iвтз
    static constexpr qint64 EpisodePeriodMs = 60000;
    static constexpr qint64 EpisodeStartMs = 45000; // into each period
    static constexpr qint64 ShortEpisodeMs = 4000;
    static constexpr qint64 LongEpisodeMs = 9000;
    static constexpr int LongEpisodeEvery = 3;
    static constexpr qint64 OverloadDelayMs = 6000;
    static constexpr qint64 RestartDelayMs = 20000;
    static constexpr double NominalCurrent = 20.0;
    // A starting motor draws six times its nominal current at a poor cos f.
    static constexpr double StartingLoad = 6.0, StartingCos = 0.35;

    struct Values {
        std::array<double, 3> u{}; // volts
        std::array<double, 3> i{}; // amperes
        double leakage = 0;        // amperes
        double cosf = 0;
    };

    // A start or a trip, with the values the relay measured at that moment.
    struct Happening {
        qint64 atMs = 0;
        bool started = false;
        quint8 protection = 0; // the protection that tripped
        Values values;
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
    qint64 runningMs() const { return m_runMs; }
    quint32 starts() const { return m_starts; }
    quint32 trips() const { return m_trips; }
    // The starts and trips since the last call, oldest first.
    QList<Happening> takeHappenings();

  private:
    void step(qint64 dtMs);
    bool inEpisode() const;
    void startMotor(qint64 atMs);

    Variety m_variety;
    qint64 m_lastMs = 0;
    qint64 m_cycleMs = 0;   // running time since the motor last started
    qint64 m_pickupMs = 0;  // how long the overload has lasted
    qint64 m_stoppedMs = 0; // how long the motor has stood after a trip
    qint64 m_runMs = 0;
    double m_energyKwh = 0;
    bool m_motorOn = true;
    quint8 m_operated = 0;
    quint32 m_starts = 0, m_trips = 0;
    QList<Happening> m_happenings;
};

} // namespace kliv::sim
