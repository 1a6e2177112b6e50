#include "texts/configtexts.h"

#include "texts/calibrationtexts.h"

#include <algorithm>
#include <limits>

namespace kliv::config {

namespace {

bool isAsciiDigit(QChar ch) {
    return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
}

// A run of digits from `at`, saturated at the largest int.
struct Digits {
    qint64 value = 0;
    int count = 0;
    int first = 0; // the first digit's value
};
Digits digitsAt(QStringView t, qsizetype& at) {
    constexpr qint64 Cap = std::numeric_limits<int>::max();
    Digits d;
    for (; at < t.size() && isAsciiDigit(t[at]); ++at, ++d.count) {
        const int digit = t[at].unicode() - u'0';
        if (d.count == 0)
            d.first = digit;
        d.value = std::min(d.value * 10 + digit, Cap);
    }
    return d;
}

bool signAt(QStringView t, qsizetype& at) {
    if (at < t.size() && (t[at] == QLatin1Char('-') || t[at] == QLatin1Char('+')))
        return t[at++] == QLatin1Char('-');
    return false;
}

int saturated(qint64 v, bool negative) {
    const qint64 m = std::min<qint64>(v, std::numeric_limits<int>::max());
    return int(negative ? -m : m);
}

} // namespace

QString valueText(const FieldValue& v, const Field& f, const NumberLocale& loc) {
    switch (f.kind) {
    case FieldKind::List:
        // Messages name an item without the blanks that align it in its list.
        return v.number >= 0 && v.number < int(f.items.size())
                   ? QString::fromUtf8(f.items[std::size_t(v.number)]).trimmed()
                   : QString::number(v.number);
    case FieldKind::Spin:
    case FieldKind::Integer:
        return QString::number(v.number);
    case FieldKind::Tenths:
        return tenthsText(v.number, loc);
    case FieldKind::Check:
        return v.number ? QStringLiteral("вкл.") : QStringLiteral("выкл.");
    case FieldKind::Text:
        return u'«' + v.text + u'»';
    }
    return {};
}

QString valueText(const Configuration& c, const Field& f, const NumberLocale& loc) {
    return valueText(valueOf(c, f), f, loc);
}

QString labelOf(const FieldDifference& d) {
    switch (d.of) {
    case FieldDifference::Of::Field:
        if (const Field* f = fieldNamed(d.key))
            return QString::fromUtf8(f->label);
        break;
    case FieldDifference::Of::Channel:
        return calibration::labelOf(calibration::channelOfKey(d.key));
    case FieldDifference::Of::Byte:
        return QStringLiteral("байт %1").arg(d.byte);
    }
    return d.key;
}

QString valueText(const FieldDifference& d, const FieldValue& v, const NumberLocale& loc) {
    const Field* f = d.of == FieldDifference::Of::Field ? fieldNamed(d.key) : nullptr;
    return f ? valueText(v, *f, loc) : QString::number(v.number);
}

QString differenceText(const FieldDifference& d, const NumberLocale& loc) {
    return QStringLiteral("%1: записано %2, считано %3")
        .arg(labelOf(d), valueText(d, d.sent, loc), valueText(d, d.read, loc));
}

std::optional<int> parseTenths(QStringView text, const NumberLocale& loc) {
    const QStringView t = text.trimmed();
    qsizetype at = 0;
    const bool negative = signAt(t, at);
    const Digits whole = digitsAt(t, at);
    Digits fraction;
    if (at < t.size() && (t[at] == loc.decimal || t[at] == QLatin1Char('.'))) {
        ++at;
        fraction = digitsAt(t, at);
    }
    if (at != t.size() || whole.count + fraction.count == 0)
        return std::nullopt;
    // Only the first decimal counts: the rest is cut off, not rounded.
    return saturated(whole.value * 10 + fraction.first, negative);
}

std::optional<int> parseInteger(QStringView text) {
    const QStringView t = text.trimmed();
    qsizetype at = 0;
    const bool negative = signAt(t, at);
    const Digits whole = digitsAt(t, at);
    if (at != t.size() || whole.count == 0)
        return std::nullopt;
    return saturated(whole.value, negative);
}

QString tenthsText(int tenths, const NumberLocale& loc) {
    return numfmt::format(tenths, 1, u"0.0", loc);
}

} // namespace kliv::config
