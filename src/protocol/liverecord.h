#pragma once

#include "protocol/numfmt.h"
#include "protocol/status.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

// A recording of the poll as CSV, one row a live record: the PC's date and time with
// milliseconds, every live value under a header with its unit, and the protections'
// states. Fields are separated by ';' and numbers carry the locale's decimal separator, as
// the event log's CSV does, so that a spreadsheet of the same locale reads them as numbers.
namespace kliv::liverecord {

QString header(); // with its line end
QString row(const QDateTime& at, const LiveStatus& s, const NumberLocale& loc);

// A recording read back as time series for the trend chart: every numeric column.
struct Series {
    QString name;          // as its header names it, unit included: "Ua, В"
    QList<QPointF> points; // x: milliseconds since the epoch (UTC), y: the value
};
struct Trend {
    QList<Series> series;
    int rows = 0;
    QStringList problems; // rows that could not be read, naming them
};
Trend read(const QByteArray& csv, const NumberLocale& loc);

} // namespace kliv::liverecord
