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
int get16(const QByteArray& b, int at) {
    return be::read16(b, at);
}
void put8(QByteArray& b, int at, int v) {
    b[at] = char(v & 0xFF);
}
void put16(QByteArray& b, int at, int v) {
    be::write16(b, at, quint16(v));
}

// Only the bits of the place's mask are touched: the flags byte is shared by five fields.
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
    const auto i = std::size_t(item);
    return (withB[i] ? phaseB(mask) : 0) | (withC[i] ? mask & ~phaseB(mask) : 0);
}

int numberOf(const Configuration& c, const Field& f) {
    return f.check ? int(c.*f.check) : c.*f.number;
}

void put(QByteArray& b, const Field& f, const Configuration& c) {
    const Place& p = f.place;
    if (p.wire == Wire::Text) {
        QByteArray bytes = cp1251::encode(c.*f.text).left(TextSize);
        bytes.append(QByteArray(TextSize - bytes.size(), ' '));
        b.replace(p.at, TextSize, bytes);
        return;
    }
    const int v = numberOf(c, f);
    switch (p.wire) {
    case Wire::Byte:
        put8(b, p.at, v);
        break;
    case Wire::Word:
        put16(b, p.at, v);
        break;
    case Wire::Seconds:
        put16(b, p.at, v * SecondTenths);
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

void get(const QByteArray& b, const Field& f, Configuration& c) {
    const Place& p = f.place;
    int v = 0;
    switch (p.wire) {
    case Wire::Text:
        c.*f.text = cp1251::decodeToZero(b.mid(p.at, TextSize));
        return;
    case Wire::Byte:
        v = get8(b, p.at);
        break;
    case Wire::Word:
        v = get16(b, p.at);
        break;
    case Wire::Seconds:
        v = get16(b, p.at) / SecondTenths;
        break;
    case Wire::Cos: {
        const int cos = get8(b, p.at);
        v = (cos & CosPositive) ? (cos & CosMagnitude) : -cos;
        break;
    }
    case Wire::Bits:
        v = (get8(b, p.at) & p.mask) >> std::countr_zero(p.mask);
        break;
    case Wire::Phases:
        v = phaseItem(get8(b, p.at), p.mask);
        break;
    }
    if (f.check)
        c.*f.check = v != 0;
    else
        c.*f.number = v;
}

bool sameValue(const Field& f, const Configuration& a, const Configuration& b) {
    return f.text ? a.*f.text == b.*f.text : numberOf(a, f) == numberOf(b, f);
}

// A short block reads as if its missing bytes were zeros.
QByteArray whole(const QByteArray& block) {
    QByteArray b = block.left(BlockSize);
    b.append(QByteArray(BlockSize - b.size(), '\0'));
    return b;
}

} // namespace

QByteArray encode(const Configuration& c) {
    Q_ASSERT(problems(c).isEmpty());
    QByteArray b(BlockSize, '\0');
    for (const Field& f : fields())
        put(b, f, c);
    return b;
}

QByteArray writePayload(const Configuration& c) {
    return char(WriteFull) + encode(c);
}

Configuration decode(const QByteArray& block) {
    const QByteArray b = whole(block);
    Configuration c;
    for (const Field& f : fields())
        get(b, f, c);
    return c;
}

Configuration forPage(const Configuration& decoded) {
    Configuration c = decoded;
    for (const Field& f : fields()) {
        if (f.kind == FieldKind::Spin)
            c.*f.number = qBound(f.min, c.*f.number, f.max);
        else if (f.kind == FieldKind::List && (c.*f.number < f.min || c.*f.number > f.max))
            c.*f.number = Configuration{}.*f.number;
    }
    return c;
}

QByteArray merge(const QByteArray& held, const Configuration& wanted, const QStringList& keys) {
    QByteArray b = whole(held);
    const Configuration shown = forPage(decode(b));
    for (const Field& f : fields())
        if (keys.contains(QLatin1String(f.key)) && !sameValue(f, shown, wanted))
            put(b, f, wanted);
    return b;
}

} // namespace kliv::config
