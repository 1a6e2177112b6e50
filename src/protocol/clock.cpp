#include "protocol/clock.h"

#include "protocol/bcd.h"

#include <QtGlobal>

namespace kliv::clock {

namespace {
constexpr quint8 StopBit = 0x80, AutoDstBit = 0x80;
constexpr quint8 CalibrationPositive = 0x20, CalibrationMagnitude = 0x1F;

} // namespace

ClockBlock decodeBlock(const char* b) {
    ClockBlock c;
    c.seconds = bcd::decode(quint8(b[0]), bcd::TensSeconds);
    c.stopped = quint8(b[0]) & StopBit;
    c.minutes = bcd::decode(quint8(b[1]), bcd::TensMinutes);
    c.hours = bcd::decode(quint8(b[2]), bcd::TensHours);
    c.dayOfWeek = quint8(b[3]);
    c.day = bcd::decode(quint8(b[4]), bcd::TensDay);
    c.month = bcd::decode(quint8(b[5]), bcd::TensMonth);
    c.year = bcd::decode(quint8(b[6]), bcd::TensYear);
    c.calibration = calibrationFromByte(quint8(b[7]));
    c.autoDst = quint8(b[8]) & AutoDstBit;
    return c;
}

QByteArray encodeBlock(const ClockBlock& c) {
    QByteArray b(BlockSize, '\0');
    b[0] = char(bcd::encode(c.seconds) | (c.stopped ? StopBit : 0));
    b[1] = char(bcd::encode(c.minutes));
    b[2] = char(bcd::encode(c.hours));
    b[3] = char(c.dayOfWeek);
    b[4] = char(bcd::encode(c.day));
    b[5] = char(bcd::encode(c.month));
    b[6] = char(bcd::encode(c.year));
    b[7] = char(calibrationByte(c.calibration));
    b[8] = char(c.autoDst ? AutoDstBit : 0);
    return b;
}

quint8 calibrationByte(int value) {
    // The magnitude field holds 0..31; a larger value would spill into the sign bit.
    const int v = qBound(-int(CalibrationMagnitude), value, int(CalibrationMagnitude));
    return v < 0 ? quint8(-v) : quint8(v | CalibrationPositive);
}

int calibrationFromByte(quint8 b) {
    const int magnitude = b & CalibrationMagnitude;
    return (b & CalibrationPositive) ? magnitude : -magnitude;
}

QByteArray setPayload(const QDateTime& local, int calibration, bool stop, bool autoDst) {
    const QTime t = local.time();
    const QDate d = local.date();
    QByteArray p(SetPayloadSize, '\0');
    p[0] = char(calibrationByte(calibration));
    p[1] = char(bcd::encode(t.second()) | (stop ? StopBit : 0));
    p[2] = char(bcd::encode(t.minute()));
    p[3] = char(bcd::encode(t.hour()));
    // The relay counts the week from Sunday (1) to Saturday (7).
    p[4] = char(d.dayOfWeek() % 7 + 1);
    p[5] = char(bcd::encode(d.day()));
    p[6] = char(bcd::encode(d.month()));
    p[7] = char(bcd::encode(d.year() % 1000));
    p[8] = char(autoDst ? AutoDstBit : 0);
    return p;
}

} // namespace kliv::clock
