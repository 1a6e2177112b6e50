#pragma once

#include "protocol/numfmt.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>

namespace kliv {

// The relay's configuration as numbers, one field per control of the configuration page,
// each named after its control; the defaults are the page's start-up values. Delays
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

// The 78-byte block. Precondition: problems(c) is empty; a value outside its wire field
// would otherwise be cut to its low bits.
QByteArray encode(const Configuration& c);
// WriteFull followed by the block: the payload of a full configuration write.
QByteArray writePayload(const Configuration& c);

// The values exactly as the block carries them, with no clamping, so that a verified write
// can compare them with what was sent: the speed byte as is, cos f by its sign rule (so
// -127..127), two-byte delays as whole seconds (tenths / 10, truncated), texts up to the
// first zero byte with their trailing spaces. Bytes missing from a short block read as 0.
Configuration decode(const QByteArray& block);

// What the page shows for a decoded configuration: a list byte naming no item selects the
// list's start-up item (a speed byte above 10 gives 9600 baud, a protocol byte above 1 the
// first protocol); spin values and cos f are held to the limits of their controls.
// Currents, delays, coefficients and texts stay as they are.
Configuration forPage(const Configuration& c);

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

enum class FieldKind {
    List,    // a drop-down list: its item index
    Spin,    // a spin edit: an integer the page holds to its limits
    Tenths,  // a delay or a current: whole tenths, shown with one decimal
    Integer, // a calibration coefficient: an integer typed freely
    Check,   // a check box
    Text,    // an information text of up to 16 characters
};

// One control of the page. The table of them drives validation, differences and the
// settings file, so each field is described once.
struct Field {
    const char* key;   // the control's name
    const char* label; // UTF-8: how messages name the field, after the page's captions
    FieldKind kind;
    int min = 0, max = 0;       // numbers: what the control and the wire field both admit
    const char* unit = nullptr; // UTF-8, written behind numbers in messages
    std::span<const char* const> items = {}; // List: item texts as messages show them
    int Configuration::*number = nullptr;    // List, Spin, Tenths, Integer
    bool Configuration::*check = nullptr;    // Check
    QString Configuration::*text = nullptr;  // Text
    Place place = {};
};

std::span<const Field> fields(); // in block order
const Field* fieldNamed(QStringView key);
QStringList fieldKeys(); // every field's, in block order

// The block that sets the fields `keys` of `wanted` on a relay holding `held`: a field is
// encoded afresh only where its wanted value differs from what the page shows for `held`
// (forPage(decode(held))); every other bit stays as the relay holds it, so that writing
// back what was read changes nothing. Precondition: the fields that differ have no
// problems().
QByteArray merge(const QByteArray& held, const Configuration& wanted, const QStringList& keys);

struct FieldProblem {
    QString key;
    QString text; // Russian, names the field and what it admits
    bool operator==(const FieldProblem&) const = default;
};

// Every value that does not fit its wire field or the limits of its control, in field
// order. A zero coefficient fits; the write command checks that separately. A text may hold
// any character the wire carries but the zero, which would end it early.
QList<FieldProblem> problems(const Configuration& c, const NumberLocale& loc = {});
// The problems of a text the user typed: those of the wire, and any control character.
QStringList typedTextProblems(const QString& text);

// The write command's order: each voltage with the current of its phase, leakage last.
inline constexpr const char* CoefficientCheckOrder[] = {"st_kua", "st_kia", "st_kub",  "st_kib",
                                                        "st_kuc", "st_kic", "st_kidif"};

// The first coefficient that is zero, in the order the write command checks them
// (Ua, Ia, Ub, Ib, Uc, Ic, Iут); null when none is.
const Field* firstZeroCoefficient(const Configuration& c);

// A field's value as the page shows it: delays and currents with one decimal, list items
// by their text, texts in quotes with their blanks.
QString valueText(const Configuration& c, const Field& f, const NumberLocale& loc);

struct FieldDifference {
    QString key, label, sent, read;
    bool operator==(const FieldDifference&) const = default;
};

// The fields whose read value differs from the sent one, in field order. Texts compare as
// the relay stores them, padded with blanks to 16 characters.
QList<FieldDifference> differences(const Configuration& sent, const Configuration& read,
                                   const NumberLocale& loc);
QString differenceText(const FieldDifference& d); // "Umax: записано 250, считано 7000"
// `into` with the fields named by `keys` taken from `from`.
Configuration takeFields(Configuration into, const Configuration& from, const QStringList& keys);
// The block bytes that differ, for blocks whose fields all agree (bytes no field shows, such
// as what follows a text's zero): "байт 47: записано 32, считано 0".
QList<FieldDifference> byteDifferences(const QByteArray& sent, const QByteArray& read);

// A decimal typed by the user, in whole tenths truncated toward zero: "12,34" gives 123,
// "15" gives 150, "0,05" gives 0. The locale's decimal separator and '.' are both taken,
// blanks around the number too; anything else is not a number. A value too large for an
// int comes out as the largest int of its sign, which no field admits.
std::optional<int> parseTenths(QStringView text, const NumberLocale& loc);
// A decimal integer ("570,5" is none), saturated the same way.
std::optional<int> parseInteger(QStringView text);
QString tenthsText(int tenths, const NumberLocale& loc); // "15,0", "0,5"

} // namespace config
} // namespace kliv
