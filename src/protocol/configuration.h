#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>

namespace kliv {

// The relay's configuration as numbers, one field per control of the configuration page,
// each named after its control; the defaults are the page's start-up values. Where each
// field sits in the block is the field schema's (model/configschema.h). Delays
// (st_*_t) and currents are whole tenths of a second or of an ampere, z_ihol_t and z_vtz_t
// whole seconds, lists their item index. Every number is a plain int, so that a value the
// wire cannot carry (a negative current, a coefficient of 70000) can be held and refused.
struct Configuration {
    int cb_rs485 = 5; // 9600 baud
    int z_umin_v = 170;
    int st_zumin_t = 100;
    int z_umax_v = 250;
    int st_zumax_t = 100;
    int z_uasm = 30;
    int st_zuasm_t = 150;
    int z_ihol_a = 0;
    int z_ihol_t = 60;
    int z_iasm = 25;
    int st_ziasm_t = 50;
    int z_inom_a = 150;
    int z_vtz_t = 300;
    int z_izkl_a = 450;
    int st_zizakl_t = 30;
    int z_idif_a = 10;
    int st_zidif_t = 5;
    int z_iso_r = 3; // 500 kOhm
    bool z_iso_ok = true;
    int p_uf_c = 0; // A/B/C
    int p_if_c = 0;
    bool blok_z = false;
    bool z_umin_ok = false;
    bool z_umax_ok = false;
    bool z_uasm_ok = true;
    bool z_ihol_ok = false;
    bool z_iasm_ok = true;
    bool z_ivtz_ok = true;
    bool z_zakl_ok = true;
    bool z_idif_ok = true;
    int pcosf = 0;
    int st_kua = 570;
    int st_kub = 570;
    int st_kuc = 570;
    int st_kia = 200;
    int st_kib = 200;
    int st_kic = 200;
    int st_kidif = 5000;
    QString tipo_text;
    QString oust_text;
    int cb_uprotbus = 0; // ZVTBUS
    int sp_uaddr = 1;
    int sp_utb = 5;
    int sp_ute = 3;
    bool operator==(const Configuration&) const = default;
};

namespace config {

constexpr int BlockSize = 78;
constexpr int TextSize = 16;

// Payload byte 0 of the configuration write request and of its reply.
enum WriteMode : quint8 { WriteFull = 0, WriteCalibration = 1 };
constexpr int WritePayloadSize = 1 + BlockSize;

// Block bytes that the relay's own commands change outside a full write.
constexpr int SpeedByte = 0;
constexpr int FlagsByte = 25;
constexpr quint8 BlockingFlag = 0x80; // blocking after a trip (blok_z), in the flags byte
constexpr int CoefficientsByte = 28;  // seven 16-bit coefficients: Ua Ub Uc Ia Ib Ic Iут
constexpr int CoefficientCount = 7;
constexpr int AddressByte = 75;

// How a field sits in the block.
enum class Wire {
    Byte,    // the value in one byte
    Word,    // the value in two bytes, high first
    Seconds, // whole seconds sent as two bytes of tenths; tenths beyond whole seconds read cut
    Cos,     // cos f: v + 128 when v is 0 or more, else -v; a 0x00 reads as 0 too
    Bits,    // the value in the bits of `mask`, within one byte
    Phases,  // a phase item in the two bits of `mask`: phase B the lower bit, C the higher
    Text,    // TextSize bytes padded with blanks; read up to the first zero byte
};
struct Place {
    int at = 0; // the field's first block byte
    Wire wire = Wire::Byte;
    quint8 mask = 0xFF; // Bits and Phases: the field's bits of its byte
};

// A number at its place exactly as the block carries it, with no clamping: the speed byte
// as is, cos f by its sign rule (so -127..127), two-byte delays as whole seconds (tenths /
// 10, truncated), bits shifted down, a phase item. Not for Text.
int readNumber(const QByteArray& block, const Place& p);
// Writes a number at its place; only the bits of a Bits or Phases place are touched, as the
// flags byte is shared by five fields. A value beyond the place is cut to its low bits.
void writeNumber(QByteArray& block, const Place& p, int value);
// A text up to the first zero byte, with its trailing blanks.
QString readText(const QByteArray& block, const Place& p);
// A text padded with blanks to TextSize bytes (cut beyond).
void writeText(QByteArray& block, const Place& p, const QString& text);

// The block of BlockSize bytes: bytes missing from a short one read as zeros.
QByteArray whole(const QByteArray& block);

} // namespace config
} // namespace kliv
