#include "texts/settingsmessages.h"

namespace kliv::msg {

namespace {
const QString Settings = QStringLiteral("Файл настроек");
const QString Compare = QStringLiteral("Сравнение с реле");
const QString Undo = QStringLiteral("Возврат конфигурации");
} // namespace

Message settingsOpened(const QString& path) {
    return {Settings, QStringLiteral("Настройки загружены из файла %1").arg(path),
            Icon::Information};
}

Message settingsNotOpened(const QString& path) {
    return {Settings,
            QStringLiteral("Файл %1 не загружен! Конфигурация на странице не изменена.").arg(path),
            Icon::Error};
}

Message settingsSaved(const QString& path) {
    return {Settings, QStringLiteral("Настройки сохранены в файл %1").arg(path), Icon::Information};
}

Message settingsNotSaved(const QString& path) {
    return {Settings, QStringLiteral("Файл %1 не сохранен! Прежний файл не изменен.").arg(path),
            Icon::Error};
}

QString settingsMissingDetail(const QStringList& keys) {
    if (keys.isEmpty())
        return {};
    return QStringLiteral("В файле нет %1 параметр(ов): на странице оставлены прежние значения.")
               .arg(keys.size()) +
           QStringLiteral(" (") + keys.join(QStringLiteral(", ")) + u')';
}

QString otherSerialQuestion(int fileSerial, int relaySerial) {
    return QStringLiteral("Настройки в файле взяты из реле № %1, а запись пойдет в реле № %2! "
                          "Продолжить?")
        .arg(fileSerial)
        .arg(relaySerial);
}

Message configSame() {
    return {Compare, QStringLiteral("Конфигурация совпадает с конфигурацией реле"),
            Icon::Information};
}

Message nothingToUndo() {
    return {Undo,
            QStringLiteral("В журнале изменений нет записи конфигурации этого реле: вернуть "
                           "нечего"),
            Icon::Information};
}

Message undoNotExact() {
    return {Undo,
            QStringLiteral("Прежний блок конфигурации не может быть записан без изменений; "
                           "возврат отменен"),
            Icon::Error};
}

Message journalNotWritten() {
    return {QStringLiteral("Журнал изменений"),
            QStringLiteral("Запись в журнал изменений не удалась!"), Icon::Error};
}

} // namespace kliv::msg
