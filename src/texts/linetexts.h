#pragma once

#include "link/jobs/linescanjob.h"
#include "link/outcome.h"
#include "model/seriallist.h"
#include "protocol/status.h"
#include "texts/message.h"

#include <QString>

// The words of the line's windows and commands: the scan, the overview, the files of
// every relay.
namespace kliv::msg {

extern const QString LineCaption; // "Реле на линии"

// Why a list or range of serial numbers cannot be scanned; nothing is sent.
QString serialListProblem(const serials::ParsedList& list);
QString serialRangeProblem(int from, int to);

QString timeLeft(int ms); // "0:45", "12:05"
// "Проверено 120 из 900, осталось 0:39"
QString scanProgress(int probed, int total, int msLeft);
QString scanReadingVersions(); // while the versions are read
QString scanFinished(int found, bool stopped, int damaged = 0);
Message scanNothingFound(); // "Реле на линии не найдены."

QString versionText(const LineScanJob::Relay& relay); // the version, or why there is none
// Empty for a relay that answered its own number; else the number it answered.
QString strayNote(const LineScanJob::Relay& relay);
QString scanLine(const LineScanJob::Relay& relay); // kliv-cli scan: number, version, note
// A number whose answers came back damaged, and what that likely means.
QString damagedNote(const LineScanJob::Damaged& damaged);
QString damagedLine(const LineScanJob::Damaged& damaged); // kliv-cli scan: number, —, note

// The overview's row of a relay.
QString protectionWords(const LiveStatus& record); // "норма", "пуск: ...", "сработала: ..."
QString replyAge(qint64 ms);                       // "3 с"
QString silentMark();                              // "нет ответа"

// The files of every relay: one line a relay, then the count.
QString batchProgress(int serial, int index, int count); // "Реле № 601 (2 из 3)…"
QString batchLine(int serial, const QString& path, const Outcome* failure,
                  const QString& fileError);
QString batchNotTried(int serial);
Message batchSummary(int written, int total);

} // namespace kliv::msg
