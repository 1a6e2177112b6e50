#pragma once

#include <QRect>
#include <QSettings>
#include <memory>

namespace kliv {

// What the window remembers between runs, per user, each setting under the name of its
// control: in the system's own place for such settings, or in settings.ini in
// KLIV_DATA_DIR when that is set, as the change journal is.
std::unique_ptr<QSettings> rememberedSettings();

// A remembered window place held to the screen's free area: no larger than it, and moved
// onto it, whatever the settings held (a window of 32 767 px, a place on a screen long
// gone).
QRect heldToScreen(const QRect& window, const QRect& available);

} // namespace kliv
