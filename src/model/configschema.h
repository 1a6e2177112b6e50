#pragma once

#include "model/problem.h"
#include "protocol/configuration.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <span>

// The configuration's field schema: for every field its key, where it sits in the block,
// the limits of its control, its start-up value (Configuration{}) and how messages name it.
// One table builds the page's controls, encodes and decodes the block, validates values and
// names differences, for the window and kliv-cli alike.
namespace kliv::config {

enum class FieldKind {
    List,    // a drop-down list: its item index
    Spin,    // a spin edit: an integer the page holds to its limits
    Tenths,  // a delay or a current: whole tenths, shown with one decimal
    Integer, // a calibration coefficient: an integer typed freely
    Check,   // a check box
    Text,    // an information text of up to 16 characters
};

struct Field {
    const char* key;   // the control's name
    const char* label; // UTF-8: how messages name the field, after the page's captions
    FieldKind kind;
    int min = 0, max = 0;       // numbers: what the control and the wire field both admit
    const char* unit = nullptr; // UTF-8, written behind numbers in messages
    std::span<const char* const> items = {}; // List: item texts as the page shows them
    int Configuration::*number = nullptr;    // List, Spin, Tenths, Integer
    bool Configuration::*check = nullptr;    // Check
    QString Configuration::*text = nullptr;  // Text
    Place place = {};
};

std::span<const Field> fields(); // in block order
const Field* fieldNamed(QStringView key);
QStringList fieldKeys(); // every field's, in block order

// The 78-byte block. Precondition: problems(c) is empty; a value outside its wire field
// would otherwise be cut to its low bits.
QByteArray encode(const Configuration& c);
// WriteFull followed by the block: the payload of a full configuration write.
QByteArray writePayload(const Configuration& c);

// The values exactly as the block carries them, with no clamping, so that a verified write
// can compare them with what was sent (see readNumber); texts up to the first zero byte with
// their trailing spaces. Bytes missing from a short block read as 0.
Configuration decode(const QByteArray& block);

// What the page shows for a decoded configuration: a list byte naming no item selects the
// list's start-up item (a speed byte above 10 gives 9600 baud, a protocol byte above 1 the
// first protocol); spin values and cos f are held to the limits of their controls.
// Currents, delays, coefficients and texts stay as they are. The relay's knowledge computes
// it once for each block it stores (model/relay.h); everything else reads it there.
Configuration forPage(const Configuration& c);

// The block that sets the fields `keys` of `wanted` on a relay holding `held`: a field is
// encoded afresh only where its wanted value differs from what the page shows for `held`
// (forPage(decode(held))); every other bit stays as the relay holds it, so that writing
// back what was read changes nothing. Precondition: the fields that differ have no
// problems().
QByteArray merge(const QByteArray& held, const Configuration& wanted, const QStringList& keys);

// Every value that does not fit its wire field or the limits of its control, in field
// order. A zero coefficient fits; the write command checks that separately. A text may hold
// any character the wire carries but the zero, which would end it early.
QList<Problem> problems(const Configuration& c);
// The problems of a text the user typed into the field `key`: those of the wire, and any
// control character.
QList<Problem> typedTextProblems(const QString& key, const QString& text);

// The write command's order: each voltage with the current of its phase, leakage last.
inline constexpr const char* CoefficientCheckOrder[] = {"st_kua", "st_kia", "st_kub",  "st_kib",
                                                        "st_kuc", "st_kic", "st_kidif"};

// The first coefficient that is zero, in the order the write command checks them
// (Ua, Ia, Ub, Ib, Uc, Ic, Iут); null when none is.
const Field* firstZeroCoefficient(const Configuration& c);

// One field's value: a number (an item, a check as 0 or 1), or a text.
struct FieldValue {
    int number = 0;
    QString text;
    bool operator==(const FieldValue&) const = default;
};
FieldValue valueOf(const Configuration& c, const Field& f);

// What was written against what the relay holds: a field of the configuration, a channel's
// calibration coefficient, or a block byte that no field shows (what follows a text's zero).
struct FieldDifference {
    enum class Of { Field, Channel, Byte };
    Of of = Of::Field;
    QString key; // the field's or the channel's
    int byte = 0;
    FieldValue sent, read;
    bool operator==(const FieldDifference&) const = default;
};

// The fields whose read value differs from the sent one, in field order. Texts compare as
// the relay stores them, padded with blanks to 16 characters.
QList<FieldDifference> differences(const Configuration& sent, const Configuration& read);
// `into` with the fields named by `keys` taken from `from`.
Configuration takeFields(Configuration into, const Configuration& from, const QStringList& keys);
// The block bytes that differ, for blocks whose fields all agree.
QList<FieldDifference> byteDifferences(const QByteArray& sent, const QByteArray& read);

} // namespace kliv::config
