#pragma once

#include "files/trendreader.h"

#include <QString>

// The words of a recording opened as a trend.
namespace kliv::msg {

// Why a recording shows nothing; empty when it shows.
QString trendProblem(const files::Trend& t);
QString trendProgress(qint64 done, qint64 total); // "Чтение записи: 35 %"
// "Записей: 12345", and how many rows were left out, naming the first.
QString trendSummary(const files::Trend& t);

} // namespace kliv::msg
