#include "texts/linetexts.h"

#include "protocol/frame.h"
#include "texts/messages.h"
#include "texts/protections.h"

#include <QDir>
#include <QStringList>

namespace kliv::msg {

const QString LineCaption = QStringLiteral("Реле на линии");

QString serialListProblem(const serials::ParsedList& list) {
    using P = serials::ListProblem;
    switch (list.problem) {
    case P::None:
        break;
    case P::Empty:
        return QStringLiteral("Не указано ни одного заводского номера.");
    case P::NotANumber:
        return QStringLiteral("«%1» не заводской номер: номера разделяются запятыми.")
            .arg(list.item);
    case P::OutOfRange:
        return QStringLiteral("Заводской номер %1 вне пределов %2..%3.")
            .arg(list.item)
            .arg(frame::SerialMin)
            .arg(frame::SerialMax);
    case P::Repeated:
        return QStringLiteral("Заводской номер %1 указан дважды.").arg(list.item);
    }
    return {};
}

QString serialRangeProblem(int from, int to) {
    if (from < frame::SerialMin || to > frame::SerialMax)
        return QStringLiteral("Заводские номера должны быть от %1 до %2.")
            .arg(frame::SerialMin)
            .arg(frame::SerialMax);
    if (from > to)
        return QStringLiteral("Начальный номер %1 больше конечного %2.").arg(from).arg(to);
    return {};
}

QString timeLeft(int ms) {
    const int seconds = (qMax(0, ms) + 999) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString scanProgress(int probed, int total, int msLeft) {
    return QStringLiteral("Проверено %1 из %2, осталось %3")
        .arg(probed)
        .arg(total)
        .arg(timeLeft(msLeft));
}

QString scanReadingVersions() {
    return QStringLiteral("Чтение версий программы…");
}

QString scanFinished(int found, bool stopped, int damaged) {
    QString count = QStringLiteral("Найдено реле: %1").arg(found);
    if (damaged > 0)
        count += QStringLiteral(", номеров с искаженными ответами: %1").arg(damaged);
    return stopped ? QStringLiteral("Поиск остановлен. ") + count : count;
}

Message scanNothingFound() {
    return {LineCaption, QStringLiteral("Реле на линии не найдены."), Icon::Information};
}

QString versionText(const LineScanJob::Relay& relay) {
    if (!relay.versionRead)
        return QStringLiteral("нет ответа");
    return relay.version.isEmpty() ? QStringLiteral("(пусто)") : relay.version;
}

QString strayNote(const LineScanJob::Relay& relay) {
    if (relay.probed == relay.serial)
        return {};
    return QStringLiteral("ответ на запрос № %1").arg(relay.probed);
}

QString scanLine(const LineScanJob::Relay& relay) {
    QString line = QStringLiteral("%1\t%2").arg(relay.serial).arg(versionText(relay));
    if (const QString note = strayNote(relay); !note.isEmpty())
        line += u'\t' + note;
    return line;
}

QString damagedNote(const LineScanJob::Damaged& damaged) {
    return QStringLiteral("ответы искажены (%1): возможно, у двух реле номер %2")
        .arg(damaged.answers)
        .arg(damaged.serial);
}

QString damagedLine(const LineScanJob::Damaged& damaged) {
    return QStringLiteral("%1\t—\t%2").arg(damaged.serial).arg(damagedNote(damaged));
}

namespace {

QString named(quint8 bits) {
    QStringList names;
    for (const protections::Protection& p : protections::All)
        if (bits & (1u << p.bit))
            names << QString::fromUtf8(p.eventName);
    return names.join(QStringLiteral(", "));
}

} // namespace

QString protectionWords(const LiveStatus& s) {
    if (s.operatedBits)
        return QStringLiteral("сработала: ") + named(s.operatedBits);
    if (s.conditionBits)
        return QStringLiteral("пуск: ") + named(s.conditionBits);
    return QStringLiteral("норма");
}

QString replyAge(qint64 ms) {
    return QStringLiteral("%1 с").arg(qMax<qint64>(0, ms) / 1000);
}

QString silentMark() {
    return QStringLiteral("нет ответа");
}

QString batchProgress(int serial, int index, int count) {
    return QStringLiteral("Реле № %1 (%2 из %3)…").arg(serial).arg(index + 1).arg(count);
}

QString batchLine(int serial, const QString& path, const Outcome* failure,
                  const QString& fileError) {
    const QString file = QDir::toNativeSeparators(path);
    if (failure) {
        const Report r = forFailure(*failure);
        QString line = QStringLiteral("№ %1: %2").arg(serial).arg(r.message.text);
        if (!r.detail.isEmpty())
            line += u' ' + r.detail;
        return line;
    }
    if (!fileError.isEmpty())
        return QStringLiteral("№ %1: файл %2 не записан: %3").arg(serial).arg(file, fileError);
    return QStringLiteral("№ %1: %2").arg(serial).arg(file);
}

QString batchNotTried(int serial) {
    return QStringLiteral("№ %1: не опрошено").arg(serial);
}

Message batchSummary(int written, int total) {
    return {LineCaption, QStringLiteral("Сохранено файлов: %1 из %2.").arg(written).arg(total),
            written == total ? Icon::Information : Icon::Error};
}

} // namespace kliv::msg
