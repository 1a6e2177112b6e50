#pragma once

#include "link/jobs/calibrationjob.h"

namespace kliv {

// Auto-calibration as the front ends start it: the block the relay holds is read first, so
// that the change journal can keep what was there and the calibration can be backed out.
// The measurements and the write are those of CalibrationJob.
class RecordedCalibrationJob : public CalibrationJob {
    Q_OBJECT
  public:
    using CalibrationJob::CalibrationJob;

    // The relay's block before the calibration; empty when it was never read.
    const QByteArray& before() const { return m_before; }
    // After success: that block with the coefficients and the blocking after a trip as the
    // relay reports holding them; else empty.
    QByteArray after() const;

  protected:
    void begin() override;
    bool accepts(const QByteArray& frame) const override;
    void onReply(const QByteArray& frame) override;

  private:
    bool m_readingBefore = false;
    QByteArray m_before;
};

} // namespace kliv
