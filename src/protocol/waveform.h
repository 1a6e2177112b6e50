#pragma once

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <array>
#include <optional>

namespace kliv {

// One waveform block: 100 voltage and 100 current samples of one phase.
struct WaveformBlock {
    int selector = 0; // as received, 16 may be added
    int phase = 0;    // 1 = A, 2 = B, 3 = C
    std::array<quint8, 100> voltage{}, current{};
    bool operator==(const WaveformBlock&) const = default;
};

// Samples of the three phases collected during one waveform cycle.
struct WaveformStore {
    std::array<std::array<int, 100>, 3> voltage{}, current{};
    void store(const WaveformBlock& b);
    void clear();
};

namespace waveform {

constexpr int SampleCount = 100;
// A block holds one period of the mains: a hundred samples at 50 Hz, 5000 a second, as the
// chart counts them along its axis.
constexpr int MainsHz = 50;
constexpr int SamplesPerSecond = SampleCount * MainsHz;
constexpr int SeriesCount = 6; // Ua, Ia, Ub, Ib, Uc, Ic

// Decodes a block; bytes missing from a short payload read as 0 (the receive buffer is
// cleared before every request). A selector whose low two bits name no phase yields
// nothing.
std::optional<WaveformBlock> decode(const QByteArray& payload);
QByteArray encode(const WaveformBlock& b); // 201 bytes; the simulated relay's side

// The selector that follows a live status record for view choice `view` (0..3):
// 0 for "нет", 17 for one phase, 1 for two or three phases.
int selectorAfterLive(int view);

// After a block with selector `selector`: either the next block's selector, or
// (draw == true) the cycle is complete and the next selector is 0.
struct AfterBlock {
    bool draw = false;
    int nextSelector = 0;
};
AfterBlock afterBlock(int selector, int view);

// The six series of the chart: Ua, Ia, Ub, Ib, Uc, Ic. Ua and Ia start with (0, 0)
// and Ia is shifted one position to the right.
std::array<QList<QPointF>, SeriesCount> series(const WaveformStore& s);

} // namespace waveform
} // namespace kliv
