#pragma once

#include "protocol/configuration.h"

#include <QByteArray>
#include <QStringView>
#include <array>
#include <optional>

// Auto-calibration: the relay's raw readings of its seven measuring channels, the
// coefficients the tool works out of them, and the calibration write that stores them.
namespace kliv::calibration {

// The channels in the order the relay sends their readings and holds their coefficients.
enum Channel { Ua, Ub, Uc, Ia, Ib, Ic, Iut };
constexpr int ChannelCount = config::CoefficientCount;

struct ChannelInfo {
    const char* key;                 // "ua": how the command line and the simulator name it
    int Configuration::*coefficient; // the coefficient the channel's readings are made with
};
const ChannelInfo& channel(int c);
// The channel a key names ("ua" .. "iut", any case); -1 for none.
int channelOfKey(QStringView key);

// A phase current reads half its signal's counts, so the tool doubles its readings.
constexpr int factorOf(int c) {
    return c >= Ia && c <= Ic ? 2 : 1;
}

constexpr int Measurements = 10;
constexpr int MeasurementPayloadSize = 1 + 3 * ChannelCount; // selector 4, seven 24-bit readings
constexpr int WritePayloadSize = 1 + 2 * ChannelCount;       // sub-mode 1, seven 16-bit values
constexpr int WriteReplySize = WritePayloadSize + 1;         // and the flags byte
constexpr int MaxCoefficient = 0xFFFF;

using Readings = std::array<quint32, ChannelCount>;
using Sums = std::array<qint64, ChannelCount>;
using Coefficients = std::array<int, ChannelCount>;
// The true signal at the inputs of each channel to calibrate; none for the others.
using References = std::array<std::optional<double>, ChannelCount>;

Coefficients coefficientsOf(const Configuration& c);

// A measurement reply's readings: status selector 4 and seven readings, else nothing.
std::optional<Readings> decodeMeasurement(const QByteArray& payload);
void add(Sums& sums, const Readings& readings);

// The coefficient for the sum of `Measurements` readings and a reference above 0: the
// mean reading (doubled for a phase current) over the reference, truncated toward zero.
// In floating point, so a sum of ten 24-bit readings never overflows.
double coefficientOf(int c, qint64 sum, double reference);

struct Computed {
    enum class Fault { None, NoSignal, TooLarge };
    Coefficients coefficients{};
    Fault fault = Fault::None; // of `channel`, the first that cannot be written
    int channel = -1;
    double value = 0; // the coefficient worked out for it
};
// The coefficients of the channels with a reference, the others as `kept`. A computed
// coefficient of 0 (no signal) or above 65535 cannot be written: the problem names the
// first such channel.
Computed compute(const Sums& sums, const References& references, const Coefficients& kept);

// Sub-mode 1 and the seven coefficients. Precondition: each is 0..65535.
QByteArray writePayload(const Coefficients& c);

struct WriteReply {
    Coefficients coefficients{}; // as the relay now holds them
    bool blocking = false;       // the blocking after a trip, which a calibration turns on
    bool operator==(const WriteReply&) const = default;
};
// The reply to the calibration write: sub-mode 1, the coefficients, the flags byte.
std::optional<WriteReply> decodeWriteReply(const QByteArray& payload);

} // namespace kliv::calibration
