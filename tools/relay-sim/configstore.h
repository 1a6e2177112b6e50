#pragma once

#include "faults.h"

#include "model/configschema.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <optional>

namespace kliv::sim {

// The relay's configuration block: what a configuration read returns, and what the writes,
// a calibration and a speed change make of it.
class ConfigStore {
  public:
    using Coefficients = std::array<int, config::CoefficientCount>; // Ua Ub Uc Ia Ib Ic Iут

    // An empty block stands for the page's start-up configuration. Misstore rules change
    // the writes they fire on after storing them.
    explicit ConfigStore(const QByteArray& block = {}, QList<FaultRule> misstores = {});

    const QByteArray& block() const { return m_block; }

    // A configuration write request: the reply payload, or nothing when the sub-mode is
    // unknown or the length does not suit it. A full write answers its sub-mode; a
    // calibration write answers with the coefficients now held and the flags byte, whose
    // bit 7 (the blocking after a trip) the calibration has set.
    std::optional<QByteArray> write(const QByteArray& payload);

    int speedIndex() const;
    void setSpeedIndex(int index);
    int fieldBusAddress() const;
    Coefficients coefficients() const;

  private:
    void storeCalibration(const QByteArray& coefficients);
    void applyMisstores();

    QByteArray m_block;
    FaultInjector m_misstores;
};

} // namespace kliv::sim
