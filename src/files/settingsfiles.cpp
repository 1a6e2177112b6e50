#include "files/settingsfiles.h"

#include "files/wholefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

namespace kliv::files {

LoadedSettings loadSettings(const QString& path, const Configuration& base) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {file.errorString(), {}};
    const QByteArray bytes = file.read(MaxSettingsBytes + 1);
    if (bytes.size() > MaxSettingsBytes)
        return {QStringLiteral("Файл больше %1 байт: это не файл настроек.").arg(MaxSettingsBytes),
                {}};
    return {{}, settings::decode(bytes, base)};
}

settings::Header headerNow(int serial, const QString& firmware) {
    settings::Header h;
    h.serial = serial;
    h.firmware = firmware;
    h.saved = QDateTime::currentDateTime();
    h.tool = QCoreApplication::applicationVersion();
    return h;
}

QString saveSettings(const QString& path, const settings::Header& header, const Configuration& c) {
    return writeWhole(path, settings::encode(header, c));
}

} // namespace kliv::files
