#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

namespace kliv {

// The separators that number patterns write; the page shows the user's regional ones.
struct NumberLocale {
    QChar decimal = QLatin1Char(',');
    QChar group = QChar(0x00A0);
    // The user's regional separators: the default QLocale, which is the system's unless a
    // program (or a test) sets another.
    static NumberLocale system();
    static NumberLocale c() { return {QLatin1Char('.'), QLatin1Char(',')}; }
};

namespace numfmt {

// Formats mantissa / 10^scale with a number pattern: "0" a digit always written,
// "#" a digit written only when significant, "." the decimal separator, "," in the
// integer part thousands grouping. Rounds to the pattern's decimals with halves away
// from zero, in exact integer arithmetic; a zero result carries no minus sign.
// "0." writes a whole number without a separator.
QString format(qint64 mantissa, int scale, QStringView pattern, const NumberLocale& loc);

// The same for values that only exist as floating point (chart labels).
QString format(double value, QStringView pattern, const NumberLocale& loc);

} // namespace numfmt
} // namespace kliv
