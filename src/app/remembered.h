#pragma once

#include <QLatin1String>
#include <QRect>
#include <QSettings>
#include <memory>

namespace kliv {

namespace model {
class Line;
}

// What the window remembers between runs, per user, each setting under a key of its own:
// in the system's own place for such settings, or in settings.ini in KLIV_DATA_DIR when
// that is set, as the change journal is.
std::unique_ptr<QSettings> rememberedSettings();

namespace key {
inline constexpr QLatin1String Port("line/port");
inline constexpr QLatin1String Serial("line/serial");
inline constexpr QLatin1String Speed("line/speed");
inline constexpr QLatin1String Retries("line/retries");
inline constexpr QLatin1String Geometry("window/geometry");
} // namespace key

// Earlier versions kept the settings under the names of their controls. Each such key
// is carried over once: its value goes under the new key, unless that holds one already,
// and the old key is removed.
void carryOverOldKeys(QSettings& settings);

// The line of the last run: the relay's number first (it presets the speed), then the
// speed, the port unless one was named on the command line, and the retries. From now on
// the line is kept for the next run.
void rememberLine(model::Line& line, bool portGiven);

// A remembered window place held to the screen's free area: no larger than it, and moved
// onto it, whatever the settings held (a window of 32 767 px, a place on a screen long
// gone).
QRect heldToScreen(const QRect& window, const QRect& available);

} // namespace kliv
