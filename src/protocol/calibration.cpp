#include "protocol/calibration.h"

#include "protocol/bigendian.h"

#include "protocol/status.h"

#include <cmath>

namespace kliv::calibration {

namespace {

constexpr ChannelInfo Channels[ChannelCount] = {
    {"ua", &Configuration::st_kua},    {"ub", &Configuration::st_kub},
    {"uc", &Configuration::st_kuc},    {"ia", &Configuration::st_kia},
    {"ib", &Configuration::st_kib},    {"ic", &Configuration::st_kic},
    {"iut", &Configuration::st_kidif},
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
    Computed out;
    out.coefficients = kept;
    for (int c = 0; c < ChannelCount; ++c) {
        const auto i = std::size_t(c);
        if (!references[i])
            continue;
        const double k = coefficientOf(c, sums[i], *references[i]);
        // A zero would blind the channel's protections; a value above 16 bits would reach
        // the relay cut to its low bits.
        if (!(k >= 1) || k > MaxCoefficient) {
            out.fault = k > MaxCoefficient ? Computed::Fault::TooLarge : Computed::Fault::NoSignal;
            out.channel = c;
            out.value = k;
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

} // namespace kliv::calibration
