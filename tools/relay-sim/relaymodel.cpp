#include "relaymodel.h"

#include "protocol/cp1251.h"
#include "protocol/frame.h"

#include <QtMath>
#include <algorithm>

namespace kliv::sim {

namespace {

constexpr int SpeedCount = 11;
constexpr quint8 CosPositive = 0x80;
constexpr int MaxAmplitude = 120; // samples stay within 8..248
constexpr double MainsHz = 50;

quint16 clampWord(double v) {
    return quint16(std::clamp(std::lround(v), 0L, 65535L));
}
quint8 clampByte(double v) {
    return quint8(std::clamp(std::lround(v), 0L, 255L));
}

// Spread between the largest and the smallest phase in percent of their mean.
quint8 asymmetry(const std::array<double, 3>& x) {
    const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
    const double mean = (x[0] + x[1] + x[2]) / 3.0;
    return mean > 0 ? clampByte((*hi - *lo) / mean * 100.0) : quint8(0);
}

void put24(QByteArray& out, quint32 v) {
    out.append(char(v >> 16 & 0xFF));
    out.append(char(v >> 8 & 0xFF));
    out.append(char(v & 0xFF));
}

} // namespace

RelayModel::RelayModel(const RelaySettings& s)
    : m_settings(s), m_clock(s.clockStart.isValid() ? s.clockStart : QDateTime::currentDateTime()),
      m_plant(varietyAt(s.place)),
      m_config(s.configBlock.isEmpty() ? startBlock(s.place) : s.configBlock, s.misstores),
      m_events(eventHistory(m_clock.timeAt(0), s.events, s.place)),
      m_accounting(m_clock.timeAt(0), m_plant) {}

bool RelayModel::accepts(const QByteArray& request) const {
    return frame::check(request) && quint8(request.at(2)) == m_settings.serial >> 8 &&
           quint8(request.at(3)) == (m_settings.serial & 0xFF);
}

QByteArray RelayModel::reply(const QByteArray& request, qint64 nowMs) {
    if (!accepts(request))
        return {};
    m_plant.advance(nowMs);
    logPlantEvents();
    const quint8 kind = frame::kindOf(request);
    const Answer payload = answer(kind, frame::payloadOf(request), nowMs);
    return payload ? frame::build(m_settings.serial, kind, *payload) : QByteArray();
}

RelayModel::Answer RelayModel::answer(quint8 kind, const QByteArray& payload, qint64 nowMs) {
    using Handler = Answer (RelayModel::*)(const QByteArray&, qint64);
    struct Entry {
        quint8 kind;
        Handler handler;
    };
    static constexpr Entry Handlers[] = {
        {KindPresence, &RelayModel::presence},
        {KindStatus, &RelayModel::status},
        {KindClockSet, &RelayModel::clockSet},
        {KindProtectionReset, &RelayModel::protectionReset},
        {KindVersion, &RelayModel::version},
        {KindConfigRead, &RelayModel::configRead},
        {KindConfigWrite, &RelayModel::configWrite},
        {KindEventRecord, &RelayModel::eventBlock},
        {KindAccountingRead, &RelayModel::accountingRead},
        {KindAccountingReset, &RelayModel::accountingReset},
    };
    for (const Entry& e : Handlers) {
        if (e.kind == kind)
            return (this->*e.handler)(payload, nowMs);
    }
    return std::nullopt;
}

RelayModel::Answer RelayModel::presence(const QByteArray& payload, qint64) {
    if (payload.size() > 1)
        return std::nullopt;
    if (payload.size() == 1) {
        const int index = quint8(payload.at(0));
        if (index >= SpeedCount)
            return std::nullopt;
        m_config.setSpeedIndex(index);
        if (m_settings.follow)
            m_lineSpeedChange = index;
    }
    QByteArray p(1, char(m_config.speedIndex()));
    if (!m_settings.follow)
        p.append(char(m_config.fieldBusAddress()));
    return p;
}

RelayModel::Answer RelayModel::status(const QByteArray& payload, qint64 nowMs) {
    if (payload.size() != 1)
        return std::nullopt;
    const int selector = quint8(payload.at(0));
    if (selector == SelectorLive)
        return status::encodeLive(liveStatus(nowMs));
    if (selector == SelectorCalibration) {
        QByteArray p(1, char(SelectorCalibration));
        for (quint32 v : calibrationReadings(nowMs))
            put24(p, v);
        return p;
    }
    // Waveform blocks: a phase 1..3, perhaps marked as the last block of a cycle.
    const bool waveformSelector = (selector & ~(SelectorLastBlock | 3)) == 0 && (selector & 3);
    if (!waveformSelector)
        return std::nullopt;
    return waveform::encode(waveformBlock(selector, nowMs));
}

RelayModel::Answer RelayModel::clockSet(const QByteArray& payload, qint64 nowMs) {
    const auto setting = parseClockSet(payload);
    if (!setting)
        return std::nullopt;
    m_clock.set(*setting, nowMs);
    return QByteArray();
}

RelayModel::Answer RelayModel::protectionReset(const QByteArray& payload, qint64) {
    if (!payload.isEmpty())
        return std::nullopt;
    m_plant.resetProtection();
    logPlantEvents();
    return QByteArray();
}

RelayModel::Answer RelayModel::version(const QByteArray& payload, qint64) {
    if (!payload.isEmpty())
        return std::nullopt;
    QByteArray text = cp1251::encode(m_settings.versionText).left(VersionSize);
    text.append(QByteArray(VersionSize - text.size(), '\0'));
    return text;
}

RelayModel::Answer RelayModel::configRead(const QByteArray& payload, qint64) {
    if (!payload.isEmpty())
        return std::nullopt;
    return m_config.block();
}

RelayModel::Answer RelayModel::configWrite(const QByteArray& payload, qint64) {
    return m_config.write(payload);
}

RelayModel::Answer RelayModel::eventBlock(const QByteArray& payload, qint64) {
    if (payload.size() != 1 || quint8(payload.at(0)) >= eventlog::BlockCount)
        return std::nullopt;
    return m_events.block(quint8(payload.at(0)));
}

RelayModel::Answer RelayModel::accountingRead(const QByteArray& payload, qint64) {
    if (!payload.isEmpty())
        return std::nullopt;
    return accounting::encode(m_accounting.record(m_plant));
}

RelayModel::Answer RelayModel::accountingReset(const QByteArray& payload, qint64 nowMs) {
    if (!payload.isEmpty())
        return std::nullopt;
    m_accounting.reset(m_clock.timeAt(nowMs), m_plant);
    return accounting::encode(m_accounting.record(m_plant));
}

// Starts and trips enter the log with the relay's time of the moment they happened.
void RelayModel::logPlantEvents() {
    for (const Plant::Happening& h : m_plant.takeHappenings())
        m_events.record(sim::eventRecord(h), m_clock.timeAt(h.atMs));
}

LiveStatus RelayModel::liveStatus(qint64 nowMs) {
    m_plant.advance(nowMs);
    const Plant::Values v = m_plant.measured(nowMs);
    LiveStatus s;
    s.clock = m_clock.blockAt(nowMs);
    s.conditionBits = m_plant.conditionBits();
    s.stateBits = m_plant.motorOn() ? 0x01 : 0x00;
    s.operatedBits = m_plant.operatedBits();
    s.ua = clampWord(v.u[0]);
    s.ub = clampWord(v.u[1]);
    s.uc = clampWord(v.u[2]);
    s.ia = clampWord(v.i[0] * 10);
    s.ib = clampWord(v.i[1] * 10);
    s.ic = clampWord(v.i[2] * 10);
    s.idif = clampWord(v.leakage * 10);
    s.cosf = quint8(CosPositive | std::clamp(std::lround(v.cosf * 100), 0L, 100L));
    s.uasm = asymmetry(v.u);
    s.iasm = asymmetry(v.i);
    s.overload = clampByte(*std::max_element(v.i.begin(), v.i.end()) / Plant::NominalCurrent * 10);
    s.timers[std::size_t(Plant::OverloadBit)] = clampWord(m_plant.overloadTimerMs() / 100);
    s.power = clampWord(m_plant.powerKw(v) * 10);
    s.energy = m_plant.energyMillionths();
    s.running = m_plant.runningSeconds();
    return s;
}

WaveformBlock RelayModel::waveformBlock(int selector, qint64 nowMs) {
    m_plant.advance(nowMs);
    const Plant::Values v = m_plant.measured(nowMs);
    WaveformBlock b;
    b.selector = selector;
    b.phase = selector & 3;
    const auto k = std::size_t(b.phase - 1);
    // The relay samples whenever asked, so the snapshot starts anywhere in the period.
    const double start = 2 * M_PI * std::fmod(double(nowMs) * MainsHz / 1000.0, 1.0);
    const double shift = start - double(k) * 2 * M_PI / 3;
    const double lag = std::acos(std::clamp(v.cosf, -1.0, 1.0));
    const double uAmp = std::min<double>(MaxAmplitude, 100.0 * v.u[k] / 400.0);
    const double iAmp =
        std::min<double>(MaxAmplitude, 90.0 * v.i[k] / (1.3 * Plant::NominalCurrent));
    for (int i = 0; i < waveform::SampleCount; ++i) {
        const double a = 2 * M_PI * i / waveform::SampleCount + shift;
        b.voltage[std::size_t(i)] = clampByte(128 + uAmp * std::sin(a));
        b.current[std::size_t(i)] = clampByte(128 + iAmp * std::sin(a - lag));
    }
    return b;
}

std::array<quint32, 7> RelayModel::calibrationReadings(qint64 nowMs) {
    m_plant.advance(nowMs);
    return sim::calibrationReadings(m_config.coefficients(), m_settings.reference
                                                                 ? *m_settings.reference
                                                                 : referenceOf(m_plant.nominal()));
}

} // namespace kliv::sim
