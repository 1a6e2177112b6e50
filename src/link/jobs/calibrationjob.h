#pragma once

#include "link/job.h"
#include "protocol/calibration.h"

#include <optional>

namespace kliv {

// "Авто-калибровка": ten calibration measurements, the coefficients of the channels to
// calibrate worked out of their mean readings and true signals, and the calibration
// write of all seven, after which the relay blocks its protection. A coefficient that
// cannot be written (no signal, or more than 16 bits) ends the job with nothing written.
class CalibrationJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::Calibration; }
    // `references`: the true signals of the channels to calibrate. `kept`: the coefficients
    // of the other channels; without them the relay's configuration is read first, so the
    // other channels keep what the relay holds.
    explicit CalibrationJob(const calibration::References& references,
                            std::optional<calibration::Coefficients> kept = std::nullopt);

    // After success: the coefficients the relay now holds and its blocking after a trip.
    const calibration::WriteReply& result() const { return *m_result; }
    // What the relay answered to the write, whether or not it holds what was sent.
    const std::optional<calibration::WriteReply>& writeReply() const { return m_result; }

    std::optional<RelayChange> change() const override; // the coefficients held after the write

  Q_SIGNALS:
    void progress(int step); // 1..10 as the measurements arrive, 11 once the write has left
    void coefficientsComputed(const kliv::calibration::Coefficients& coefficients); // to write

  protected:
    QList<Problem> refusal() const override;
    void begin() override;
    // Only the reply the stage asks for: a late live record of a poll that has just given
    // way is turned away, and the request's time-out still runs.
    bool accepts(const QByteArray& frame) const override;
    void onReply(const QByteArray& frame) override;
    // Starts the measurements with a configuration block read already: its coefficients
    // are kept for the channels not calibrated, unless they were given.
    void beginWith(const QByteArray& block);

  private:
    enum class Stage { ReadingKept, Measuring, Writing };

    void measure();
    void measured(const calibration::Readings& readings);
    void write();
    void written(const calibration::WriteReply& reply);

    calibration::References m_references;
    std::optional<calibration::Coefficients> m_kept;
    Stage m_stage = Stage::Measuring;
    calibration::Sums m_sums{};
    int m_step = 0;
    calibration::Coefficients m_sent{};
    std::optional<calibration::WriteReply> m_result;
};

} // namespace kliv
