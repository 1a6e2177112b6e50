#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <array>

namespace kliv::sim {

// What sets apart the relays that share one line, so that a tool reading them all can
// tell their answers apart: the first is the plain simulated relay, each further one
// watches a motor of its own, holds settings of its own and has a past of its own.
struct Variety {
    double load;          // its motor's current against the plain relay's
    double voltageShift;  // volts on every phase
    qint64 episodeLeadMs; // its overload episodes come this much earlier in the minute
    int nominalCurrent;   // the configuration's z_inom_a, tenths of an ampere
    int fieldBusAddress;  // sp_uaddr
    const char* site;     // oust_text
};

// By place on the line; places beyond the table start it again with a past of their own.
inline constexpr std::array<Variety, 4> Varieties = {{
    {1.0, 0, 0, 150, 1, ""},
    {0.7, 4, 15000, 110, 2, "Насос 2"},
    {0.45, -5, 30000, 75, 3, "Вентилятор 3"},
    {0.85, 2, 7000, 130, 4, "Компрессор 4"},
}};

const Variety& varietyAt(int place);
// The configuration block the relay at that place starts with: the configuration page's
// start-up values with its own nominal current, field-bus address and site.
QByteArray startBlock(int place);

} // namespace kliv::sim
