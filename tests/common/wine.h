#pragma once

#include <QLibrary>

namespace kliv::test {

// Under Wine a COM port of the test run is the Linux simulator's pseudo-terminal, which
// cannot do all that a Windows serial driver does; the tests that need it say which part.
// Only Wine's ntdll exports wine_get_version.
inline bool underWine() {
    return QLibrary::resolve(QStringLiteral("ntdll"), "wine_get_version") != nullptr;
}

inline constexpr const char* WineSeesNoHangUp =
    "under Wine the other end of a pseudo-terminal closing shows only at the next write";
inline constexpr const char* WineSharesPorts =
    "Wine lets a second program open a COM port that another holds";
inline constexpr const char* WineLacksOddSpeeds =
    "Wine cannot set a speed the Linux terminal layer lacks (14400 baud) on a pseudo-terminal";

} // namespace kliv::test
