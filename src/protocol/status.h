#pragma once

#include "protocol/clock.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace kliv {

// Status selectors: payload byte 0 of the status request and of its reply.
enum StatusSelector : quint8 {
    SelectorLive = 0,
    SelectorPhaseA = 1,
    SelectorPhaseB = 2,
    SelectorPhaseC = 3,
    SelectorCalibration = 4,
    SelectorLastBlock = 16, // added to the phase of the last block of a waveform cycle
};

// The 53-byte live status record, as integer wire values.
struct LiveStatus {
    ClockBlock clock;
    quint8 conditionBits = 0;       // byte 11: protection picking up, one bit a protection
    quint8 stateBits = 0;           // byte 12: bit 0 equipment on, bit 2 insulation fault
    quint8 operatedBits = 0;        // byte 13: protection operated
    quint16 ua = 0, ub = 0, uc = 0; // volts
    quint16 ia = 0, ib = 0, ic = 0, idif = 0; // tenths of an ampere
    quint8 cosf = 0;                          // bit 7 sign, bits 0..6 hundredths
    quint8 uasm = 0, iasm = 0;                // percent
    quint8 overload = 0;                      // tenths of the nominal current
    // Protection timers in tenths of a second, in protection bit order:
    // Umin, Umax, Uasm, idle (16-bit), Iasm, overload (16-bit), jam, leakage.
    std::array<quint16, 8> timers{};
    quint16 power = 0;   // tenths of a kilowatt
    quint64 energy = 0;  // 40 bits, millionths of a kWh
    quint32 running = 0; // seconds
    bool operator==(const LiveStatus&) const = default;
};

namespace status {

constexpr int LiveRecordSize = 53;

// Decodes a live status record (selector 0). A payload shorter than the record would
// show the receive buffer's leftovers as values, so it yields nothing.
std::optional<LiveStatus> decodeLive(const QByteArray& payload);
QByteArray encodeLive(const LiveStatus& s); // 53 bytes; the simulated relay's side

} // namespace status
} // namespace kliv
