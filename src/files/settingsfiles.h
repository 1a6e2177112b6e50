#pragma once

#include "files/settingsfile.h"

#include <QString>

// Settings files on disk, for the configuration page and kliv-cli alike.
namespace kliv::files {

// A settings file is a few kilobytes; anything far larger is not one (or never ends).
constexpr qint64 MaxSettingsBytes = 1 << 20;

struct LoadedSettings {
    QString error; // the file could not be read at all; else see decoded.errors
    settings::Decoded decoded;
};
// The file's fields over `base`, each checked; nothing is taken unless all can be.
LoadedSettings loadSettings(const QString& path, const Configuration& base);

// The header of a file this tool saves now, for relay `serial` (its firmware may be unknown).
settings::Header headerNow(int serial, const QString& firmware = {});

// Empty when the file was written whole, else the reason; an earlier file stays as it was.
QString saveSettings(const QString& path, const settings::Header& header, const Configuration& c);

} // namespace kliv::files
