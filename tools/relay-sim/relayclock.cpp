#include "relayclock.h"

#include "protocol/bcd.h"

namespace kliv::sim {

namespace {
constexpr quint8 StopBit = 0x80;
constexpr quint8 AutoDstBit = 0x80;
} // namespace

std::optional<ClockSetting> parseClockSet(const QByteArray& p) {
    if (p.size() != clock::SetPayloadSize)
        return std::nullopt;
    const auto at = [&p](int i) { return quint8(p.at(i)); };
    ClockSetting s;
    s.calibration = clock::calibrationFromByte(at(0));
    s.stop = at(1) & StopBit;
    s.autoDst = at(8) & AutoDstBit;
    const QTime t(bcd::decode(at(3), bcd::TensHours), bcd::decode(at(2), bcd::TensMinutes),
                  bcd::decode(at(1), bcd::TensSeconds));
    const QDate d(2000 + bcd::decode(at(7), bcd::TensYear), bcd::decode(at(6), bcd::TensMonth),
                  bcd::decode(at(5), bcd::TensDay));
    // Out-of-range nibbles give no date or time; the relay then keeps its own.
    if (t.isValid() && d.isValid())
        s.time = QDateTime(d, t, Qt::UTC);
    return s;
}

// The relay keeps a plain calendar: local fields held as UTC, so no seasonal or zone
// rule of the PC moves it.
RelayClock::RelayClock(const QDateTime& start)
    : m_base(QDateTime(start.date(), start.time(), Qt::UTC)) {}

void RelayClock::set(const ClockSetting& s, qint64 nowMs) {
    m_base = s.time.isValid() ? QDateTime(s.time.date(), s.time.time(), Qt::UTC) : timeAt(nowMs);
    m_baseMs = nowMs;
    m_calibration = s.calibration;
    m_stopped = s.stop;
    m_autoDst = s.autoDst;
}

QDateTime RelayClock::timeAt(qint64 nowMs) const {
    return m_stopped ? m_base : m_base.addMSecs(nowMs - m_baseMs);
}

ClockBlock RelayClock::blockAt(qint64 nowMs) const {
    const QDateTime now = timeAt(nowMs);
    ClockBlock c;
    c.seconds = now.time().second();
    c.minutes = now.time().minute();
    c.hours = now.time().hour();
    c.dayOfWeek = now.date().dayOfWeek() % 7 + 1; // 1 = Sunday
    c.day = now.date().day();
    c.month = now.date().month();
    c.year = now.date().year() % 100;
    c.stopped = m_stopped;
    c.calibration = m_calibration;
    c.autoDst = m_autoDst;
    return c;
}

} // namespace kliv::sim
