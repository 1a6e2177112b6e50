#pragma once

#include <QStringList>
#include <span>

// The items of the configuration page's drop-down lists as the page shows them, blanks
// included; the report copies them as they stand, messages name them without the blanks.
// The RS485 speeds are the line speeds (protocol/speeds.h) as the relay's list shows them.
namespace kliv::config::items {

inline constexpr const char* RelaySpeeds[] = {"   300", "   600", "  1200", "  2400",
                                              "  4800", "  9600", " 14400", " 19200",
                                              " 38400", " 57600", "115200"};
inline constexpr const char* Phases[] = {"A/B/C", "   A/B", "   A/C", "       A"};
inline constexpr const char* Protocols[] = {"ZVTBUS", "ZVTMBR"};
inline constexpr const char* Insulation[] = {"50", "100", "250", "500"};

inline QStringList list(std::span<const char* const> items) {
    QStringList out;
    for (const char* item : items)
        out << QString::fromLatin1(item);
    return out;
}

} // namespace kliv::config::items
