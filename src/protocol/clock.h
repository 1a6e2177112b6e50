#pragma once

#include <QByteArray>
#include <QDateTime>

namespace kliv {

// The relay's clock as the live status record carries it (record bytes 1..9).
struct ClockBlock {
    int seconds = 0, minutes = 0, hours = 0, dayOfWeek = 0, day = 0, month = 0, year = 0;
    bool stopped = false; // seconds byte bit 7
    int calibration = 0;  // -31..31
    bool autoDst = false; // flags byte bit 7
    bool operator==(const ClockBlock&) const = default;
};

namespace clock {

constexpr int BlockSize = 9;
constexpr int SetPayloadSize = 9;

ClockBlock decodeBlock(const char* bytes9);
QByteArray encodeBlock(const ClockBlock& c); // 9 bytes; the simulated relay's side

// Clock calibration byte: magnitude in bits 0..4, bit 5 set for zero or positive.
quint8 calibrationByte(int value);
int calibrationFromByte(quint8 b);

// The 9-byte clock set payload from the PC's local time and the three settings.
QByteArray setPayload(const QDateTime& local, int calibration, bool stop, bool autoDst);

} // namespace clock
} // namespace kliv
