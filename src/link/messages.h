#pragma once

#include "link/job.h"
#include "link/message.h"
#include "link/port.h"

#include <QString>

// Every text and caption that the tool's boxes and the command-line front end show,
// kept in one place so both say exactly the same.
namespace kliv::msg {

Message noReply();         // "Устройство не отвечает! ..."
Message noPortFound();     // "Не найден СОМ-порт!"
Message portOpenFailed();  // "Ошибка открытия порта !"
Message protectionReset(); // "Защита сброшена!"
Message clockSet();        // "Корректировка выполнена!"
Message deviceLost();      // the line vanished while open (unplugged adapter)

// The box for a job that ended without its result, with its plain explanation: the
// job's own words where it has them, else those of the reason.
struct Report {
    Message message;
    QString detail;
};
Report forFailure(const Job* job, Failure reason, const QString& detail);

// Plain words for why a port did not open or was lost (shown beside the boxes).
QString openErrorDetail(OpenError error, const QString& port, const QString& system);
QString lostDetail(const QString& port, const QString& system);

} // namespace kliv::msg
