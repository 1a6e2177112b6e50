#include "protocol/speeds.h"

namespace kliv::speeds {

namespace {

QStringList listOf(const char* Speed::*item) {
    QStringList out;
    for (const Speed& s : Table)
        out << QString::fromLatin1(s.*item);
    return out;
}

} // namespace

QStringList items() {
    return listOf(&Speed::lineItem);
}

QStringList relayItems() {
    return listOf(&Speed::relayItem);
}

int indexOfBaud(int baud) {
    for (int i = 0; i < Count; ++i)
        if (Baud[std::size_t(i)] == baud)
            return i;
    return -1;
}

QString indexProblem(int index) {
    return QStringLiteral("Скорость RS485: нет такой скорости в списке (%1).").arg(index);
}

QString bauds() {
    QStringList out;
    for (const Speed& s : Table)
        out << QString::number(s.baud);
    return out.join(QLatin1Char(' '));
}

} // namespace kliv::speeds
