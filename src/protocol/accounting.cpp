#include "protocol/accounting.h"

#include "protocol/bigendian.h"

#include "protocol/bcd.h"

namespace kliv::accounting {

namespace {

// Record offsets.
constexpr int RunningAt = 0, SwitchOnsAt = 4, TripsAt = 6, EnergyAt = 8, SecondsAt = 13,
              MinutesAt = 14, HoursAt = 15, DayAt = 16, MonthAt = 17, YearAt = 18;
constexpr int EnergyBytes = 5;
constexpr quint64 EnergyMask = (quint64(1) << 40) - 1;
constexpr quint64 MillionthsPerTenth = 100000; // of a kWh

} // namespace

AccountingRecord decode(const QByteArray& payload) {
    QByteArray p = payload.left(RecordSize);
    p.append(QByteArray(RecordSize - p.size(), '\0'));
    const auto at = [&p](int i) { return quint8(p.at(i)); };
    AccountingRecord r;
    r.runningSeconds = quint32(be::read(p, RunningAt, 4));
    r.switchOns = quint16(be::read(p, SwitchOnsAt, 2));
    r.trips = quint16(be::read(p, TripsAt, 2));
    r.energy = be::read(p, EnergyAt, EnergyBytes);
    r.startSeconds = bcd::decode(at(SecondsAt), bcd::TensSeconds);
    r.startMinutes = bcd::decode(at(MinutesAt), bcd::TensMinutes);
    r.startHours = bcd::decode(at(HoursAt), bcd::TensHours);
    r.startDay = bcd::decode(at(DayAt), bcd::TensDay);
    r.startMonth = bcd::decode(at(MonthAt), bcd::TensMonth);
    r.startYear = bcd::decode(at(YearAt), bcd::TensYear);
    return r;
}

QByteArray encode(const AccountingRecord& r) {
    QByteArray p(RecordSize, '\0');
    be::write(p, RunningAt, 4, r.runningSeconds);
    be::write(p, SwitchOnsAt, 2, r.switchOns);
    be::write(p, TripsAt, 2, r.trips);
    be::write(p, EnergyAt, EnergyBytes, r.energy & EnergyMask);
    p[SecondsAt] = char(bcd::encode(r.startSeconds));
    p[MinutesAt] = char(bcd::encode(r.startMinutes));
    p[HoursAt] = char(bcd::encode(r.startHours));
    p[DayAt] = char(bcd::encode(r.startDay));
    p[MonthAt] = char(bcd::encode(r.startMonth));
    p[YearAt] = char(bcd::encode(r.startYear));
    return p;
}

quint64 tenthsOfKwh(quint64 millionths) {
    return (millionths & EnergyMask) / MillionthsPerTenth;
}

} // namespace kliv::accounting
