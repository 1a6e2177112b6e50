#pragma once

#include "protocol/status.h"
#include "texts/numfmt.h"

#include <QJsonObject>
#include <QString>

namespace kliv::cli {

// A live status record as the page shows it, one "label value" per field.
QString liveText(const LiveStatus& s, const NumberLocale& loc);
// One line of the poll: the main values only.
QString liveLine(const LiveStatus& s, const NumberLocale& loc);
// Every field with plain numbers (amperes, seconds, kWh), for scripts.
QJsonObject liveJson(const LiveStatus& s);

} // namespace kliv::cli
