#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <span>

// The line speeds a relay knows, by index: its RS485 speed byte, the tool's speed list and
// the speed change request all count them the same way.
namespace kliv::speeds {

struct Speed {
    int baud;
    const char* lineItem;  // the tool's speed list, right-aligned with its blanks
    const char* relayItem; // the relay's RS485 list on the configuration page
};
inline constexpr std::array<Speed, 11> Table{{
    {300, "    300", "   300"},
    {600, "    600", "   600"},
    {1200, "  1200", "  1200"},
    {2400, "  2400", "  2400"},
    {4800, "  4800", "  4800"},
    {9600, "  9600", "  9600"},
    {14400, " 14400", " 14400"},
    {19200, " 19200", " 19200"},
    {38400, " 38400", " 38400"},
    {57600, " 57600", " 57600"},
    {115200, "115200", "115200"},
}};

constexpr int Count = int(Table.size());
constexpr int Default = 10;   // 115200
constexpr int RelayStart = 5; // 9600, as relays ship

inline constexpr std::array<int, Count> Baud = [] {
    std::array<int, Count> b{};
    for (int i = 0; i < Count; ++i)
        b[std::size_t(i)] = Table[std::size_t(i)].baud;
    return b;
}();
inline constexpr std::array<const char*, Count> RelayItems = [] {
    std::array<const char*, Count> t{};
    for (int i = 0; i < Count; ++i)
        t[std::size_t(i)] = Table[std::size_t(i)].relayItem;
    return t;
}();

QStringList items();             // the tool's speed list, as lineItem
QStringList relayItems();        // the relay's RS485 list, as relayItem
int indexOfBaud(int baud);       // -1 when the speed is not in the list
QString indexProblem(int index); // why a speed index is none of the list's
QString bauds();                 // "300 600 … 115200", for messages that list them

// Reply time-out and poll watchdog interval by speed index.
constexpr int replyTimeoutMs(int index) {
    constexpr std::array<int, 6> slow = {10000, 5000, 2500, 1250, 625, 350};
    return index >= 0 && index < 6 ? slow[std::size_t(index)] : 300;
}
// The relay stores a configuration or calibration write before it answers.
constexpr int ConfigWriteExtraMs = 500;

// Speed index for a serial number: relays below 600 ship at 14400 baud.
constexpr int indexForSerial(int serial) {
    return serial < 600 ? 6 : 10;
}

} // namespace kliv::speeds
