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

QRect heldToScreen(const QRect& window, const QRect& available) {
    QRect held(window.topLeft(), window.size().boundedTo(available.size()));
    held.moveLeft(qBound(available.left(), held.left(), available.right() - held.width() + 1));
    held.moveTop(qBound(available.top(), held.top(), available.bottom() - held.height() + 1));
    return held;
}

} // namespace kliv
