#pragma once

#include "model/configschema.h"
#include "texts/calibrationtexts.h"
#include "texts/numfmt.h"

#include <QString>
#include <QStringView>
#include <optional>

// The configuration in words, both ways: values as the page shows them, the differences a
// verified write names, and the numbers the user types.
namespace kliv::config {

// A field's value as the page shows it: delays and currents with one decimal, list items
// by their text, texts in quotes with their blanks.
QString valueText(const FieldValue& v, const Field& f, const NumberLocale& loc);
QString valueText(const Configuration& c, const Field& f, const NumberLocale& loc);

// How messages name what differs: a field's label, a channel's, "байт 47".
QString labelOf(const FieldDifference& d);
// One side of a difference (d.sent or d.read) as the page shows it.
QString valueText(const FieldDifference& d, const FieldValue& v, const NumberLocale& loc);
// "Umax: записано 250, считано 7000"
QString differenceText(const FieldDifference& d, const NumberLocale& loc);

// A decimal typed by the user, in whole tenths truncated toward zero: "12,34" gives 123,
// "15" gives 150, "0,05" gives 0. The locale's decimal separator and '.' are both taken,
// blanks around the number too; anything else is not a number. A value too large for an
// int comes out as the largest int of its sign, which no field admits.
std::optional<int> parseTenths(QStringView text, const NumberLocale& loc);
// A decimal integer ("570,5" is none), saturated the same way.
std::optional<int> parseInteger(QStringView text);
QString tenthsText(int tenths, const NumberLocale& loc); // "15,0", "0,5"

} // namespace kliv::config
