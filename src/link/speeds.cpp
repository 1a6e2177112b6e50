#include "link/speeds.h"

namespace kliv::speeds {

QStringList items() {
    return {QStringLiteral("    300"), QStringLiteral("    600"), QStringLiteral("  1200"),
            QStringLiteral("  2400"),  QStringLiteral("  4800"),  QStringLiteral("  9600"),
            QStringLiteral(" 14400"),  QStringLiteral(" 19200"),  QStringLiteral(" 38400"),
            QStringLiteral(" 57600"),  QStringLiteral("115200")};
}

int indexOfBaud(int baud) {
    for (int i = 0; i < Count; ++i)
        if (Baud[i] == baud)
            return i;
    return -1;
}

} // namespace kliv::speeds
