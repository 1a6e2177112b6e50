#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// The frame of a recording of the poll (texts/livecsv.h writes its rows): a header row, then
// one row a live record, fields separated by ';', each row starting with the PC's time.
// Reading one back goes a field at a time; the header says which column is which.
namespace kliv::liverecord {

QString timeFormat(); // the time of each row
QString lineEnd();
// The state columns, which hold words, never a series: the equipment, the insulation and
// each protection's state ("Umin, состояние").
QString equipment();
QString insulation();
QString stateSuffix();
bool holdsWords(QStringView name);

// A time as a row holds it: the wall clock's milliseconds since 1970-01-01 00:00, no time
// zone taken into account; nothing when the field is not such a time.
std::optional<qint64> readTime(QByteArrayView field);
// A number with either decimal separator, so that a recording opens in any locale; nothing
// when the field is not a finite number.
std::optional<double> readNumber(QByteArrayView field);

} // namespace kliv::liverecord
