#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <array>
#include <optional>

namespace kliv {

// One entry of the relay's event log, as wire values. The date and time fields are the
// BCD fields decoded with their masks; no digit is checked, so a damaged entry can carry
// values such as 85 seconds or a three-digit year.
struct EventRecord {
    int order = 0; // 0..15: tells apart events of the same second
    int seconds = 0, minutes = 0, hours = 0, day = 0, month = 0, year = 0;
    quint8 state = 0;                         // bit 7 relay on, bit 0 equipment on
    quint8 protection = 0;                    // one bit a protection, as in protections.h
    quint16 ua = 0, ub = 0, uc = 0;           // volts
    quint16 ia = 0, ib = 0, ic = 0, idif = 0; // tenths of an ampere
    quint8 cosf = 0;                          // bit 7 sign, bits 0..6 hundredths
    bool operator==(const EventRecord&) const = default;
};

// Ten consecutive entries of the log; entry i sits at log position 10 * index + i + 1.
struct EventBlock {
    int index = 0;
    std::array<EventRecord, 10> records{};
};

// A valid entry together with the log position (1..100) it was read from.
struct EventRow {
    int position = 0;
    EventRecord record;
};

namespace eventlog {

constexpr int RecordsPerBlock = 10, BlockCount = 10, LogSize = 100, RecordSize = 24;
constexpr int BlockPayloadSize = 1 + RecordsPerBlock * RecordSize; // 241
constexpr quint8 RelayOnBit = 0x80, EquipmentOnBit = 0x01;         // of the state byte

EventRecord decodeRecord(const char* bytes24);
QByteArray encodeRecord(const EventRecord& r); // 24 bytes; the simulated relay's side

// Bytes missing from a short payload read as 0, as from the cleared receive buffer. A
// block index above 9 would address positions beyond the log and yields nothing.
std::optional<EventBlock> decodeBlock(const QByteArray& payload);
// 241 bytes. Entries are raw 24-byte images, so that erased slots (all 0x00 or 0xFF)
// can be sent as they are; a shorter image is padded with zeros.
QByteArray encodeBlock(int index, const std::array<QByteArray, RecordsPerBlock>& records);

// The protection an entry names, by its bit: the highest set bit wins; -1 for none.
int actingBit(quint8 protection);
QDate dateOf(const EventRecord& r);
QTime timeOf(const EventRecord& r);

// A real calendar date of 2000..2099 and a real time of day; erased and damaged entries
// fail.
bool isValid(const EventRecord& r);

// The valid entries of the whole log, oldest first by date and time, then by order
// digit; entries with equal keys keep their log order. store[k] is log position k + 1.
// An order digit of 10..15 counts by its value, not by the first digit of its text.
QList<EventRow> ordered(const std::array<EventRecord, LogSize>& store);

} // namespace eventlog
} // namespace kliv
