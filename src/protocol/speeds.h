#pragma once

#include <QtGlobal>
#include <array>
#include <span>

// The line speeds a relay knows, by index: its RS485 speed byte, the tool's speed list and
// the speed change request all count them the same way.
namespace kliv::speeds {

inline constexpr std::array<int, 11> Baud{300,   600,   1200,  2400,  4800,  9600,
                                          14400, 19200, 38400, 57600, 115200};
constexpr int Count = int(Baud.size());
constexpr int Default = 10;   // 115200
constexpr int RelayStart = 5; // 9600, as relays ship

int indexOfBaud(int baud); // -1 when the speed is not in the list

// Reply time-out and poll watchdog interval by speed index.
constexpr int replyTimeoutMs(int index) {
    constexpr std::array<int, 6> slow = {10000, 5000, 2500, 1250, 625, 350};
    return index >= 0 && index < 6 ? slow[std::size_t(index)] : 300;
}
// The relay stores a configuration or calibration write before it answers.
constexpr int ConfigWriteExtraMs = 500;

// Start bit, eight data bits, stop bit.
constexpr int BitsPerByte = 10;

constexpr int baudOf(int index) {
    return index >= 0 && index < Count ? Baud[std::size_t(index)] : Baud[Default];
}

// How long that many bytes take to cross the line, in microseconds.
constexpr qint64 lineTimeUs(int index, int bytes) {
    return qint64(bytes) * BitsPerByte * 1000000 / baudOf(index);
}

// Speed index for a serial number: relays below 600 ship at 14400 baud.
constexpr int indexForSerial(int serial) {
    return serial < 600 ? 6 : 10;
}

} // namespace kliv::speeds
