#include "protocol/waveform.h"

#include "protocol/status.h"

namespace kliv {

namespace {
constexpr int PhaseMask = 0x03;
constexpr int BlockSize = 1 + 2 * waveform::SampleCount;
} // namespace

void WaveformStore::store(const WaveformBlock& b) {
    if (b.phase < 1 || b.phase > 3)
        return;
    const auto k = std::size_t(b.phase - 1);
    for (std::size_t i = 0; i < b.voltage.size(); ++i) {
        voltage[k][i] = b.voltage[i];
        current[k][i] = b.current[i];
    }
}

void WaveformStore::clear() {
    *this = WaveformStore{};
}

namespace waveform {

std::optional<WaveformBlock> decode(const QByteArray& payload) {
    const auto byteAt = [&payload](int i) {
        return i < payload.size() ? quint8(payload.at(i)) : quint8(0);
    };
    WaveformBlock b;
    b.selector = byteAt(0);
    b.phase = b.selector & PhaseMask;
    if (b.phase == 0)
        return std::nullopt;
    for (int i = 0; i < SampleCount; ++i) {
        b.voltage[std::size_t(i)] = byteAt(2 * i + 1);
        b.current[std::size_t(i)] = byteAt(2 * i + 2);
    }
    return b;
}

QByteArray encode(const WaveformBlock& b) {
    QByteArray p(BlockSize, '\0');
    p[0] = char(b.selector);
    for (int i = 0; i < SampleCount; ++i) {
        p[2 * i + 1] = char(b.voltage[std::size_t(i)]);
        p[2 * i + 2] = char(b.current[std::size_t(i)]);
    }
    return p;
}

int selectorAfterLive(int view) {
    if (view <= 0)
        return SelectorLive;
    return view == 1 ? SelectorPhaseA + SelectorLastBlock : SelectorPhaseA;
}

AfterBlock afterBlock(int selector, int view) {
    if (selector >= view)
        return {true, SelectorLive};
    int next = selector + 1;
    if (next == view)
        next += SelectorLastBlock;
    return {false, next};
}

std::array<QList<QPointF>, SeriesCount> series(const WaveformStore& s) {
    std::array<QList<QPointF>, SeriesCount> out;
    for (auto& points : out)
        points.reserve(SampleCount + 1); // drawn once per waveform cycle
    out[0].append(QPointF(0, 0));
    out[1].append(QPointF(0, 0));
    for (int i = 1; i <= SampleCount; ++i) {
        const auto k = std::size_t(i - 1);
        // The phase A current trails its voltage by one position on the chart.
        out[0].append(QPointF(i, s.voltage[0][k]));
        out[1].append(QPointF(i + 1, s.current[0][k]));
        out[2].append(QPointF(i, s.voltage[1][k]));
        out[3].append(QPointF(i, s.current[1][k]));
        out[4].append(QPointF(i, s.voltage[2][k]));
        out[5].append(QPointF(i, s.current[2][k]));
    }
    return out;
}

} // namespace waveform
} // namespace kliv
