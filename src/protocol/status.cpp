#include "protocol/status.h"

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

constexpr quint8 CosPositive = 0x80, CosMagnitude = 0x7F;
constexpr int CosOne = 100;
constexpr quint8 OverloadShownAbove = 10;
constexpr quint16 WholeFrom = 1000; // tenths: 100 and more are shown without decimals

quint64 readBig(const QByteArray& p, int at, int bytes) {
    quint64 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | quint8(p.at(at + i));
    return v;
}

void writeBig(QByteArray& p, int at, int bytes, quint64 v) {
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
        p[at + i] = char(v & 0xFF);
}

quint16 read16(const QByteArray& p, int at) {
    return quint16(readBig(p, at, 2));
}

QString tenthsText(qint64 tenths, const NumberLocale& loc) {
    return numfmt::format(tenths, 1, u"0.0", loc);
}

} // namespace

std::optional<LiveStatus> decodeLive(const QByteArray& p) {
    if (p.size() < LiveRecordSize || p.at(0) != char(SelectorLive))
        return std::nullopt;
    LiveStatus s;
    s.clock = clock::decodeBlock(p.constData() + ClockAt);
    s.conditionBits = quint8(p.at(ConditionAt));
    s.stateBits = quint8(p.at(StateAt));
    s.operatedBits = quint8(p.at(OperatedAt));
    s.ua = read16(p, UaAt);
    s.ub = read16(p, UbAt);
    s.uc = read16(p, UcAt);
    s.ia = read16(p, IaAt);
    s.ib = read16(p, IbAt);
    s.ic = read16(p, IcAt);
    s.idif = read16(p, IdifAt);
    s.cosf = quint8(p.at(CosAt));
    s.uasm = quint8(p.at(UasmAt));
    s.iasm = quint8(p.at(IasmAt));
    s.overload = quint8(p.at(OverloadAt));
    for (std::size_t i = 0; i < Timers.size(); ++i)
        s.timers[i] = quint16(readBig(p, Timers[i].at, Timers[i].bytes));
    s.power = read16(p, PowerAt);
    s.energy = readBig(p, EnergyAt, EnergyBytes);
    s.running = quint32(readBig(p, RunningAt, 4));
    return s;
}

QByteArray encodeLive(const LiveStatus& s) {
    QByteArray p(LiveRecordSize, '\0');
    p[0] = char(SelectorLive);
    p.replace(ClockAt, clock::BlockSize, clock::encodeBlock(s.clock));
    p[ConditionAt] = char(s.conditionBits);
    p[StateAt] = char(s.stateBits);
    p[OperatedAt] = char(s.operatedBits);
    writeBig(p, UaAt, 2, s.ua);
    writeBig(p, UbAt, 2, s.ub);
    writeBig(p, UcAt, 2, s.uc);
    writeBig(p, IaAt, 2, s.ia);
    writeBig(p, IbAt, 2, s.ib);
    writeBig(p, IcAt, 2, s.ic);
    writeBig(p, IdifAt, 2, s.idif);
    p[CosAt] = char(s.cosf);
    p[UasmAt] = char(s.uasm);
    p[IasmAt] = char(s.iasm);
    p[OverloadAt] = char(s.overload);
    for (std::size_t i = 0; i < Timers.size(); ++i) {
        // A one-byte timer saturates rather than wrapping to a small value.
        const quint64 limit = Timers[i].bytes == 1 ? 0xFF : 0xFFFF;
        writeBig(p, Timers[i].at, Timers[i].bytes, qMin<quint64>(s.timers[i], limit));
    }
    writeBig(p, PowerAt, 2, s.power);
    writeBig(p, EnergyAt, EnergyBytes, s.energy & EnergyMask);
    writeBig(p, RunningAt, 4, s.running);
    return p;
}

QString currentText(quint16 tenths, const NumberLocale& loc) {
    return numfmt::format(tenths, 1, tenths >= WholeFrom ? u"0." : u"0.0", loc);
}

QString cosText(quint8 b, const NumberLocale& loc) {
    const int magnitude = b & CosMagnitude;
    if (magnitude == CosOne)
        return QStringLiteral("1,00");
    return numfmt::format((b & CosPositive) ? magnitude : -magnitude, 2, u"0.00", loc);
}

double cosValue(quint8 b) {
    const int magnitude = b & CosMagnitude;
    if (magnitude == CosOne)
        return 1.0;
    return ((b & CosPositive) ? magnitude : -magnitude) / 100.0;
}

QString overloadText(quint8 tenths, const NumberLocale& loc) {
    if (tenths <= OverloadShownAbove)
        return QStringLiteral("---");
    return tenthsText(tenths, loc);
}

QString runningTimeText(quint32 seconds) {
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 5, 10, zero)
        .arg(seconds % 3600 / 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}

QString energyText(quint64 millionths, const NumberLocale& loc) {
    return numfmt::format(qint64(millionths & EnergyMask), 6, u"000000.000", loc);
}

LiveStatusTexts texts(const LiveStatus& s, const NumberLocale& loc) {
    LiveStatusTexts t;
    t.ua = QString::number(s.ua);
    t.ub = QString::number(s.ub);
    t.uc = QString::number(s.uc);
    t.ia = currentText(s.ia, loc);
    t.ib = currentText(s.ib, loc);
    t.ic = currentText(s.ic, loc);
    t.idif = tenthsText(s.idif, loc);
    t.cosf = cosText(s.cosf, loc);
    t.uasm = QString::number(s.uasm);
    t.iasm = QString::number(s.iasm);
    t.overload = overloadText(s.overload, loc);
    for (std::size_t i = 0; i < Timers.size(); ++i)
        t.timers[i] = numfmt::format(s.timers[i], 1, Timers[i].bytes == 2 ? u"0." : u"0.0", loc);
    t.power = currentText(s.power, loc);
    t.energy = energyText(s.energy, loc);
    t.running = runningTimeText(s.running);
    t.time = clock::timeText(s.clock);
    t.date = clock::dateText(s.clock);
    return t;
}

} // namespace kliv::status
