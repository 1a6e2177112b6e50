#pragma once

#include <QByteArray>

namespace kliv {

// The relay's accounting record of the driven equipment, as wire values. The start
// fields are the BCD fields decoded with their masks, digits not checked.
struct AccountingRecord {
    quint32 runningSeconds = 0;
    quint16 switchOns = 0;
    quint16 trips = 0;
    quint64 energy = 0; // 40 bits, millionths of a kWh
    int startSeconds = 0, startMinutes = 0, startHours = 0, startDay = 0, startMonth = 0,
        startYear = 0; // the year within the century
    bool operator==(const AccountingRecord&) const = default;
};

namespace accounting {

constexpr int RecordSize = 19;

// Bytes missing from a short payload read as 0, as from the cleared receive buffer.
AccountingRecord decode(const QByteArray& payload);
QByteArray encode(const AccountingRecord& r); // 19 bytes; the simulated relay's side

// The energy in whole tenths of a kWh, cut, not rounded.
quint64 tenthsOfKwh(quint64 millionths);

} // namespace accounting
} // namespace kliv
