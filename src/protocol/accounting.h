#pragma once

#include "protocol/numfmt.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

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

// The five fields of the page.
struct AccountingTexts {
    QString start, running, switchOns, trips, energy;
};

namespace accounting {

constexpr int RecordSize = 19;

// Bytes missing from a short payload read as 0, as from the cleared receive buffer.
AccountingRecord decode(const QByteArray& payload);
QByteArray encode(const AccountingRecord& r); // 19 bytes; the simulated relay's side

// Cut, not rounded, to 0.1 kWh: "000123,4" for 123 456 789 millionths.
QString energyText(quint64 millionths, const NumberLocale& loc);
QString startText(const AccountingRecord& r); // "05.03.2009г/14:22:07"
AccountingTexts texts(const AccountingRecord& r, const NumberLocale& loc);

// Plain numbers for scripts; the start as an ISO date-time, null when it names none.
QJsonObject json(const AccountingRecord& r);

} // namespace accounting
} // namespace kliv
