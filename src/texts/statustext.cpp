#include "texts/statustext.h"
#include "texts/configtexts.h"
#include "texts/clocktexts.h"

namespace kliv::status {

namespace {

constexpr quint8 CosPositive = 0x80, CosMagnitude = 0x7F;
constexpr int CosOne = 100;
constexpr quint8 OverloadShownAbove = 10;
constexpr quint16 WholeFrom = 1000; // tenths: 100 and more are shown without decimals
constexpr quint64 EnergyMask = (quint64(1) << 40) - 1;
constexpr std::array<int, 8> TimerBytes = {1, 1, 1, 2, 1, 2, 1, 1};

// The sign in bit 7 (set: positive), hundredths below it; 100 is one whatever the sign.
int cosHundredths(quint8 b) {
    const int magnitude = b & CosMagnitude;
    if (magnitude == CosOne)
        return CosOne;
    return (b & CosPositive) ? magnitude : -magnitude;
}

QString tenthsText(qint64 tenths, const NumberLocale& loc) {
    return numfmt::format(tenths, 1, u"0.0", loc);
}

} // namespace

QString currentText(quint16 tenths, const NumberLocale& loc) {
    return numfmt::format(tenths, 1, tenths >= WholeFrom ? u"0." : u"0.0", loc);
}

QString cosText(quint8 b, const NumberLocale& loc) {
    if (cosHundredths(b) == CosOne)
        return QStringLiteral("1,00"); // as the relay's own display has it, in any locale
    return numfmt::format(cosHundredths(b), 2, u"0.00", loc);
}

double cosValue(quint8 b) {
    return cosHundredths(b) / 100.0;
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
    for (std::size_t i = 0; i < TimerBytes.size(); ++i)
        t.timers[i] = numfmt::format(s.timers[i], 1, TimerBytes[i] == 2 ? u"0." : u"0.0", loc);
    t.power = currentText(s.power, loc);
    t.energy = energyText(s.energy, loc);
    t.running = runningTimeText(s.running);
    t.time = clock::timeText(s.clock);
    t.date = clock::dateText(s.clock);
    return t;
}

} // namespace kliv::status
