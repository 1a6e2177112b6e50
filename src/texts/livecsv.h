#pragma once

#include "files/liverecorder.h"
#include "protocol/status.h"
#include "texts/numfmt.h"

#include <QDateTime>
#include <QString>

// A recording of the poll as CSV, one row a live record: the PC's date and time with
// milliseconds, every live value under a header with its unit, and the protections'
// states. Fields are separated by ';' and numbers carry the locale's decimal separator, as
// the event log's CSV does, so that a spreadsheet of the same locale reads them as numbers.
// The file's own frame (its time format, the state columns) is files/liverecord.h's.
namespace kliv::liverecord {

QString header(); // with its line end
QString row(const QDateTime& at, const LiveStatus& s, const NumberLocale& loc);
// Both, for the recorder.
files::RowFormat format(const NumberLocale& loc);

} // namespace kliv::liverecord
