#include "protocol/configuration.h"

#include "protocol/bigendian.h"

#include "protocol/cp1251.h"

#include <QtGlobal>
#include <array>

namespace kliv::config {

namespace {

// Block offsets not shared with the relay's own commands.
constexpr int UminAt = 1, UminDelayAt = 3, UmaxAt = 4, UmaxDelayAt = 6, UasmAt = 7, UasmDelayAt = 8,
              IholAt = 9, IholDelayAt = 11, IasmAt = 13, IasmDelayAt = 14, InomAt = 15, VtzAt = 17,
              IzklAt = 19, IzklDelayAt = 21, IdifAt = 22, IdifDelayAt = 24, EnablesAt = 26,
              CosAt = 27, TipoAt = 42, OustAt = 58, ProtocolAt = 74, SilenceAt = 76, EndAt = 77;

// Control flags byte.
constexpr quint8 IsoThresholdMask = 0x03, IsoEnabled = 0x04;
constexpr quint8 VoltagePhaseB = 0x08, VoltagePhaseC = 0x10;
constexpr quint8 CurrentPhaseB = 0x20, CurrentPhaseC = 0x40;

// The phase monitoring items: A/B/C, A/B, A/C, A; phase A is always watched.
constexpr int PhaseItems = 4;
int phaseItem(bool b, bool c) {
    return b && c ? 0 : b ? 1 : c ? 2 : 3;
}
quint8 phaseBits(int item, quint8 b, quint8 c) {
    constexpr std::array<bool, PhaseItems> withB = {true, true, false, false};
    constexpr std::array<bool, PhaseItems> withC = {true, false, true, false};
    return quint8((withB[item] ? b : 0) | (withC[item] ? c : 0));
}

constexpr quint8 CosPositive = 0x80, CosMagnitude = 0x7F;
constexpr int SecondTenths = 10; // the two-byte delays: whole seconds on the page

// The protection enable byte, bit by bit.
constexpr std::array<bool Configuration::*, 8> Enables = {
    &Configuration::z_umin_ok, &Configuration::z_umax_ok, &Configuration::z_uasm_ok,
    &Configuration::z_ihol_ok, &Configuration::z_iasm_ok, &Configuration::z_ivtz_ok,
    &Configuration::z_zakl_ok, &Configuration::z_idif_ok};

// The coefficients in block order.
constexpr std::array<int Configuration::*, CoefficientCount> Coefficients = {
    &Configuration::st_kua, &Configuration::st_kub, &Configuration::st_kuc,  &Configuration::st_kia,
    &Configuration::st_kib, &Configuration::st_kic, &Configuration::st_kidif};

void put8(QByteArray& b, int at, int v) {
    b[at] = char(v & 0xFF);
}
void put16(QByteArray& b, int at, int v) {
    be::write16(b, at, quint16(v));
}
int get8(const QByteArray& b, int at) {
    return quint8(b.at(at));
}
int get16(const QByteArray& b, int at) {
    return be::read16(b, at);
}

void putText(QByteArray& b, int at, const QString& text) {
    QByteArray bytes = cp1251::encode(text).left(TextSize);
    bytes.append(QByteArray(TextSize - bytes.size(), ' '));
    b.replace(at, TextSize, bytes);
}

} // namespace

QByteArray encode(const Configuration& c) {
    Q_ASSERT(problems(c).isEmpty());
    QByteArray b(BlockSize, '\0');
    put8(b, SpeedByte, c.cb_rs485);
    put16(b, UminAt, c.z_umin_v);
    put8(b, UminDelayAt, c.st_zumin_t);
    put16(b, UmaxAt, c.z_umax_v);
    put8(b, UmaxDelayAt, c.st_zumax_t);
    put8(b, UasmAt, c.z_uasm);
    put8(b, UasmDelayAt, c.st_zuasm_t);
    put16(b, IholAt, c.z_ihol_a);
    put16(b, IholDelayAt, c.z_ihol_t * SecondTenths);
    put8(b, IasmAt, c.z_iasm);
    put8(b, IasmDelayAt, c.st_ziasm_t);
    put16(b, InomAt, c.z_inom_a);
    put16(b, VtzAt, c.z_vtz_t * SecondTenths);
    put16(b, IzklAt, c.z_izkl_a);
    put8(b, IzklDelayAt, c.st_zizakl_t);
    put16(b, IdifAt, c.z_idif_a);
    put8(b, IdifDelayAt, c.st_zidif_t);

    put8(b, FlagsByte,
         (c.z_iso_r & IsoThresholdMask) | (c.z_iso_ok ? IsoEnabled : 0) |
             phaseBits(c.p_uf_c, VoltagePhaseB, VoltagePhaseC) |
             phaseBits(c.p_if_c, CurrentPhaseB, CurrentPhaseC) | (c.blok_z ? BlockingFlag : 0));
    int enables = 0;
    for (std::size_t bit = 0; bit < Enables.size(); ++bit)
        enables |= c.*Enables[bit] ? 1 << bit : 0;
    put8(b, EnablesAt, enables);
    put8(b, CosAt, c.pcosf >= 0 ? (c.pcosf | CosPositive) : -c.pcosf);

    for (int k = 0; k < CoefficientCount; ++k)
        put16(b, CoefficientsByte + 2 * k, c.*Coefficients[std::size_t(k)]);
    putText(b, TipoAt, c.tipo_text);
    putText(b, OustAt, c.oust_text);
    put8(b, ProtocolAt, c.cb_uprotbus);
    put8(b, AddressByte, c.sp_uaddr);
    put8(b, SilenceAt, c.sp_utb);
    put8(b, EndAt, c.sp_ute);
    return b;
}

QByteArray writePayload(const Configuration& c) {
    return char(WriteFull) + encode(c);
}

Configuration decode(const QByteArray& block) {
    QByteArray b = block.left(BlockSize);
    b.append(QByteArray(BlockSize - b.size(), '\0'));

    Configuration c;
    c.cb_rs485 = get8(b, SpeedByte);
    c.z_umin_v = get16(b, UminAt);
    c.st_zumin_t = get8(b, UminDelayAt);
    c.z_umax_v = get16(b, UmaxAt);
    c.st_zumax_t = get8(b, UmaxDelayAt);
    c.z_uasm = get8(b, UasmAt);
    c.st_zuasm_t = get8(b, UasmDelayAt);
    c.z_ihol_a = get16(b, IholAt);
    c.z_ihol_t = get16(b, IholDelayAt) / SecondTenths;
    c.z_iasm = get8(b, IasmAt);
    c.st_ziasm_t = get8(b, IasmDelayAt);
    c.z_inom_a = get16(b, InomAt);
    c.z_vtz_t = get16(b, VtzAt) / SecondTenths;
    c.z_izkl_a = get16(b, IzklAt);
    c.st_zizakl_t = get8(b, IzklDelayAt);
    c.z_idif_a = get16(b, IdifAt);
    c.st_zidif_t = get8(b, IdifDelayAt);

    const int flags = get8(b, FlagsByte);
    c.z_iso_r = flags & IsoThresholdMask;
    c.z_iso_ok = flags & IsoEnabled;
    c.p_uf_c = phaseItem(flags & VoltagePhaseB, flags & VoltagePhaseC);
    c.p_if_c = phaseItem(flags & CurrentPhaseB, flags & CurrentPhaseC);
    c.blok_z = flags & BlockingFlag;
    const int enables = get8(b, EnablesAt);
    for (std::size_t bit = 0; bit < Enables.size(); ++bit)
        c.*Enables[bit] = enables & (1 << bit);
    const int cos = get8(b, CosAt);
    c.pcosf = (cos & CosPositive) ? (cos & CosMagnitude) : -cos;

    for (int k = 0; k < CoefficientCount; ++k)
        c.*Coefficients[std::size_t(k)] = get16(b, CoefficientsByte + 2 * k);
    c.tipo_text = cp1251::decodeToZero(b.mid(TipoAt, TextSize));
    c.oust_text = cp1251::decodeToZero(b.mid(OustAt, TextSize));
    c.cb_uprotbus = get8(b, ProtocolAt);
    c.sp_uaddr = get8(b, AddressByte);
    c.sp_utb = get8(b, SilenceAt);
    c.sp_ute = get8(b, EndAt);
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

} // namespace kliv::config
