#include "texts/settingsmessages.h"

#include "texts/problemtexts.h"

#include "model/configschema.h"
#include "texts/configtexts.h"
#include "texts/messages.h"

namespace kliv::msg {

namespace {
const QString Settings = QStringLiteral("Файл настроек");
const QString Compare = QStringLiteral("Сравнение с реле");
const QString Undo = QStringLiteral("Возврат конфигурации");
constexpr int WarningsShown = 5;

// What a write changed: the fields whose values differ, else the bytes no field shows.
QString changedByWrite(const changes::ChangeRecord& w) {
    if (w.after.isEmpty())
        return QStringLiteral("Что она изменила, неизвестно: реле не ответило на нее.");
    QList<config::FieldDifference> changed =
        config::differences(config::decode(w.before), config::decode(w.after));
    if (changed.isEmpty())
        changed = config::byteDifferences(w.before, w.after);
    if (changed.isEmpty())
        return QStringLiteral("Она ничего не изменила.");
    QStringList labels;
    for (const config::FieldDifference& d : changed)
        labels << config::labelOf(d);
    // Labels hold commas of their own ("Umin, задержка").
    return QStringLiteral("Она изменила: ") + labels.join(QStringLiteral("; ")) + u'.';
}

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

QStringList settingsFileErrors(const settings::Decoded& decoded) {
    QStringList out = decoded.errors;
    for (const Problem& p : decoded.problems)
        out << p.key + QStringLiteral(" — ") + problemText(p, NumberLocale::c());
    return out;
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

Message journalNotWritten() {
    return {QStringLiteral("Журнал изменений"),
            QStringLiteral("Запись в журнал изменений не удалась!"), Icon::Error};
}

Message undoDamaged(int line) {
    return {Undo,
            QStringLiteral("Строка %1 журнала изменений повреждена, а она может быть последней "
                           "записью этого реле. Возврат отменен, в реле ничего не записано.")
                .arg(line),
            Icon::Error};
}

QString undoQuestion(const changes::ChangeRecord& write) {
    const QString what = write.job == QLatin1String(changes::CalibrationWrite)
                             ? QStringLiteral("автокалибровка")
                             : QStringLiteral("запись конфигурации");
    return QStringLiteral("Будет отменена %1 от %2. %3\nРеле получит конфигурацию, которую "
                          "хранило до нее.\n")
               .arg(what, write.time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                    changedByWrite(write)) +
           configWriteQuestion();
}

QString journalWarnings(const QStringList& warnings) {
    if (warnings.isEmpty())
        return {};
    QString text =
        QStringLiteral("В журнале изменений не прочитано строк: %1").arg(warnings.size());
    // The newest lines matter most: the undo works from the end of the journal.
    if (warnings.size() > WarningsShown)
        text += QStringLiteral("\n…");
    for (const QString& w : warnings.mid(warnings.size() - qMin(warnings.size(), WarningsShown)))
        text += QStringLiteral("\n") + w;
    return text;
}

} // namespace kliv::msg
