#include "texts/numfmt.h"

#include <QByteArray>
#include <QLocale>
#include <cmath>

namespace kliv {

NumberLocale NumberLocale::system() {
    const QLocale l;
    const QString decimal = l.decimalPoint(), group = l.groupSeparator();
    NumberLocale n;
    if (!decimal.isEmpty())
        n.decimal = decimal.at(0);
    if (!group.isEmpty())
        n.group = group.at(0);
    return n;
}

namespace numfmt {

namespace {

using Wide = unsigned __int128;

struct Pattern {
    int minInteger = 0; // '0' digits ahead of the point
    bool grouped = false;
    int minDecimals = 0; // '0' digits after the point
    int maxDecimals = 0; // '0' and '#' digits after the point
};

Pattern parse(QStringView pattern) {
    Pattern p;
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const QStringView integer = point < 0 ? pattern : pattern.left(point);
    p.minInteger = int(integer.count(QLatin1Char('0')));
    p.grouped = integer.contains(QLatin1Char(','));
    if (point >= 0) {
        const QStringView fraction = pattern.mid(point + 1);
        p.minDecimals = int(fraction.count(QLatin1Char('0')));
        p.maxDecimals = p.minDecimals + int(fraction.count(QLatin1Char('#')));
    }
    return p;
}

Wide powerOf10(int n) {
    Wide p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

QString digitsOf(Wide v) {
    QString s;
    do {
        s.prepend(QChar(u'0' + int(v % 10)));
        v /= 10;
    } while (v != 0);
    return s;
}

// magnitude / 10^scale rounded to `decimals` places, as a whole number of those places.
Wide rounded(Wide magnitude, int scale, int decimals) {
    if (decimals >= scale)
        return magnitude * powerOf10(decimals - scale);
    // Past 10^38 the divisor no longer fits, and every magnitude given here is below half of it.
    if (scale - decimals > 38)
        return 0;
    const Wide divisor = powerOf10(scale - decimals);
    const Wide q = magnitude / divisor, r = magnitude % divisor;
    return 2 * r >= divisor ? q + 1 : q;
}

QString write(bool negative, Wide magnitude, int scale, const Pattern& p, const NumberLocale& loc) {
    const Wide units = rounded(magnitude, scale, p.maxDecimals);
    QString digits = digitsOf(units);
    if (digits.size() < p.maxDecimals + 1)
        digits = QString(p.maxDecimals + 1 - digits.size(), QLatin1Char('0')) + digits;
    QString integer = digits.left(digits.size() - p.maxDecimals);
    QString fraction = digits.right(p.maxDecimals);
    while (fraction.size() > p.minDecimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);

    // The one leading zero from the padding above belongs only where a '0' asks for it.
    if (integer == QLatin1String("0") && p.minInteger == 0)
        integer.clear();
    if (integer.size() < p.minInteger)
        integer.prepend(QString(p.minInteger - integer.size(), QLatin1Char('0')));
    if (p.grouped)
        for (qsizetype at = integer.size() - 3; at > 0; at -= 3)
            integer.insert(at, loc.group);

    QString out;
    if (negative && units != 0)
        out += QLatin1Char('-');
    out += integer;
    if (!fraction.isEmpty())
        out += loc.decimal + fraction;
    return out;
}

} // namespace

QString format(qint64 mantissa, int scale, QStringView pattern, const NumberLocale& loc) {
    Q_ASSERT(scale >= 0);
    const bool negative = mantissa < 0;
    // Negating in unsigned arithmetic keeps the most negative value intact.
    const quint64 bits = quint64(mantissa);
    return write(negative, negative ? Wide(0 - bits) : Wide(bits), scale, parse(pattern), loc);
}

QString format(double value, QStringView pattern, const NumberLocale& loc) {
    if (!std::isfinite(value) || std::abs(value) >= 1e18)
        return QString::number(value, 'g', 15);
    // Fifteen significant digits, the precision a double reliably carries, so that a
    // value such as 0.15 rounds as the decimal it was meant to be.
    const QByteArray e = QByteArray::number(std::abs(value), 'e', 14);
    const qsizetype ePos = e.indexOf('e');
    QByteArray digits = e.left(ePos);
    digits.remove(1, 1); // the point after the first digit
    const int exponent = e.mid(ePos + 1).toInt();
    Wide magnitude = digits.toULongLong();
    int scale = 14 - exponent;
    if (scale < 0) {
        magnitude *= powerOf10(-scale);
        scale = 0;
    }
    return write(value < 0, magnitude, scale, parse(pattern), loc);
}

} // namespace numfmt
} // namespace kliv
