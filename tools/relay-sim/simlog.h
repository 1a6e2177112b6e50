#pragma once

#include <QLoggingCategory>

namespace kliv::sim {

// Every frame the simulated relay receives and sends; off unless asked for.
Q_DECLARE_LOGGING_CATEGORY(lcFrames)

} // namespace kliv::sim
