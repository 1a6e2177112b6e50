#pragma once

#include "protocol/calibration.h"

#include <QByteArray>
#include <optional>

namespace kliv {

// What a job that changes a relay did to it, as the job knows it once it has ended: for
// whoever keeps a record of changes. The job's serial number and outcome go with it.
struct RelayChange {
    QByteArray before, after; // configuration blocks, when the job read them
    int speedIndex = -1;      // an RS485 speed change: the speed asked for
    // A typed request: its kind and payload.
    int requestKind = -1;
    QByteArray requestPayload;
    // A calibration: the coefficients the relay holds after its write.
    std::optional<calibration::Coefficients> coefficients;
};

} // namespace kliv
