#pragma once

#include "protocol/eventlog.h"
#include "texts/numfmt.h"

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace kliv {

// The texts of grid columns 1..12: date/time, relay, equipment, protection, Ua, Ub, Uc,
// Ia, Ib, Ic, leakage, cos f.
using EventTexts = std::array<QString, 12>;

// The event log in words: the grid, its CSV and its JSON.
namespace eventlog {

QString dateTimeText(const EventRecord& r); // "21.06.09  14:27:05:3"
QString protectionName(quint8 protection);  // the highest set bit wins; empty for none
EventTexts texts(const EventRecord& r, const NumberLocale& loc);
QList<EventTexts> texts(const QList<EventRow>& rows, const NumberLocale& loc);
// The 13 column headers of the grid, row number first.
QStringList headers();
// The grid as a text table: the headers, then per row its number and its twelve texts,
// ';' between fields and CRLF between lines; a field holding ';', '"' or a line break is
// quoted.
QString csv(const QList<EventTexts>& rowsInOrder);
// The rows with plain numbers, for scripts; "n" numbers them from 1 in the given order.
QJsonArray json(const QList<EventRow>& rows);

} // namespace eventlog
} // namespace kliv
