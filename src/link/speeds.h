#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace kliv::speeds {

constexpr int Count = 11;
constexpr int Default = 10; // 115200
constexpr std::array<int, Count> Baud = {300,   600,   1200,  2400,  4800,  9600,
                                         14400, 19200, 38400, 57600, 115200};

// The items of the speed lists, right-aligned with leading blanks as the lists show them.
QStringList items();
int indexOfBaud(int baud); // -1 when the speed is not in the list

// Reply time-out and poll watchdog interval by speed index.
constexpr int replyTimeoutMs(int index) {
    constexpr std::array<int, 6> slow = {10000, 5000, 2500, 1250, 625, 350};
    return index >= 0 && index < 6 ? slow[index] : 300;
}
constexpr int ConfigWriteExtraMs = 500;

// The quiet after which a reply counts as ended: twenty characters of the line (ten bits a
// byte), and never under 20 ms, which an adapter may hold received bytes back.
constexpr int gapMs(int index) {
    constexpr int Characters = 20, BitsPerByte = 10, Least = 20;
    const int baud = index >= 0 && index < Count ? Baud[std::size_t(index)] : Baud[Default];
    const int ms = (Characters * BitsPerByte * 1000 + baud - 1) / baud;
    return ms > Least ? ms : Least;
}

// Speed index for a serial number: relays below 600 ship at 14400 baud.
constexpr int indexForSerial(int serial) {
    return serial < 600 ? 6 : 10;
}

} // namespace kliv::speeds
