#include "protocol/speeds.h"

namespace kliv::speeds {

int indexOfBaud(int baud) {
    for (int i = 0; i < Count; ++i)
        if (Baud[std::size_t(i)] == baud)
            return i;
    return -1;
}

} // namespace kliv::speeds
