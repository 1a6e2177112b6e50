#include "protocol/calibration.h"

#include "protocol/bigendian.h"

#include "protocol/status.h"

#include <cmath>

namespace kliv::calibration {

namespace {

constexpr ChannelInfo Channels[ChannelCount] = {
    {"ua", "Ua", &Configuration::st_kua},     {"ub", "Ub", &Configuration::st_kub},
    {"uc", "Uc", &Configuration::st_kuc},     {"ia", "Ia", &Configuration::st_kia},
    {"ib", "Ib", &Configuration::st_kib},     {"ic", "Ic", &Configuration::st_kic},
    {"iut", "Iут", &Configuration::st_kidif},
};

constexpr int ReadingsAt = 1; // after the selector or the sub-mode

} // namespace

const ChannelInfo& channel(int c) {
    Q_ASSERT(c >= 0 && c < ChannelCount);
    return Channels[c];
}

int channelOfKey(QStringView key) {
    for (int c = 0; c < ChannelCount; ++c)
        if (key.compare(QLatin1String(Channels[c].key), Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

QString labelOf(int c) {
    return QString::fromUtf8(channel(c).label);
}

Coefficients coefficientsOf(const Configuration& config) {
    Coefficients k{};
    for (int c = 0; c < ChannelCount; ++c)
        k[std::size_t(c)] = config.*Channels[c].coefficient;
    return k;
}

std::optional<Readings> decodeMeasurement(const QByteArray& payload) {
    if (payload.size() < MeasurementPayloadSize || quint8(payload.at(0)) != SelectorCalibration)
        return std::nullopt;
    Readings r{};
    for (int c = 0; c < ChannelCount; ++c)
        r[std::size_t(c)] = quint32(be::read(payload, ReadingsAt + 3 * c, 3));
    return r;
}

void add(Sums& sums, const Readings& readings) {
    for (std::size_t c = 0; c < sums.size(); ++c)
        sums[c] += readings[c];
}

double coefficientOf(int c, qint64 sum, double reference) {
    return std::trunc(double(factorOf(c)) * double(sum) / Measurements / reference);
}

Computed compute(const Sums& sums, const References& references, const Coefficients& kept) {
    Computed out{kept, {}};
    for (int c = 0; c < ChannelCount; ++c) {
        const auto i = std::size_t(c);
        if (!references[i])
            continue;
        const double k = coefficientOf(c, sums[i], *references[i]);
        // A zero would blind the channel's protections; a value above 16 bits would reach
        // the relay cut to its low bits.
        if (!(k >= 1)) {
            out.problem = QStringLiteral("%1: нет сигнала (коэффициент 0).").arg(labelOf(c));
            return out;
        }
        if (k > MaxCoefficient) {
            out.problem = QStringLiteral("%1: коэффициент %2 больше %3.")
                              .arg(labelOf(c), QString::number(k, 'f', 0))
                              .arg(MaxCoefficient);
            return out;
        }
        out.coefficients[i] = int(k);
    }
    return out;
}

QByteArray writePayload(const Coefficients& k) {
    QByteArray p(1, char(config::WriteCalibration));
    for (int v : k) {
        Q_ASSERT(v >= 0 && v <= MaxCoefficient);
        p.append(char(v >> 8 & 0xFF));
        p.append(char(v & 0xFF));
    }
    return p;
}

std::optional<WriteReply> decodeWriteReply(const QByteArray& payload) {
    if (payload.size() < WriteReplySize || quint8(payload.at(0)) != config::WriteCalibration)
        return std::nullopt;
    WriteReply r;
    for (int c = 0; c < ChannelCount; ++c) {
        const int at = ReadingsAt + 2 * c;
        r.coefficients[std::size_t(c)] = quint8(payload.at(at)) << 8 | quint8(payload.at(at + 1));
    }
    r.blocking = quint8(payload.at(WritePayloadSize)) & config::BlockingFlag;
    return r;
}

QList<config::FieldDifference> differences(const Coefficients& sent, const WriteReply& held) {
    QList<config::FieldDifference> out;
    for (int c = 0; c < ChannelCount; ++c) {
        const int was = sent[std::size_t(c)], is = held.coefficients[std::size_t(c)];
        if (was != is)
            out.append({QString::fromLatin1(channel(c).key), labelOf(c), QString::number(was),
                        QString::number(is)});
    }
    return out;
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

QString referenceProblem(int c, QStringView text) {
    return QStringLiteral("%1: эталонное значение «%2» не является числом больше 0.")
        .arg(labelOf(c), text.trimmed().toString());
}

std::optional<int> parseCoefficient(QStringView text) {
    const auto v = config::parseInteger(text);
    if (!v || *v < 0 || *v > MaxCoefficient)
        return std::nullopt;
    return v;
}

QString coefficientProblem(int c, QStringView text) {
    return QStringLiteral("%1: коэффициент «%2» не является целым числом от 0 до %3.")
        .arg(labelOf(c), text.trimmed().toString())
        .arg(MaxCoefficient);
}

} // namespace kliv::calibration
