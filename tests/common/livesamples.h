#pragma once

#include "protocol/status.h"

namespace kliv::test {

// A live record with every field set to a different value, so that a field read from, or
// shown in, another's place stands out.
inline LiveStatus liveSample() {
    LiveStatus s;
    s.clock = {7, 5, 9, 1, 6, 12, 26, true, -3, true};
    s.conditionBits = 0x21;
    s.stateBits = 0x05;
    s.operatedBits = 0x20;
    s.ua = 380;
    s.ub = 381;
    s.uc = 0x1234;
    s.ia = 999;
    s.ib = 1000;
    s.ic = 1005;
    s.idif = 12;
    s.cosf = 0xD5;
    s.uasm = 3;
    s.iasm = 4;
    s.overload = 11;
    s.timers = {0xFF, 1, 2, 1234, 4, 0xABCD, 6, 7};
    s.power = 456;
    s.energy = 1234567890;
    s.running = 3725;
    return s;
}

} // namespace kliv::test
