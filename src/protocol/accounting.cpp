#include "protocol/accounting.h"

#include "protocol/bigendian.h"

#include "protocol/bcd.h"
#include "protocol/status.h"
#include "protocol/statustext.h"

#include <QDate>
#include <QTime>

namespace kliv::accounting {

namespace {

// Record offsets.
constexpr int RunningAt = 0, SwitchOnsAt = 4, TripsAt = 6, EnergyAt = 8, SecondsAt = 13,
              MinutesAt = 14, HoursAt = 15, DayAt = 16, MonthAt = 17, YearAt = 18;
constexpr int EnergyBytes = 5;
constexpr quint64 EnergyMask = (quint64(1) << 40) - 1;
constexpr quint64 MillionthsPerTenth = 100000; // of a kWh
constexpr int Century = 2000;

QString twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

quint64 tenthsOfKwh(quint64 millionths) {
    return (millionths & EnergyMask) / MillionthsPerTenth;
}

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

QString energyText(quint64 millionths, const NumberLocale& loc) {
    return numfmt::format(qint64(tenthsOfKwh(millionths)), 1, u"000000.0", loc);
}

QString startText(const AccountingRecord& r) {
    const QLatin1Char colon(':');
    return twoDigits(r.startDay) + QLatin1Char('.') + twoDigits(r.startMonth) +
           QStringLiteral(".20") + twoDigits(r.startYear) + QStringLiteral("г/") +
           twoDigits(r.startHours) + colon + twoDigits(r.startMinutes) + colon +
           twoDigits(r.startSeconds);
}

AccountingTexts texts(const AccountingRecord& r, const NumberLocale& loc) {
    AccountingTexts t;
    t.start = startText(r);
    t.running = status::runningTimeText(r.runningSeconds);
    t.switchOns = QString::number(r.switchOns);
    t.trips = QString::number(r.trips);
    t.energy = energyText(r.energy, loc);
    return t;
}

QJsonObject json(const AccountingRecord& r) {
    // The relay's clock keeps no zone, so neither does the text.
    const QDate d(Century + r.startYear, r.startMonth, r.startDay);
    const QTime t(r.startHours, r.startMinutes, r.startSeconds);
    const bool valid = r.startYear < 100 && d.isValid() && t.isValid();
    return {
        {QStringLiteral("runningSeconds"), qint64(r.runningSeconds)},
        {QStringLiteral("switchOns"), r.switchOns},
        {QStringLiteral("trips"), r.trips},
        {QStringLiteral("energyKwh"), double(tenthsOfKwh(r.energy)) / 10.0},
        {QStringLiteral("start"),
         valid ? QJsonValue(d.toString(Qt::ISODate) + QLatin1Char('T') + t.toString(Qt::ISODate))
               : QJsonValue()},
    };
}

} // namespace kliv::accounting
