#include "texts/livecsv.h"

#include "files/liverecord.h"
#include "texts/protections.h"
#include "texts/statustext.h"

namespace kliv::liverecord {

namespace {

// One numeric column: its header and how a record gives its value, as a mantissa with a
// number of decimals.
struct Column {
    const char* name;
    int decimals;
    qint64 (*value)(const LiveStatus&);
};

const Column Columns[] = {
    {"Ua, В", 0, [](const LiveStatus& s) { return qint64(s.ua); }},
    {"Ub, В", 0, [](const LiveStatus& s) { return qint64(s.ub); }},
    {"Uc, В", 0, [](const LiveStatus& s) { return qint64(s.uc); }},
    {"Ia, А", 1, [](const LiveStatus& s) { return qint64(s.ia); }},
    {"Ib, А", 1, [](const LiveStatus& s) { return qint64(s.ib); }},
    {"Ic, А", 1, [](const LiveStatus& s) { return qint64(s.ic); }},
    {"Iут, А", 1, [](const LiveStatus& s) { return qint64(s.idif); }},
    {"cos f", 2, [](const LiveStatus& s) { return qRound64(status::cosValue(s.cosf) * 100); }},
    {"Uasm, %", 0, [](const LiveStatus& s) { return qint64(s.uasm); }},
    {"Iasm, %", 0, [](const LiveStatus& s) { return qint64(s.iasm); }},
    {"Кр.перег.", 1, [](const LiveStatus& s) { return qint64(s.overload); }},
    {"P, кВт", 1, [](const LiveStatus& s) { return qint64(s.power); }},
    {"Wа, кВтч", 6, [](const LiveStatus& s) { return qint64(s.energy); }},
    {"Наработка, с", 0, [](const LiveStatus& s) { return qint64(s.running); }},
};

QString number(qint64 mantissa, int decimals, const NumberLocale& loc) {
    if (decimals == 0)
        return QString::number(mantissa);
    QString pattern = QStringLiteral("0.") + QString(decimals, QLatin1Char('0'));
    return numfmt::format(mantissa, decimals, pattern, loc);
}

QString state(const LiveStatus& s, int bit) {
    if (s.operatedBits & (1 << bit))
        return QStringLiteral("сработала");
    if (s.conditionBits & (1 << bit))
        return QStringLiteral("пуск");
    return QStringLiteral("в норме");
}

} // namespace

QString header() {
    QStringList h{QStringLiteral("Время")};
    for (const Column& c : Columns)
        h << QString::fromUtf8(c.name);
    h << equipment() << insulation();
    for (const protections::Protection& p : protections::All) {
        const QString name = QString::fromUtf8(p.eventName);
        h << name + QStringLiteral(", таймер, с") << name + stateSuffix();
    }
    return h.join(u';') + lineEnd();
}

QString row(const QDateTime& at, const LiveStatus& s, const NumberLocale& loc) {
    QStringList r{at.toString(timeFormat())};
    for (const Column& c : Columns)
        r << number(c.value(s), c.decimals, loc);
    r << (s.stateBits & 1 ? QStringLiteral("вкл.") : QStringLiteral("выкл."))
      << (s.stateBits & 4 ? QStringLiteral("неисправна") : QStringLiteral("норма"));
    for (const protections::Protection& p : protections::All)
        r << number(s.timers[std::size_t(p.bit)], 1, loc) << state(s, p.bit);
    return r.join(u';') + lineEnd();
}

files::RowFormat format(const NumberLocale& loc) {
    return {header(), [loc](const QDateTime& at, const LiveStatus& s) { return row(at, s, loc); }};
}

} // namespace kliv::liverecord
