#include "link/messages.h"

#include "link/port.h"

namespace kliv::msg {

namespace {
const QString ExchangeCaption = QStringLiteral(" Вартон Ltd");
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

Report forFailure(const Job* job, Failure reason, const QString& detail) {
    if (job)
        if (const auto own = job->failureMessage(reason))
            return {*own, detail};
    switch (reason) {
    case Failure::NoAnswer:
        return {noReply(), detail};
    case Failure::LineLost:
        return {deviceLost(), detail};
    case Failure::PortNotOpened:
        return {portOpenFailed(), detail};
    case Failure::RefusedInput:
        return {{ExchangeCaption, detail, Icon::Error},
                QStringLiteral("Ничего не отправлено в устройство.")};
    case Failure::Cancelled:
        return {{ExchangeCaption, QStringLiteral("Операция прервана: начата другая операция."),
                 Icon::Information},
                detail};
    case Failure::Mismatch:
        return {{ExchangeCaption,
                 QStringLiteral("Устройство хранит не те данные, что были записаны!"), Icon::Error},
                detail};
    }
    return {noReply(), detail};
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

QString lostDetail(const QString& port, const QString& system) {
    QString t = QStringLiteral("Порт %1 закрыт: устройство отключено или не отвечает.").arg(port);
    if (!system.isEmpty())
        t += QStringLiteral(" (%1)").arg(system);
    return t;
}

} // namespace kliv::msg
