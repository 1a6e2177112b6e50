// Kept apart: the kernel's termios2 header and the C library's <termios.h> clash.
#include "linespeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace kliv::sim {

int toolLineSpeed(int fd) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return 0;
    return int(t.c_ospeed);
}

} // namespace kliv::sim
