#pragma once

#include "protocol/waveform.h"

#include <QChartView>
#include <array>

class QLineSeries;

namespace kliv {

// The live phase chart: voltage and current of phases A, B and C as six line series
// over a fixed value range, redrawn at the end of every waveform cycle.
class LiveChart : public QChartView {
    Q_OBJECT
  public:
    static constexpr int SeriesCount = waveform::SeriesCount;

    explicit LiveChart(QWidget* parent = nullptr);

    // Replaces every series' points in one step each; point-wise appends would
    // re-layout the chart per point and hold the poll back.
    void showSamples(const WaveformStore& samples);

    QLineSeries* series(int i) const { return m_series[i]; }

  private:
    std::array<QLineSeries*, SeriesCount> m_series{};
};

} // namespace kliv
