#include "protocol/configuration.h"

#include "protocol/bigendian.h"
#include "protocol/cp1251.h"

#include <QtGlobal>
#include <array>
#include <bit>

namespace kliv::config {

namespace {

// The phase monitoring items: A/B/C, A/B, A/C, A; phase A is always watched.
constexpr int PhaseItems = 4;

constexpr quint8 CosPositive = 0x80, CosMagnitude = 0x7F;
constexpr int SecondTenths = 10; // the two-byte delays: whole seconds on the page

int get8(const QByteArray& b, int at) {
    return quint8(b.at(at));
}
void put8(QByteArray& b, int at, int v) {
    b[at] = char(v & 0xFF);
}
void putBits(QByteArray& b, const Place& p, int bits) {
    put8(b, p.at, (get8(b, p.at) & ~p.mask) | (bits & p.mask));
}

quint8 phaseB(quint8 mask) {
    return quint8(mask & -mask); // its lower bit
}
int phaseItem(int byte, quint8 mask) {
    const bool b = byte & phaseB(mask), c = byte & (mask & ~phaseB(mask));
    return b && c ? 0 : b ? 1 : c ? 2 : 3;
}
int phaseBits(int item, quint8 mask) {
    constexpr std::array<bool, PhaseItems> withB = {true, true, false, false};
    constexpr std::array<bool, PhaseItems> withC = {true, false, true, false};
    const auto i = std::size_t(qBound(0, item, PhaseItems - 1));
    return (withB[i] ? phaseB(mask) : 0) | (withC[i] ? mask & ~phaseB(mask) : 0);
}

} // namespace

int readNumber(const QByteArray& b, const Place& p) {
    switch (p.wire) {
    case Wire::Byte:
        return get8(b, p.at);
    case Wire::Word:
        return be::read16(b, p.at);
    case Wire::Seconds:
        return be::read16(b, p.at) / SecondTenths;
    case Wire::Cos: {
        const int cos = get8(b, p.at);
        return (cos & CosPositive) ? (cos & CosMagnitude) : -cos;
    }
    case Wire::Bits:
        return (get8(b, p.at) & p.mask) >> std::countr_zero(p.mask);
    case Wire::Phases:
        return phaseItem(get8(b, p.at), p.mask);
    case Wire::Text:
        break;
    }
    return 0;
}

void writeNumber(QByteArray& b, const Place& p, int v) {
    switch (p.wire) {
    case Wire::Byte:
        put8(b, p.at, v);
        break;
    case Wire::Word:
        be::write16(b, p.at, quint16(v));
        break;
    case Wire::Seconds:
        be::write16(b, p.at, quint16(v * SecondTenths));
        break;
    case Wire::Cos:
        put8(b, p.at, v >= 0 ? (v | CosPositive) : -v);
        break;
    case Wire::Bits:
        putBits(b, p, v << std::countr_zero(p.mask));
        break;
    case Wire::Phases:
        putBits(b, p, phaseBits(v, p.mask));
        break;
    case Wire::Text:
        break;
    }
}

QString readText(const QByteArray& b, const Place& p) {
    return cp1251::decodeToZero(b.mid(p.at, TextSize));
}

void writeText(QByteArray& b, const Place& p, const QString& text) {
    QByteArray bytes = cp1251::encode(text).left(TextSize);
    bytes.append(QByteArray(TextSize - bytes.size(), ' '));
    b.replace(p.at, TextSize, bytes);
}

QByteArray whole(const QByteArray& block) {
    QByteArray b = block.left(BlockSize);
    b.append(QByteArray(BlockSize - b.size(), '\0'));
    return b;
}

} // namespace kliv::config
