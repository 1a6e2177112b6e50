#include "liveoutput.h"

#include "texts/statustext.h"

#include "texts/clocktexts.h"
#include "texts/protections.h"

#include <QJsonArray>
#include <QStringList>

namespace kliv::cli {

namespace {

QJsonArray bits(quint8 b) {
    QJsonArray a;
    for (int i = 0; i < 8; ++i)
        a.append(bool(b & (1 << i)));
    return a;
}

} // namespace

QString liveText(const LiveStatus& s, const NumberLocale& loc) {
    const LiveStatusTexts t = status::texts(s, loc);
    QStringList l;
    auto add = [&](const QString& label, const QString& value) {
        l.append(label.leftJustified(26) + value);
    };
    add(QStringLiteral("Дата/время:"), t.date + QLatin1Char(' ') + t.time);
    add(QStringLiteral("Ua, В:"), t.ua);
    add(QStringLiteral("Ub, В:"), t.ub);
    add(QStringLiteral("Uc, В:"), t.uc);
    add(QStringLiteral("Ia, А:"), t.ia);
    add(QStringLiteral("Ib, А:"), t.ib);
    add(QStringLiteral("Ic, А:"), t.ic);
    add(QStringLiteral("Iут, А:"), t.idif);
    add(QStringLiteral("Uasm, %:"), t.uasm);
    add(QStringLiteral("Iasm, %:"), t.iasm);
    add(QStringLiteral("cos f:"), t.cosf);
    add(QStringLiteral("Р, кВт:"), t.power);
    add(QStringLiteral("Кр.перег.:"), t.overload);
    for (int i = 0; i < 8; ++i) {
        const int bit = 1 << i;
        add(QString::fromUtf8(protections::All[std::size_t(i)].panelCaption),
            t.timers[size_t(i)] + QStringLiteral(" сек") +
                (s.conditionBits & bit ? QStringLiteral("  пуск") : QString()) +
                (s.operatedBits & bit ? QStringLiteral("  сработала") : QString()));
    }
    add(QStringLiteral("Оборуд.:"),
        s.stateBits & 1 ? QStringLiteral("вкл.") : QStringLiteral("выкл."));
    add(QStringLiteral("Изоляц.:"),
        s.stateBits & 4 ? QStringLiteral("неисправна") : QStringLiteral("норма"));
    add(QStringLiteral("Защита:"),
        s.operatedBits ? QStringLiteral("сработала") : QStringLiteral("норма"));
    add(QStringLiteral("Wа, кВтч:"), t.energy);
    add(QStringLiteral("Наработка об., (ч:м:с):"), t.running);
    add(QStringLiteral("Калибровка:"), QString::number(s.clock.calibration));
    add(QStringLiteral("Остановка часов:"),
        s.clock.stopped ? QStringLiteral("да") : QStringLiteral("нет"));
    add(QStringLiteral("Авт. перевод часов:"),
        s.clock.autoDst ? QStringLiteral("да") : QStringLiteral("нет"));
    return l.join(QLatin1Char('\n'));
}

QString liveLine(const LiveStatus& s, const NumberLocale& loc) {
    const LiveStatusTexts t = status::texts(s, loc);
    return QStringLiteral("%1 U %2/%3/%4 В  I %5/%6/%7 А  Iут %8  cos %9  P %10 кВт  защита %11")
        .arg(t.time, t.ua, t.ub, t.uc, t.ia, t.ib, t.ic, t.idif, t.cosf)
        .arg(t.power)
        .arg(QStringLiteral("%1").arg(s.operatedBits, 2, 16, QLatin1Char('0')).toUpper());
}

QJsonObject liveJson(const LiveStatus& s) {
    QJsonObject timers;
    for (int i = 0; i < 8; ++i)
        timers[QString::fromLatin1(protections::All[std::size_t(i)].key)] =
            s.timers[size_t(i)] / 10.0;
    QJsonObject clock{
        {QStringLiteral("date"), clock::dateText(s.clock)},
        {QStringLiteral("time"), clock::timeText(s.clock)},
        {QStringLiteral("dayOfWeek"), s.clock.dayOfWeek},
        {QStringLiteral("calibration"), s.clock.calibration},
        {QStringLiteral("stopped"), s.clock.stopped},
        {QStringLiteral("autoDst"), s.clock.autoDst},
    };
    return QJsonObject{
        {QStringLiteral("clock"), clock},
        {QStringLiteral("ua"), s.ua},
        {QStringLiteral("ub"), s.ub},
        {QStringLiteral("uc"), s.uc},
        {QStringLiteral("ia"), s.ia / 10.0},
        {QStringLiteral("ib"), s.ib / 10.0},
        {QStringLiteral("ic"), s.ic / 10.0},
        {QStringLiteral("idif"), s.idif / 10.0},
        {QStringLiteral("cosf"), status::cosValue(s.cosf)},
        {QStringLiteral("uasm"), s.uasm},
        {QStringLiteral("iasm"), s.iasm},
        {QStringLiteral("overload"), s.overload / 10.0},
        {QStringLiteral("timers"), timers},
        {QStringLiteral("power"), s.power / 10.0},
        {QStringLiteral("energy"), double(s.energy) / 1e6},
        {QStringLiteral("running"), qint64(s.running)},
        {QStringLiteral("pickingUp"), bits(s.conditionBits)},
        {QStringLiteral("operated"), bits(s.operatedBits)},
        {QStringLiteral("equipmentOn"), bool(s.stateBits & 1)},
        {QStringLiteral("insulationFault"), bool(s.stateBits & 4)},
    };
}

} // namespace kliv::cli
