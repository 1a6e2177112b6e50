#include "texts/calibrationtexts.h"

#include "texts/configtexts.h"

#include <cmath>

namespace kliv::calibration {

namespace {

constexpr const char* Labels[ChannelCount] = {"Ua", "Ub", "Uc", "Ia", "Ib", "Ic", "Iут"};

} // namespace

QString labelOf(int c) {
    return QString::fromUtf8(Labels[c]);
}

std::optional<double> parseReference(QStringView text) {
    const QStringView t = text.trimmed();
    int digits = 0, separators = 0;
    for (QChar ch : t) {
        if (ch.isDigit() && ch.unicode() < 128)
            ++digits;
        else if (ch == QLatin1Char('.') || ch == QLatin1Char(','))
            ++separators;
        else
            return std::nullopt;
    }
    if (digits == 0 || separators > 1)
        return std::nullopt;
    const double v = t.toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    if (!std::isfinite(v) || v <= 0)
        return std::nullopt;
    return v;
}

std::optional<int> parseCoefficient(QStringView text) {
    const auto v = config::parseInteger(text);
    if (!v || *v < 0 || *v > MaxCoefficient)
        return std::nullopt;
    return v;
}

} // namespace kliv::calibration
