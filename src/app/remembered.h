#pragma once

#include <QSettings>
#include <memory>

namespace kliv {

// What the window remembers between runs, per user, each setting under the name of its
// control: in the system's own place for such settings, or in settings.ini in
// KLIV_DATA_DIR when that is set, as the change journal is.
std::unique_ptr<QSettings> rememberedSettings();

} // namespace kliv
