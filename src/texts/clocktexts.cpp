#include "texts/clocktexts.h"

namespace kliv::clock {

namespace {

QString twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

QString timeText(const ClockBlock& c) {
    return twoDigits(c.hours) + QLatin1Char(':') + twoDigits(c.minutes) + QLatin1Char(':') +
           twoDigits(c.seconds);
}

QString dateText(const ClockBlock& c) {
    return twoDigits(c.day) + QLatin1Char('.') + twoDigits(c.month) + QStringLiteral(".20") +
           twoDigits(c.year) + QStringLiteral("г.");
}

} // namespace kliv::clock
