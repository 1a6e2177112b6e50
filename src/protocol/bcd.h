#pragma once

#include <QtGlobal>

namespace kliv::bcd {

// Masks of the tens bits for the relay's date and time fields.
constexpr quint8 TensSeconds = 0x70, TensMinutes = 0x70, TensHours = 0x30, TensDay = 0x30,
                 TensMonth = 0x10, TensYear = 0xF0;

// tens * 10 + units, the tens taken only from the bits in tensMask; digits are not
// checked, so a units nibble of 0xA adds 10.
inline int decode(quint8 b, quint8 tensMask) {
    return ((b & tensMask) >> 4) * 10 + (b & 0x0F);
}

// v div 10 in the high nibble, v mod 10 in the low one (v 0..99; the year of the clock
// set payload passes v mod 1000 and relies on the same arithmetic).
inline quint8 encode(int v) {
    return quint8((v / 10) * 16 + v % 10);
}

} // namespace kliv::bcd
