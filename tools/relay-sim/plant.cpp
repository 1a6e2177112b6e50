#include "plant.h"

#include <QtMath>
#include <algorithm>
#include <utility>

namespace kliv::sim {

namespace {

// Coarse enough to cross an hour of silence quickly, fine enough for the timers' tenths.
constexpr qint64 StepMs = 100;
constexpr double HealthyLoad = 0.9, OverLoad = 1.3;
constexpr std::array<double, 3> Voltages = {392, 388, 396};
// Phase B draws a little more, phase C a little less: 18.0 / 18.5 / 17.5 A when healthy.
constexpr std::array<double, 3> CurrentShare = {1.0, 37.0 / 36.0, 35.0 / 36.0};
constexpr double Leakage = 0.5;
constexpr double HealthyCos = 0.85, OverloadCos = 0.88;
constexpr double StartEnergyKwh = 12345.678;
constexpr qint64 StartRunningS = 3725412;

// Repeatable measuring noise in -1..1, new every 50 ms and per channel.
double noise(qint64 nowMs, int channel) {
    quint64 x =
        quint64(nowMs / 50) * 0x9E3779B97F4A7C15ull + quint64(channel + 1) * 0xBF58476D1CE4E5B9ull;
    x ^= x >> 31;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 29;
    return double(x >> 11) / double(1ull << 53) * 2.0 - 1.0;
}

} // namespace

void Plant::advance(qint64 nowMs) {
    while (m_lastMs < nowMs) {
        const qint64 dt = std::min(StepMs, nowMs - m_lastMs);
        step(dt);
        m_lastMs += dt;
    }
}

void Plant::step(qint64 dtMs) {
    const qint64 nowMs = m_lastMs + dtMs;
    if (!m_motorOn) {
        m_stoppedMs += dtMs;
        if (m_stoppedMs >= RestartDelayMs)
            startMotor(nowMs);
        return;
    }
    m_runMs += dtMs;
    m_energyKwh += powerKw(nominal()) * double(dtMs) / 3.6e6;
    m_cycleMs += dtMs;
    if (!inEpisode()) {
        m_pickupMs = 0;
        return;
    }
    m_pickupMs += dtMs;
    if (m_pickupMs >= OverloadDelayMs) {
        const quint8 bit = quint8(1u << OverloadBit);
        m_happenings.append({nowMs, false, bit, measured(nowMs)});
        ++m_trips;
        m_operated |= bit;
        m_motorOn = false;
        m_pickupMs = 0;
    }
}

bool Plant::inEpisode() const {
    const qint64 episode = m_cycleMs / EpisodePeriodMs;
    const qint64 pos = m_cycleMs % EpisodePeriodMs - (EpisodeStartMs - m_variety.episodeLeadMs);
    const qint64 length =
        episode % LongEpisodeEvery == LongEpisodeEvery - 1 ? LongEpisodeMs : ShortEpisodeMs;
    return pos >= 0 && pos < length;
}

void Plant::resetProtection() {
    m_operated = 0;
    if (!m_motorOn)
        startMotor(m_lastMs);
}

void Plant::startMotor(qint64 atMs) {
    m_motorOn = true;
    m_cycleMs = 0;
    m_stoppedMs = 0;
    ++m_starts;
    Values v = measured(atMs);
    for (double& i : v.i)
        i *= StartingLoad / HealthyLoad;
    v.cosf = StartingCos;
    m_happenings.append({atMs, true, 0, v});
}

QList<Plant::Happening> Plant::takeHappenings() {
    return std::exchange(m_happenings, {});
}

Plant::Values Plant::nominal() const {
    Values v;
    for (std::size_t k = 0; k < 3; ++k)
        v.u[k] = Voltages[k] + m_variety.voltageShift;
    if (!m_motorOn)
        return v;
    const double load = (inEpisode() ? OverLoad : HealthyLoad) * m_variety.load;
    for (std::size_t k = 0; k < 3; ++k)
        v.i[k] = NominalCurrent * load * CurrentShare[k];
    v.leakage = Leakage;
    v.cosf = inEpisode() ? OverloadCos : HealthyCos;
    return v;
}

Plant::Values Plant::measured(qint64 nowMs) const {
    Values v = nominal();
    for (std::size_t k = 0; k < 3; ++k) {
        v.u[k] += 2.0 * noise(nowMs, int(k));
        if (m_motorOn)
            v.i[k] += 0.2 * noise(nowMs, int(k) + 3);
    }
    if (m_motorOn) {
        v.leakage += 0.1 * noise(nowMs, 6);
        v.cosf += 0.01 * noise(nowMs, 7);
    }
    return v;
}

double Plant::powerKw(const Values& v) const {
    double va = 0;
    for (std::size_t k = 0; k < 3; ++k)
        va += v.u[k] * v.i[k];
    // Line voltages: each phase contributes U / sqrt(3) * I * cos f.
    return va / std::sqrt(3.0) * v.cosf / 1000.0;
}

quint8 Plant::conditionBits() const {
    return m_motorOn && inEpisode() ? quint8(1u << OverloadBit) : quint8(0);
}

quint64 Plant::energyMillionths() const {
    return quint64(std::llround((StartEnergyKwh + m_energyKwh) * 1e6));
}

quint32 Plant::runningSeconds() const {
    return quint32(StartRunningS + m_runMs / 1000);
}

} // namespace kliv::sim
