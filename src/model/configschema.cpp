// The configuration's field table and what is built on it: the block, validation and
// differences.
#include "model/configschema.h"

#include "model/configitems.h"
#include "protocol/cp1251.h"

#include <algorithm>
#include <limits>

namespace kliv::config {

namespace {

using K = FieldKind;
using C = Configuration;

constexpr int Byte = 255, Word = 65535;
constexpr int LongDelayMax = 999; // whole seconds of z_ihol_t and z_vtz_t

// Where each field sits: the block offsets not shared with the relay's own commands are
// written here only.
constexpr Place byteAt(int at) {
    return {at, Wire::Byte};
}
constexpr Place wordAt(int at) {
    return {at, Wire::Word};
}
constexpr Place bitsAt(int at, quint8 mask) {
    return {at, Wire::Bits, mask};
}
constexpr int EnablesByte = 26; // one bit a protection

constexpr Field list(const char* key, const char* label, Place place, int C::*m,
                     std::span<const char* const> items) {
    return {.key = key,
            .label = label,
            .kind = K::List,
            .max = int(items.size()) - 1,
            .items = items,
            .number = m,
            .place = place};
}
constexpr Field spin(const char* key, const char* label, Place place, int C::*m, int min, int max,
                     const char* unit = nullptr) {
    return {.key = key,
            .label = label,
            .kind = K::Spin,
            .min = min,
            .max = max,
            .unit = unit,
            .number = m,
            .place = place};
}
constexpr Field tenths(const char* key, const char* label, Place place, int C::*m, int max,
                       const char* unit) {
    return {.key = key,
            .label = label,
            .kind = K::Tenths,
            .max = max,
            .unit = unit,
            .number = m,
            .place = place};
}
constexpr Field integer(const char* key, const char* label, int k, int C::*m) {
    return {.key = key,
            .label = label,
            .kind = K::Integer,
            .max = Word,
            .number = m,
            .place = wordAt(CoefficientsByte + 2 * k)};
}
constexpr Field check(const char* key, const char* label, Place place, bool C::*m) {
    return {.key = key, .label = label, .kind = K::Check, .check = m, .place = place};
}
constexpr Field enable(const char* key, const char* label, int bit, bool C::*m) {
    return check(key, label, bitsAt(EnablesByte, quint8(1 << bit)), m);
}
constexpr Field text(const char* key, const char* label, int at, QString C::*m) {
    return {.key = key, .label = label, .kind = K::Text, .text = m, .place = {at, Wire::Text}};
}

constexpr Field Fields[] = {
    list("cb_rs485", "RS485", byteAt(SpeedByte), &C::cb_rs485, items::RelaySpeeds),
    spin("z_umin_v", "Umin", wordAt(1), &C::z_umin_v, 100, 6000, "В"),
    tenths("st_zumin_t", "Umin, задержка", byteAt(3), &C::st_zumin_t, Byte, "с"),
    spin("z_umax_v", "Umax", wordAt(4), &C::z_umax_v, 100, 7000, "В"),
    tenths("st_zumax_t", "Umax, задержка", byteAt(6), &C::st_zumax_t, Byte, "с"),
    spin("z_uasm", "Uасм", byteAt(7), &C::z_uasm, 1, 99, "%"),
    tenths("st_zuasm_t", "Uасм, задержка", byteAt(8), &C::st_zuasm_t, Byte, "с"),
    tenths("z_ihol_a", "Iхол", wordAt(9), &C::z_ihol_a, Word, "А"),
    spin("z_ihol_t", "Iхол, задержка", {11, Wire::Seconds}, &C::z_ihol_t, 1, LongDelayMax, "с"),
    spin("z_iasm", "Iасм", byteAt(13), &C::z_iasm, 1, 99, "%"),
    tenths("st_ziasm_t", "Iасм, задержка", byteAt(14), &C::st_ziasm_t, Byte, "с"),
    tenths("z_inom_a", "Iном", wordAt(15), &C::z_inom_a, Word, "А"),
    spin("z_vtz_t", "ВТЗ", {17, Wire::Seconds}, &C::z_vtz_t, 1, LongDelayMax, "с"),
    tenths("z_izkl_a", "Iзкл", wordAt(19), &C::z_izkl_a, Word, "А"),
    tenths("st_zizakl_t", "Iзкл, задержка", byteAt(21), &C::st_zizakl_t, Byte, "с"),
    tenths("z_idif_a", "Iут", wordAt(22), &C::z_idif_a, Word, "А"),
    tenths("st_zidif_t", "Iут, задержка", byteAt(24), &C::st_zidif_t, Byte, "с"),
    list("z_iso_r", "Изоляция", bitsAt(FlagsByte, 0x03), &C::z_iso_r, items::Insulation),
    check("z_iso_ok", "Защита Изоляция", bitsAt(FlagsByte, 0x04), &C::z_iso_ok),
    list("p_uf_c", "Контроль Uфаз", {FlagsByte, Wire::Phases, 0x18}, &C::p_uf_c, items::Phases),
    list("p_if_c", "Контроль Iфаз", {FlagsByte, Wire::Phases, 0x60}, &C::p_if_c, items::Phases),
    check("blok_z", "Блокировка защиты", bitsAt(FlagsByte, BlockingFlag), &C::blok_z),
    enable("z_umin_ok", "Защита Umin", 0, &C::z_umin_ok),
    enable("z_umax_ok", "Защита Umax", 1, &C::z_umax_ok),
    enable("z_uasm_ok", "Защита Uасм", 2, &C::z_uasm_ok),
    enable("z_ihol_ok", "Защита Iхол", 3, &C::z_ihol_ok),
    enable("z_iasm_ok", "Защита Iасм", 4, &C::z_iasm_ok),
    enable("z_ivtz_ok", "Защита Перегруз", 5, &C::z_ivtz_ok),
    enable("z_zakl_ok", "Защита Заклинивание", 6, &C::z_zakl_ok),
    enable("z_idif_ok", "Защита Iут", 7, &C::z_idif_ok),
    spin("pcosf", "COSf", {27, Wire::Cos}, &C::pcosf, -75, 75),
    integer("st_kua", "Калибровка Ua", 0, &C::st_kua),
    integer("st_kub", "Калибровка Ub", 1, &C::st_kub),
    integer("st_kuc", "Калибровка Uc", 2, &C::st_kuc),
    integer("st_kia", "Калибровка Ia", 3, &C::st_kia),
    integer("st_kib", "Калибровка Ib", 4, &C::st_kib),
    integer("st_kic", "Калибровка Ic", 5, &C::st_kic),
    integer("st_kidif", "Калибровка Iут", 6, &C::st_kidif),
    text("tipo_text", "Тип оборудования", 42, &C::tipo_text),
    text("oust_text", "Объек/установка", 58, &C::oust_text),
    list("cb_uprotbus", "Протокол RS485", byteAt(74), &C::cb_uprotbus, items::Protocols),
    spin("sp_uaddr", "Адрес", byteAt(AddressByte), &C::sp_uaddr, 1, 247),
    spin("sp_utb", "Tb", byteAt(76), &C::sp_utb, 3, 200, "мс"),
    spin("sp_ute", "Te", byteAt(77), &C::sp_ute, 2, 99, "мс"),
};

// The first character that would not reach the relay as typed: one its code page has no
// byte for, or one the conversion drops or changes (a U+FEFF is taken for a byte order
// mark and vanishes), so that a verified write could never match.
std::optional<QString> unencodable(const QString& text) {
    const QByteArray whole = cp1251::encode(text);
    if (whole.size() == text.size() && cp1251::decode(whole) == text)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character outside the BMP is a surrogate pair and is tried whole.
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString ch = text.mid(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
        const QByteArray converted = cp1251::encode(ch);
        if (converted.size() != 1 || cp1251::decode(converted) != ch)
            return ch;
    }
    return std::nullopt;
}

// What the wire cannot carry as it stands, and for a typed text what has no place in a label.
// A zero byte would end the text early on the relay; other control characters reach it
// intact, and a relay may hold some, which must survive a settings file and a write back.
QList<Problem> textProblems(const QString& key, const QString& text, bool typed) {
    using R = Problem::Rule;
    QList<Problem> out;
    if (text.size() > TextSize)
        out.append({key, R::Length, double(text.size()), 0, TextSize, {}});
    if (std::any_of(text.begin(), text.end(), [typed](QChar ch) {
            return typed ? ch.category() == QChar::Other_Control : ch.unicode() == 0;
        }))
        out.append({key, R::Control, 0, 0, 0, {}});
    if (const auto ch = unencodable(text))
        out.append({key, R::CodePage, 0, 0, 0, *ch});
    return out;
}

int numberOf(const Configuration& c, const Field& f) {
    return f.check ? int(c.*f.check) : c.*f.number;
}

void put(QByteArray& b, const Field& f, const Configuration& c) {
    if (f.text)
        writeText(b, f.place, c.*f.text);
    else
        writeNumber(b, f.place, numberOf(c, f));
}

void get(const QByteArray& b, const Field& f, Configuration& c) {
    if (f.text)
        c.*f.text = readText(b, f.place);
    else if (f.check)
        c.*f.check = readNumber(b, f.place) != 0;
    else
        c.*f.number = readNumber(b, f.place);
}

bool sameValue(const Field& f, const Configuration& a, const Configuration& b) {
    return f.text ? a.*f.text == b.*f.text : numberOf(a, f) == numberOf(b, f);
}

} // namespace

std::span<const Field> fields() {
    return Fields;
}

const Field* fieldNamed(QStringView key) {
    for (const Field& f : Fields)
        if (key == QLatin1String(f.key))
            return &f;
    return nullptr;
}

QStringList fieldKeys() {
    QStringList out;
    for (const Field& f : Fields)
        out << QString::fromLatin1(f.key);
    return out;
}

QByteArray encode(const Configuration& c) {
    Q_ASSERT(problems(c).isEmpty());
    QByteArray b(BlockSize, '\0');
    for (const Field& f : Fields)
        put(b, f, c);
    return b;
}

QByteArray writePayload(const Configuration& c) {
    return char(WriteFull) + encode(c);
}

Configuration decode(const QByteArray& block) {
    const QByteArray b = whole(block);
    Configuration c;
    for (const Field& f : Fields)
        get(b, f, c);
    return c;
}

Configuration forPage(const Configuration& decoded) {
    Configuration c = decoded;
    for (const Field& f : Fields) {
        if (f.kind == K::Spin)
            c.*f.number = qBound(f.min, c.*f.number, f.max);
        else if (f.kind == K::List && (c.*f.number < f.min || c.*f.number > f.max))
            c.*f.number = Configuration{}.*f.number;
    }
    return c;
}

QByteArray merge(const QByteArray& held, const Configuration& wanted, const QStringList& keys) {
    QByteArray b = whole(held);
    const Configuration shown = forPage(decode(b));
    for (const Field& f : Fields)
        if (keys.contains(QLatin1String(f.key)) && !sameValue(f, shown, wanted))
            put(b, f, wanted);
    return b;
}

QList<Problem> problems(const Configuration& c) {
    using R = Problem::Rule;
    QList<Problem> out;
    for (const Field& f : Fields) {
        const QString key = QString::fromLatin1(f.key);
        switch (f.kind) {
        case K::Check:
            break;
        case K::Text:
            out += textProblems(key, c.*f.text, false);
            break;
        case K::List:
        case K::Spin:
        case K::Tenths:
        case K::Integer:
            if (c.*f.number < f.min || c.*f.number > f.max)
                out.append({key, f.kind == K::List ? R::Item : R::Range, double(c.*f.number),
                            f.min, f.max, {}});
            break;
        }
    }
    return out;
}

QList<Problem> typedTextProblems(const QString& key, const QString& text) {
    return textProblems(key, text, true);
}

const Field* firstZeroCoefficient(const Configuration& c) {
    for (const char* key : CoefficientCheckOrder) {
        const Field* f = fieldNamed(QString::fromLatin1(key));
        if (c.*f->number == 0)
            return f;
    }
    return nullptr;
}

FieldValue valueOf(const Configuration& c, const Field& f) {
    return f.text ? FieldValue{0, c.*f.text} : FieldValue{numberOf(c, f), {}};
}

QList<FieldDifference> differences(const Configuration& sent, const Configuration& read) {
    // The relay stores a text padded with blanks, and a read shows it so; a text that
    // begins with a zero byte reads as empty, and would be written back as blanks.
    const auto padded = [](const QString& t) { return t.leftJustified(TextSize, u' '); };
    QList<FieldDifference> out;
    for (const Field& f : Fields) {
        FieldValue was = valueOf(sent, f);
        const FieldValue is = valueOf(read, f);
        if (f.text)
            was.text = padded(was.text);
        const bool same = f.text ? was.text == padded(is.text) : was.number == is.number;
        if (!same)
            out.append({FieldDifference::Of::Field, QString::fromLatin1(f.key), 0, was, is});
    }
    return out;
}

QList<FieldDifference> byteDifferences(const QByteArray& sent, const QByteArray& read) {
    QList<FieldDifference> out;
    for (qsizetype i = 0; i < qMin(sent.size(), read.size()); ++i)
        if (sent.at(i) != read.at(i))
            out.append({FieldDifference::Of::Byte, {}, int(i), {quint8(sent.at(i)), {}},
                        {quint8(read.at(i)), {}}});
    return out;
}

Configuration takeFields(Configuration into, const Configuration& from, const QStringList& keys) {
    for (const QString& key : keys) {
        const Field* f = fieldNamed(key);
        if (!f)
            continue;
        if (f->number)
            into.*f->number = from.*f->number;
        else if (f->check)
            into.*f->check = from.*f->check;
        else
            into.*f->text = from.*f->text;
    }
    return into;
}

} // namespace kliv::config
