#include "simlog.h"

namespace kliv::sim {

Q_LOGGING_CATEGORY(lcFrames, "kliv.sim.frames", QtWarningMsg)

} // namespace kliv::sim
