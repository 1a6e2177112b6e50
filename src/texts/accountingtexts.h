#pragma once

#include "protocol/accounting.h"
#include "texts/numfmt.h"

#include <QJsonObject>
#include <QString>

namespace kliv {

// The five fields of the page.
struct AccountingTexts {
    QString start, running, switchOns, trips, energy;
};

// The accounting record in words, and as JSON for scripts.
namespace accounting {

// Cut, not rounded, to 0.1 kWh: "000123,4" for 123 456 789 millionths.
QString energyText(quint64 millionths, const NumberLocale& loc);
QString startText(const AccountingRecord& r); // "05.03.2009г/14:22:07"
AccountingTexts texts(const AccountingRecord& r, const NumberLocale& loc);
// Plain numbers for scripts; the start as an ISO date-time, null when it names none.
QJsonObject json(const AccountingRecord& r);

} // namespace accounting
} // namespace kliv
