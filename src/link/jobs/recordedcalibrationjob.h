#pragma once

#include "link/jobs/calibrationjob.h"

namespace kliv {

// Auto-calibration as the front ends start it: the block the relay holds is read first, so
// that the change journal can keep what was there and the calibration can be backed out.
// The measurements and the write are those of CalibrationJob.
class RecordedCalibrationJob : public CalibrationJob {
    Q_OBJECT
  public:
    RecordedCalibrationJob(const calibration::References& references,
                           std::optional<calibration::Coefficients> kept = std::nullopt);

    // The relay's block before the calibration; empty when it was never read.
    const QByteArray& before() const { return m_before; }
    // Whether the calibration write left, so that the relay may hold something new.
    bool writeSent() const { return m_writeSent; }
    // Once the relay answered the write: that block with the coefficients and the blocking
    // after a trip as the relay reports holding them, also when they are not what was sent;
    // else empty.
    QByteArray after() const;
    // The coefficients held, and both blocks once the write left: a calibration that ended
    // before it changed nothing and leaves nothing to back out.
    std::optional<RelayChange> change() const override;

  protected:
    void begin() override;
    bool accepts(const QByteArray& frame) const override;
    void onReply(const QByteArray& frame) override;

  private:
    bool m_readingBefore = false;
    bool m_writeSent = false;
    QByteArray m_before;
};

} // namespace kliv
