#include "model/calibrationcheck.h"

namespace kliv::calibration {

namespace {

QString keyOf(int c) {
    return QString::fromLatin1(channel(c).key);
}

} // namespace

Problem referenceProblem(int c, QStringView text) {
    return {keyOf(c), Problem::Rule::Reference, 0, 0, 0, text.trimmed().toString()};
}

Problem referenceProblem(int c, double value) {
    return {keyOf(c), Problem::Rule::Reference, value, 0, 0, {}};
}

Problem coefficientProblem(int c, QStringView text) {
    return {keyOf(c), Problem::Rule::Coefficient, 0, 0, MaxCoefficient, text.trimmed().toString()};
}

Problem coefficientProblem(int c, int value) {
    return {keyOf(c), Problem::Rule::Coefficient, double(value), 0, MaxCoefficient, {}};
}

Problem computedProblem(const Computed& computed) {
    const bool tooLarge = computed.fault == Computed::Fault::TooLarge;
    return {keyOf(computed.channel), tooLarge ? Problem::Rule::TooLarge : Problem::Rule::NoSignal,
            computed.value,          0,
            MaxCoefficient,          {}};
}

QList<config::FieldDifference> differences(const Coefficients& sent, const WriteReply& held) {
    QList<config::FieldDifference> out;
    for (int c = 0; c < ChannelCount; ++c) {
        const int was = sent[std::size_t(c)], is = held.coefficients[std::size_t(c)];
        if (was != is)
            out.append({config::FieldDifference::Of::Channel, keyOf(c), 0, {was, {}}, {is, {}}});
    }
    return out;
}

} // namespace kliv::calibration
