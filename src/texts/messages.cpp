#include "texts/messages.h"

#include "texts/configtexts.h"
#include "texts/problemtexts.h"

#include "link/port.h"
#include "protocol/speeds.h"
#include "texts/configtexts.h"
#include "texts/speedtexts.h"

namespace kliv::msg {

const QString ExchangeCaption = QStringLiteral(" Вартон Ltd");

namespace {
const QString PortCaption = QStringLiteral("  Вартон Ltd");
} // namespace

Message noReply() {
    return {ExchangeCaption,
            QStringLiteral("Устройство не отвечает! Повторите попытку или обратитесь к "
                           "разработчику."),
            Icon::Error};
}

Message noPortFound() {
    return {PortCaption, QStringLiteral("Не найден СОМ-порт!"), Icon::Error};
}

Message portOpenFailed() {
    return {PortCaption, QStringLiteral("Ошибка открытия порта !"), Icon::Error};
}

Message protectionReset() {
    return {QStringLiteral("Сброс защиты"), QStringLiteral("Защита сброшена!"), Icon::Information};
}

Message clockSet() {
    return {QStringLiteral("Корректировка времени"), QStringLiteral("Корректировка выполнена!"),
            Icon::Information};
}

Message deviceLost() {
    return {PortCaption, QStringLiteral("Связь с портом потеряна!"), Icon::Error};
}

Message configRead() {
    return {QStringLiteral("Считывание конфигурации"), QStringLiteral("Конфигурация считана"),
            Icon::Information};
}

Message configWritten() {
    return {QStringLiteral("Запись конфигурации"), QStringLiteral("Конфигурация записана"),
            Icon::Information};
}

QString configWriteQuestion() {
    return QStringLiteral("Внимание данные конфигурации будут изменены! Продолжить?");
}

Message configWriteCancelled() {
    return {QStringLiteral("Запись конфиурации"), QStringLiteral("Запись конфигурации отменена"),
            Icon::Information};
}

Message zeroCoefficient() {
    return {
        ExchangeCaption,
        QStringLiteral("Запись конфигурации отменена! Калибровочные коэффициенты не корректны!"),
        Icon::Error};
}

QString zeroCoefficientDetail(const QString& label) {
    return QStringLiteral("%1: 0").arg(label);
}

Message templateMissing() {
    return {ExchangeCaption, QStringLiteral("Не найден шаблон !"), Icon::Error};
}

Message reportSaved() {
    return {ExchangeCaption, QStringLiteral("Протокол сохранен !"), Icon::Information};
}

Message reportNotSaved() {
    return {ExchangeCaption, QStringLiteral("Протокол не сохранен!"), Icon::Error};
}

namespace {

Message failed(const QString& text) {
    return {ExchangeCaption, text, Icon::Error};
}

QString differencesText(const QList<config::FieldDifference>& differences) {
    if (differences.isEmpty())
        return QStringLiteral("Устройство не подтвердило запись конфигурации.");
    QStringList lines;
    for (const config::FieldDifference& d : differences)
        lines.append(config::differenceText(d, NumberLocale::system()));
    return lines.join(u'\n');
}

} // namespace

Report refused(const QStringList& problems) {
    return {failed(problems.join(u'\n')), QStringLiteral("Ничего не отправлено в устройство.")};
}

QString failureDetail(const Outcome& o) {
    switch (o.reason) {
    case Failure::NoAnswer:
    case Failure::Cancelled:
        break;
    case Failure::LineLost:
        return lostDetail(o.port);
    case Failure::PortNotOpened:
        return o.port.isEmpty() ? noPortFound().text
                                : openErrorDetail(o.openError, o.port, o.systemText);
    case Failure::RefusedInput:
        return problemTexts(o.problems, NumberLocale::system()).join(u'\n');
    case Failure::Mismatch:
        return differencesText(o.differences);
    case Failure::ShortReply:
        return QStringLiteral("Ответ устройства: %1 байт вместо %2.")
            .arg(o.replyLength)
            .arg(o.expectedLength);
    }
    return {};
}

Report forFailure(const Outcome& o) {
    const QString detail = failureDetail(o);
    switch (o.reason) {
    case Failure::NoAnswer:
        if (o.task == Task::Search)
            return {searchNotFound(), detail};
        if (o.task == Task::Rs485Speed)
            return {rs485Stopped(), detail};
        return {noReply(), detail};
    case Failure::LineLost:
        return {deviceLost(), detail};
    case Failure::PortNotOpened:
        return {portOpenFailed(), detail};
    case Failure::RefusedInput:
        if (o.task == Task::Calibration)
            return {calibrationRefused(), detail};
        return refused(problemTexts(o.problems, NumberLocale::system()));
    case Failure::Cancelled:
        if (o.task == Task::Search)
            return {searchStopped(), detail};
        return {{ExchangeCaption, QStringLiteral("Операция прервана: начата другая операция."),
                 Icon::Information},
                detail};
    case Failure::Mismatch:
        return {failed(QStringLiteral("Устройство хранит не те данные, что были записаны!")),
                detail};
    case Failure::ShortReply:
        return {failed(QStringLiteral("Ответ устройства короче ожидаемого! Повторите попытку.")),
                detail};
    }
    return {noReply(), detail};
}

QString repeatLine(int kind, int attempt, int of) {
    const QString head = QStringLiteral("Ответа нет, запрос вида %1 отправлен снова").arg(kind);
    return of > 0 ? head + QStringLiteral(" (попытка %1 из %2)").arg(attempt).arg(of) : head;
}

QString openErrorDetail(OpenError error, const QString& port, const QString& system) {
    switch (error) {
    case OpenError::NotFound:
        return QStringLiteral("Порт %1 не найден. Проверьте, подключен ли адаптер.").arg(port);
    case OpenError::Busy:
        return QStringLiteral("Порт %1 занят другой программой.").arg(port);
    case OpenError::Permission:
        return QStringLiteral("Нет прав доступа к порту %1. Добавьте пользователя в группу "
                              "dialout (sudo usermod -aG dialout $USER) и войдите в систему "
                              "заново.")
            .arg(port);
    case OpenError::None:
    case OpenError::Other:
        break;
    }
    return system.isEmpty() ? QStringLiteral("Порт %1 не открывается.").arg(port)
                            : QStringLiteral("Порт %1 не открывается: %2").arg(port, system);
}

QString lostDetail(const QString& port) {
    return QStringLiteral("Порт %1 закрыт: устройство отключено или не отвечает.").arg(port);
}

Message protocolRead() {
    return {QStringLiteral("Считывание протокола"), QStringLiteral("Протокол считан!"),
            Icon::Information};
}

Message accountingRead() {
    return {QStringLiteral("Считывание учетной записи"), QStringLiteral("Учетная запись считана!"),
            Icon::Information};
}

Message accountingResetQuestion() {
    return {ExchangeCaption, QStringLiteral("Внимание учетная запись будет обнулена! Продолжить?"),
            Icon::Question};
}

Message accountingResetCancelled() {
    return {QStringLiteral("Обнуление учетной записи"),
            QStringLiteral("Обнуление учетной записи отменено"), Icon::Information};
}

Message accountingReset() {
    return {QStringLiteral("Обнуление учетной записи"), QStringLiteral("Учетная запись обнулена!"),
            Icon::Information};
}

Message csvSaved(const QString& path) {
    return {QStringLiteral("Сохранение в CSV"),
            QStringLiteral("Протокол сохранен в файл %1").arg(path), Icon::Information};
}

Message csvNotSaved(const QString& path) {
    return {QStringLiteral("Сохранение в CSV"), QStringLiteral("Файл %1 не сохранен!").arg(path),
            Icon::Error};
}

Message recordingStopped(const QString& path, qint64 written, qint64 received) {
    const QString text = QStringLiteral("Записано %1 из %2 полученных записей в файл %3")
                             .arg(written)
                             .arg(received)
                             .arg(path);
    return {QStringLiteral("Запись опроса"), text,
            written == received ? Icon::Information : Icon::Error};
}

Message recordingFailed(const QString& path) {
    return {QStringLiteral("Запись опроса"),
            QStringLiteral("Запись опроса в файл %1 прервана!").arg(path), Icon::Error};
}

QString recordingFailure(const files::Recording& r) {
    using P = files::Recording::Problem;
    switch (r.problem) {
    case P::None:
        break;
    case P::Write:
        return QStringLiteral("Ошибка записи: %1. В файле не больше %2 из %3 полученных записей.")
            .arg(r.error)
            .arg(r.written)
            .arg(r.received);
    case P::Gone:
        return QStringLiteral("Файл удален или заменен другим: записанное в него потеряно.");
    }
    return {};
}

Message recordingNotStarted(const QString& path) {
    return {QStringLiteral("Запись опроса"),
            QStringLiteral("Запись в файл %1 не начата!").arg(path), Icon::Error};
}

Message recordingNotRead(const QString& path) {
    return {QStringLiteral("Запись опроса"), QStringLiteral("Файл %1 не прочитан!").arg(path),
            Icon::Error};
}

Message snapshotSaved(const QString& base) {
    return {QStringLiteral("Снимок"), QStringLiteral("Снимок сохранен: %1.cfg и %1.dat").arg(base),
            Icon::Information};
}

Message snapshotNotSaved(const QString& base) {
    return {QStringLiteral("Снимок"), QStringLiteral("Снимок %1 не сохранен!").arg(base),
            Icon::Error};
}

Message snapshotNotYet() {
    return {QStringLiteral("Снимок"),
            QStringLiteral("Осциллограмма еще не получена: выберите фазы в «Просмотр» и "
                           "дождитесь ее на графике."),
            Icon::Information};
}

Message trafficSaved(const QString& path) {
    return {QStringLiteral("Обмен"), QStringLiteral("Обмен сохранен в файл %1").arg(path),
            Icon::Information};
}

Message trafficNotSaved(const QString& path) {
    return {QStringLiteral("Обмен"), QStringLiteral("Файл %1 не сохранен!").arg(path), Icon::Error};
}

Message rs485Question() {
    return {ExchangeCaption, QStringLiteral("Внимание скорость RS485 будет изменена! Продолжить?"),
            Icon::Question};
}

Message rs485Cancelled() {
    return {QStringLiteral("Установка скорости RS485"),
            QStringLiteral("Изменение скорости RS485 отменено"), Icon::Information};
}

Message rs485Changed() {
    return {QStringLiteral("Скорость установлена!"),
            QStringLiteral("Процесс изменения скорости RS485 успешно завершен!"),
            Icon::Information};
}

Message rs485Stopped() {
    return {QStringLiteral("Устройство не отвечает!"),
            QStringLiteral("Процесс изменения скорости RS485 остановлен!"), Icon::Information};
}

Message calibrationQuestion() {
    return {ExchangeCaption,
            QStringLiteral("Внимание данные калибровки будут изменены! Защита будет блокирована! "
                           "Продолжить?"),
            Icon::Question};
}

Message calibrationCancelled() {
    return {QStringLiteral("Автокалибровка"), QStringLiteral("Калибровка отменена"),
            Icon::Information};
}

Message calibrationDone() {
    return {QStringLiteral("Автокалибровка"),
            QStringLiteral("Внимание! Калибровка завершена. Защита заблокирована."),
            Icon::Information};
}

Message calibrationRefused() {
    return {QStringLiteral("Автокалибровка"),
            QStringLiteral("Калибровка не записана: коэффициенты устройства не изменены."),
            Icon::Error};
}

Message searchFound() {
    return {QString(), QStringLiteral("Процесс поиска завершен! Устройство найдено!"),
            Icon::Information};
}

Message searchNotFound() {
    return {QString(), QStringLiteral("Процесс поиска завершен! Устройство не обнаружено!"),
            Icon::Information};
}

Message searchStopped() {
    return {QString(), QStringLiteral("Процесс поиска остановлен!"), Icon::Information};
}

QString searchStatus(int speedIndex, int probe) {
    if (probe == 0)
        return QStringLiteral("Процесс:... ");
    return QStringLiteral("Процесс: ") + speeds::items().value(speedIndex) +
           QStringLiteral(" бод/сек   повтор №") + QString::number(probe);
}

QString searchFoundAt(int speedIndex) {
    return QStringLiteral("Найдено устройство: скорость ") + speeds::items().value(speedIndex) +
           QStringLiteral(" бод/сек");
}

} // namespace kliv::msg
