#pragma once

#include "files/recording.h"
#include "link/outcome.h"
#include "link/port.h"
#include "texts/message.h"

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

// Caption of the exchange's questions and failures (one leading blank).
extern const QString ExchangeCaption;

Message configRead();    // "Конфигурация считана"
Message configWritten(); // "Конфигурация записана"
QString configWriteQuestion(); // "Внимание данные конфигурации будут изменены! ..."
Message configWriteCancelled(); // "Запись конфигурации отменена"
Message zeroCoefficient(); // "... Калибровочные коэффициенты не корректны!"
// The field that holds the zero, beside that box.
QString zeroCoefficientDetail(const QString& label);

// The protocol report.
Message templateMissing(); // "Не найден шаблон !"
Message reportSaved();     // "Протокол сохранен !"
Message reportNotSaved();  // the document's reason goes beside it

// The box for a job that ended without its result, with its plain explanation: the
// words of the job where it has its own (a search that found nothing), else those of
// the reason, with what the outcome holds beside them.
struct Report {
    Message message;
    QString detail;
};
Report forFailure(const Outcome& outcome);
// What the outcome holds, in words: the problems, the fields that differ, the port and
// why it failed; empty for a plain time-out or a job given way.
QString failureDetail(const Outcome& outcome);
// A value the tool refuses before anything is sent, each problem naming its field.
Report refused(const QStringList& problems);

// A request sent again because its answer did not come whole: `of` the tries in all, or 0
// for the poll's watchdog, which keeps its own schedule.
QString repeatLine(int kind, int attempt, int of);

// Plain words for why a port did not open or was lost (shown beside the boxes).
QString openErrorDetail(OpenError error, const QString& port, const QString& system);
// Without the system's text: at a hang-up that is whatever the last failed call left
// behind ("Resource temporarily unavailable", "No such file or directory"), which would
// only mislead.
QString lostDetail(const QString& port);

// The event log and the accounting record.
Message protocolRead();   // "Протокол считан!"
Message accountingRead(); // "Учетная запись считана!"
// "Внимание учетная запись будет обнулена! Продолжить?", a question.
Message accountingResetQuestion();
Message accountingResetCancelled(); // "Обнуление учетной записи отменено"
Message accountingReset();          // "Учетная запись обнулена!"
Message csvSaved(const QString& path);
// The poll's recording and its waveform snapshots.
Message recordingStopped(const QString& path, qint64 written, qint64 received);
// A recording that could not go on, whatever the counts: the box, and why beside it.
Message recordingFailed(const QString& path);
QString recordingFailure(const files::Recording& recording);
Message recordingNotStarted(const QString& path); // the reason goes beside it
Message recordingNotRead(const QString& path);    // the reason goes beside it
Message snapshotSaved(const QString& base);
Message snapshotNotSaved(const QString& base); // the reason goes beside it
Message snapshotNotYet();                      // no complete waveform has come yet
Message trafficSaved(const QString& path);
Message trafficNotSaved(const QString& path); // the reason goes beside it
Message csvNotSaved(const QString& path);     // the reason goes beside it

// The RS485 speed change and auto-calibration.
Message rs485Question(); // "Внимание скорость RS485 будет изменена! Продолжить?"
Message rs485Cancelled(); // "Изменение скорости RS485 отменено"
Message rs485Changed(); // "Процесс изменения скорости RS485 успешно завершен!"
Message rs485Stopped(); // no answer: "Процесс изменения скорости RS485 остановлен!"
Message calibrationQuestion(); // "Внимание данные калибровки будут изменены! ..."
Message calibrationCancelled(); // "Калибровка отменена"
Message calibrationDone(); // "Внимание! Калибровка завершена. Защита заблокирована."
Message calibrationRefused(); // nothing written; the channel's problem goes beside it

// The device search: its boxes, with an empty caption, and its progress line.
Message searchFound(); // "Процесс поиска завершен! Устройство найдено!"
Message searchNotFound(); // "Процесс поиска завершен! Устройство не обнаружено!"
Message searchStopped(); // "Процесс поиска остановлен!"
// The search's progress line: "Процесс:... " as it begins (probe 0), then the probe in
// flight at its speed as the speed list shows it, leading blanks included.
QString searchStatus(int speedIndex, int probe);
QString searchFoundAt(int speedIndex); // "Найдено устройство: скорость ..."

} // namespace kliv::msg
