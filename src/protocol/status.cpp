#include "protocol/status.h"

#include "protocol/bigendian.h"

namespace kliv::status {

namespace {

// Record offsets.
constexpr int ClockAt = 1, ConditionAt = 11, StateAt = 12, OperatedAt = 13, UaAt = 14, UbAt = 16,
              UcAt = 18, IaAt = 20, IbAt = 22, IcAt = 24, IdifAt = 26, CosAt = 28, UasmAt = 29,
              IasmAt = 30, OverloadAt = 31, PowerAt = 42, EnergyAt = 44, RunningAt = 49;
constexpr int EnergyBytes = 5;
constexpr quint64 EnergyMask = (quint64(1) << 40) - 1;

// Offset and width of each protection timer, in protection bit order.
struct TimerField {
    int at, bytes;
};
constexpr std::array<TimerField, 8> Timers{
    {{32, 1}, {33, 1}, {34, 1}, {35, 2}, {37, 1}, {38, 2}, {40, 1}, {41, 1}}};

} // namespace

std::optional<LiveStatus> decodeLive(const QByteArray& p) {
    if (p.size() < LiveRecordSize || p.at(0) != char(SelectorLive))
        return std::nullopt;
    LiveStatus s;
    s.clock = clock::decodeBlock(p.constData() + ClockAt);
    s.conditionBits = quint8(p.at(ConditionAt));
    s.stateBits = quint8(p.at(StateAt));
    s.operatedBits = quint8(p.at(OperatedAt));
    s.ua = be::read16(p, UaAt);
    s.ub = be::read16(p, UbAt);
    s.uc = be::read16(p, UcAt);
    s.ia = be::read16(p, IaAt);
    s.ib = be::read16(p, IbAt);
    s.ic = be::read16(p, IcAt);
    s.idif = be::read16(p, IdifAt);
    s.cosf = quint8(p.at(CosAt));
    s.uasm = quint8(p.at(UasmAt));
    s.iasm = quint8(p.at(IasmAt));
    s.overload = quint8(p.at(OverloadAt));
    for (std::size_t i = 0; i < Timers.size(); ++i)
        s.timers[i] = quint16(be::read(p, Timers[i].at, Timers[i].bytes));
    s.power = be::read16(p, PowerAt);
    s.energy = be::read(p, EnergyAt, EnergyBytes);
    s.running = quint32(be::read(p, RunningAt, 4));
    return s;
}

QByteArray encodeLive(const LiveStatus& s) {
    QByteArray p(LiveRecordSize, '\0');
    p[0] = char(SelectorLive);
    p.replace(ClockAt, clock::BlockSize, clock::encodeBlock(s.clock));
    p[ConditionAt] = char(s.conditionBits);
    p[StateAt] = char(s.stateBits);
    p[OperatedAt] = char(s.operatedBits);
    be::write(p, UaAt, 2, s.ua);
    be::write(p, UbAt, 2, s.ub);
    be::write(p, UcAt, 2, s.uc);
    be::write(p, IaAt, 2, s.ia);
    be::write(p, IbAt, 2, s.ib);
    be::write(p, IcAt, 2, s.ic);
    be::write(p, IdifAt, 2, s.idif);
    p[CosAt] = char(s.cosf);
    p[UasmAt] = char(s.uasm);
    p[IasmAt] = char(s.iasm);
    p[OverloadAt] = char(s.overload);
    for (std::size_t i = 0; i < Timers.size(); ++i) {
        // A one-byte timer saturates rather than wrapping to a small value.
        const quint64 limit = Timers[i].bytes == 1 ? 0xFF : 0xFFFF;
        be::write(p, Timers[i].at, Timers[i].bytes, qMin<quint64>(s.timers[i], limit));
    }
    be::write(p, PowerAt, 2, s.power);
    be::write(p, EnergyAt, EnergyBytes, s.energy & EnergyMask);
    be::write(p, RunningAt, 4, s.running);
    return p;
}

} // namespace kliv::status
