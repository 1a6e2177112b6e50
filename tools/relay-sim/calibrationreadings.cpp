#include "calibrationreadings.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace kliv::sim {

namespace {

constexpr double MaxReference = 100000;
constexpr double MaxReading = 0xFFFFFF;

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

bool parseInto(const QString& text, CalibrationReference* r, QString* error) {
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString name = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        const int channel = calibration::channelOfKey(name);
        if (channel < 0)
            return fail(error,
                        QStringLiteral("unknown channel \"%1\" (ua ub uc ia ib ic iut)").arg(name));
        std::optional<double>& slot = (*r)[std::size_t(channel)];
        if (slot)
            return fail(error, QStringLiteral("%1 given twice").arg(name));
        bool ok = false;
        const double v = part.section(QLatin1Char('='), 1).trimmed().toDouble(&ok);
        if (!part.contains(QLatin1Char('=')) || !ok || !std::isfinite(v) || v < 0 ||
            v > MaxReference)
            return fail(error, QStringLiteral("%1 needs a value of 0..%2, e.g. %1=230.5")
                                   .arg(name)
                                   .arg(MaxReference));
        slot = v;
    }
    return true;
}

// The smallest reading that gives the coefficient back by the tool's own arithmetic.
quint32 reading(int channel, int coefficient, double reference) {
    if (coefficient <= 0 || reference <= 0)
        return 0;
    const auto gives = [&](double n) {
        return calibration::coefficientOf(channel, qint64(n) * calibration::Measurements,
                                          reference);
    };
    double n = std::ceil(coefficient * reference / calibration::factorOf(channel));
    // The product may land a hair off an exact quotient either way.
    while (n > 0 && gives(n - 1) >= coefficient)
        --n;
    while (gives(n) < coefficient)
        ++n;
    return quint32(std::min(n, MaxReading));
}

} // namespace

std::optional<CalibrationReference> parseCalibrationReference(const QString& text, QString* error) {
    CalibrationReference r;
    if (!parseInto(text, &r, error))
        return std::nullopt;
    return r;
}

CalibrationReference referenceOf(const Plant::Values& v) {
    CalibrationReference r;
    for (std::size_t k = 0; k < 3; ++k) {
        r[k] = std::round(v.u[k]);
        r[k + 3] = std::round(v.i[k] * 10) / 10;
    }
    r[6] = std::round(v.leakage * 10) / 10;
    return r;
}

std::array<quint32, CalibrationChannels>
calibrationReadings(const std::array<int, CalibrationChannels>& coefficients,
                    const CalibrationReference& reference) {
    std::array<quint32, CalibrationChannels> raw{};
    for (int k = 0; k < CalibrationChannels; ++k) {
        const auto i = std::size_t(k);
        if (reference[i])
            raw[i] = reading(k, coefficients[i], *reference[i]);
    }
    return raw;
}

} // namespace kliv::sim
