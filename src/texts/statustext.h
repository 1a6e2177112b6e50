#pragma once

#include "texts/numfmt.h"
#include "protocol/status.h"

#include <QString>
#include <array>

namespace kliv {

// The page's texts for one record, each formatted as the page shows it.
struct LiveStatusTexts {
    QString ua, ub, uc, ia, ib, ic, idif, cosf, uasm, iasm, overload, power, energy, running;
    std::array<QString, 8> timers;
    QString time, date;
};

namespace status {

LiveStatusTexts texts(const LiveStatus& s, const NumberLocale& loc);

QString currentText(quint16 tenths, const NumberLocale& loc);    // "0." from 100 A, else "0.0"
QString cosText(quint8 b, const NumberLocale& loc);              // "1,00" literal at 100
double cosValue(quint8 b);                                       // 1.0 at 100, signed
QString overloadText(quint8 tenths, const NumberLocale& loc);    // "---" at 10 or less
QString runningTimeText(quint32 seconds);                        // "00001:02:05"
QString energyText(quint64 millionths, const NumberLocale& loc); // "000000.000"

} // namespace status
} // namespace kliv
