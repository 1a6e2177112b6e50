#include "app/remembered.h"

#include <QDir>

namespace kliv {

std::unique_ptr<QSettings> rememberedSettings() {
    const QString dir = qEnvironmentVariable("KLIV_DATA_DIR");
    if (!dir.isEmpty())
        return std::make_unique<QSettings>(QDir(dir).filePath(QStringLiteral("settings.ini")),
                                           QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("kliv-service"),
                                       QStringLiteral("kliv-service"));
}

} // namespace kliv
