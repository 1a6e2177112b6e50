#pragma once

namespace kliv::sim {

// The speed the tool has set on its side of the pseudo-terminal, in baud (custom rates
// such as 14400 included); 0 when it cannot be read.
int toolLineSpeed(int fd);

} // namespace kliv::sim
