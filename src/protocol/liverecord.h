#pragma once

#include "protocol/numfmt.h"
#include "protocol/status.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>

// A recording of the poll as CSV, one row a live record: the PC's date and time with
// milliseconds, every live value under a header with its unit, and the protections'
// states. Fields are separated by ';' and numbers carry the locale's decimal separator, as
// the event log's CSV does, so that a spreadsheet of the same locale reads them as numbers.
namespace kliv::liverecord {

QString header(); // with its line end
QString row(const QDateTime& at, const LiveStatus& s, const NumberLocale& loc);

// Reading a recording back, a field at a time; the header says which column is which.
// A state column ("Оборудование", "Umin, состояние") holds words, never a series.
bool holdsWords(QStringView name);
// A time as row() writes it: the wall clock's milliseconds since 1970-01-01 00:00, no time
// zone taken into account; nothing when the field is not such a time.
std::optional<qint64> readTime(QByteArrayView field);
// A number with either decimal separator, so that a recording opens in any locale; nothing
// when the field is not a finite number.
std::optional<double> readNumber(QByteArrayView field);

} // namespace kliv::liverecord
