#pragma once

#include <QStringList>

// The items of the configuration page's drop-down lists as the page shows them, blanks
// included; the report copies them as they stand.
namespace kliv::config::items {

inline QStringList rs485Speeds() {
    return {QStringLiteral("   300"), QStringLiteral("   600"), QStringLiteral("  1200"),
            QStringLiteral("  2400"), QStringLiteral("  4800"), QStringLiteral("  9600"),
            QStringLiteral(" 14400"), QStringLiteral(" 19200"), QStringLiteral(" 38400"),
            QStringLiteral(" 57600"), QStringLiteral("115200")};
}

inline QStringList protocols() {
    return {QStringLiteral("ZVTBUS"), QStringLiteral("ZVTMBR")};
}

inline QStringList phases() {
    return {QStringLiteral("A/B/C"), QStringLiteral("   A/B"), QStringLiteral("   A/C"),
            QStringLiteral("       A")};
}

inline QStringList insulation() {
    return {QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("250"),
            QStringLiteral("500")};
}

} // namespace kliv::config::items
