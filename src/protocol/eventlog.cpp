#include "protocol/eventlog.h"

#include "protocol/bigendian.h"

#include "protocol/bcd.h"

#include <QDate>
#include <QTime>
#include <algorithm>

namespace kliv::eventlog {

namespace {

// Record offsets.
constexpr int OrderAt = 0, SecondsAt = 1, MinutesAt = 2, HoursAt = 3, DayAt = 4, MonthAt = 5,
              YearAt = 6, StateAt = 7, ProtectionAt = 8, UaAt = 9, UbAt = 11, UcAt = 13, IaAt = 15,
              IbAt = 17, IcAt = 19, IdifAt = 21, CosAt = 23;
constexpr quint8 OrderMask = 0x0F;
constexpr int Century = 2000;

// Date and time first, then the order digit; only meaningful for valid records, whose
// fields are all within their calendar ranges.
qint64 sortKey(const EventRecord& r) {
    qint64 k = r.year;
    for (int field : {r.month, r.day, r.hours, r.minutes, r.seconds})
        k = k * 100 + field;
    return k * 16 + r.order;
}

} // namespace

EventRecord decodeRecord(const char* b) {
    EventRecord r;
    r.order = quint8(b[OrderAt]) & OrderMask;
    r.seconds = bcd::decode(quint8(b[SecondsAt]), bcd::TensSeconds);
    r.minutes = bcd::decode(quint8(b[MinutesAt]), bcd::TensMinutes);
    r.hours = bcd::decode(quint8(b[HoursAt]), bcd::TensHours);
    r.day = bcd::decode(quint8(b[DayAt]), bcd::TensDay);
    r.month = bcd::decode(quint8(b[MonthAt]), bcd::TensMonth);
    r.year = bcd::decode(quint8(b[YearAt]), bcd::TensYear);
    r.state = quint8(b[StateAt]);
    r.protection = quint8(b[ProtectionAt]);
    r.ua = quint16(be::read(b, UaAt, 2));
    r.ub = quint16(be::read(b, UbAt, 2));
    r.uc = quint16(be::read(b, UcAt, 2));
    r.ia = quint16(be::read(b, IaAt, 2));
    r.ib = quint16(be::read(b, IbAt, 2));
    r.ic = quint16(be::read(b, IcAt, 2));
    r.idif = quint16(be::read(b, IdifAt, 2));
    r.cosf = quint8(b[CosAt]);
    return r;
}

QByteArray encodeRecord(const EventRecord& r) {
    QByteArray b(RecordSize, '\0');
    b[OrderAt] = char(r.order & OrderMask);
    b[SecondsAt] = char(bcd::encode(r.seconds));
    b[MinutesAt] = char(bcd::encode(r.minutes));
    b[HoursAt] = char(bcd::encode(r.hours));
    b[DayAt] = char(bcd::encode(r.day));
    b[MonthAt] = char(bcd::encode(r.month));
    b[YearAt] = char(bcd::encode(r.year));
    b[StateAt] = char(r.state);
    b[ProtectionAt] = char(r.protection);
    be::write16(b, UaAt, r.ua);
    be::write16(b, UbAt, r.ub);
    be::write16(b, UcAt, r.uc);
    be::write16(b, IaAt, r.ia);
    be::write16(b, IbAt, r.ib);
    be::write16(b, IcAt, r.ic);
    be::write16(b, IdifAt, r.idif);
    b[CosAt] = char(r.cosf);
    return b;
}

std::optional<EventBlock> decodeBlock(const QByteArray& payload) {
    QByteArray p = payload.left(BlockPayloadSize);
    p.append(QByteArray(BlockPayloadSize - p.size(), '\0'));
    EventBlock block;
    block.index = quint8(p.at(0));
    if (block.index >= BlockCount)
        return std::nullopt;
    for (int i = 0; i < RecordsPerBlock; ++i)
        block.records[std::size_t(i)] = decodeRecord(p.constData() + 1 + i * RecordSize);
    return block;
}

QByteArray encodeBlock(int index, const std::array<QByteArray, RecordsPerBlock>& records) {
    QByteArray p(1, char(index));
    for (const QByteArray& r : records) {
        const QByteArray image = r.left(RecordSize);
        p.append(image);
        p.append(QByteArray(RecordSize - image.size(), '\0'));
    }
    return p;
}

int actingBit(quint8 protection) {
    for (int bit = 7; bit >= 0; --bit)
        if (protection & (1u << bit))
            return bit;
    return -1;
}

QDate dateOf(const EventRecord& r) {
    return QDate(Century + r.year, r.month, r.day);
}

QTime timeOf(const EventRecord& r) {
    return QTime(r.hours, r.minutes, r.seconds);
}

bool isValid(const EventRecord& r) {
    // Every field but the year decodes below 100 and so is written with two digits; a
    // year of 100 or more lengthens the date/time text and moves the order digit off
    // character 20, which makes the entry invalid. The order digit itself is always a
    // digit.
    return r.year < 100 && dateOf(r).isValid() && timeOf(r).isValid();
}

QList<EventRow> ordered(const std::array<EventRecord, LogSize>& store) {
    QList<EventRow> rows;
    for (int k = 0; k < LogSize; ++k)
        if (isValid(store[std::size_t(k)]))
            rows.append({k + 1, store[std::size_t(k)]});
    std::stable_sort(rows.begin(), rows.end(), [](const EventRow& a, const EventRow& b) {
        return sortKey(a.record) < sortKey(b.record);
    });
    return rows;
}

} // namespace kliv::eventlog
