#include "protocol/liverecord.h"

#include "protocol/protections.h"
#include "protocol/statustext.h"

#include <charconv>
#include <cmath>

namespace kliv::liverecord {

namespace {

const QString LineEnd = QStringLiteral("\r\n");
const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
const QString Equipment = QStringLiteral("Оборудование");
const QString Insulation = QStringLiteral("Изоляция");
const QString StateSuffix = QStringLiteral(", состояние");

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

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return qint64(era) * 146097 + doe - 719468;
}

} // namespace

QString header() {
    QStringList h{QStringLiteral("Время")};
    for (const Column& c : Columns)
        h << QString::fromUtf8(c.name);
    h << Equipment << Insulation;
    for (const protections::Protection& p : protections::All) {
        const QString name = QString::fromUtf8(p.eventName);
        h << name + QStringLiteral(", таймер, с") << name + StateSuffix;
    }
    return h.join(u';') + LineEnd;
}

QString row(const QDateTime& at, const LiveStatus& s, const NumberLocale& loc) {
    QStringList r{at.toString(TimeFormat)};
    for (const Column& c : Columns)
        r << number(c.value(s), c.decimals, loc);
    r << (s.stateBits & 1 ? QStringLiteral("вкл.") : QStringLiteral("выкл."))
      << (s.stateBits & 4 ? QStringLiteral("неисправна") : QStringLiteral("норма"));
    for (const protections::Protection& p : protections::All)
        r << number(s.timers[std::size_t(p.bit)], 1, loc) << state(s, p.bit);
    return r.join(u';') + LineEnd;
}

bool holdsWords(QStringView name) {
    if (name == Equipment || name == Insulation)
        return true;
    if (!name.endsWith(StateSuffix))
        return false;
    name.chop(StateSuffix.size());
    for (const protections::Protection& p : protections::All)
        if (name == QString::fromUtf8(p.eventName))
            return true;
    return false;
}

std::optional<qint64> readTime(QByteArrayView f) {
    // yyyy-MM-ddTHH:mm:ss.zzz, read by hand: a recording of a day has millions of rows.
    static constexpr char Shape[] = "dddd-dd-ddTdd:dd:dd.ddd";
    if (f.size() != qsizetype(sizeof Shape - 1))
        return std::nullopt;
    for (qsizetype i = 0; i < f.size(); ++i)
        if (Shape[i] == 'd' ? (f[i] < '0' || f[i] > '9') : f[i] != Shape[i])
            return std::nullopt;
    auto at = [&f](int from, int digits) {
        int v = 0;
        for (int i = from; i < from + digits; ++i)
            v = v * 10 + (f[i] - '0');
        return v;
    };
    const int year = at(0, 4), month = at(5, 2), day = at(8, 2);
    const int hour = at(11, 2), minute = at(14, 2), second = at(17, 2), ms = at(20, 3);
    static constexpr int MonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > MonthDays[month - 1] + (month == 2 && leap) ||
        hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return ((daysFromCivil(year, month, day) * 24 + hour) * 60 + minute) * 60000 + second * 1000 +
           ms;
}

std::optional<double> readNumber(QByteArrayView f) {
    char text[64];
    if (f.isEmpty() || f.size() >= qsizetype(sizeof text))
        return std::nullopt;
    for (qsizetype i = 0; i < f.size(); ++i)
        text[i] = f[i] == ',' ? '.' : f[i];
    double v = 0;
    const auto [end, error] = std::from_chars(text, text + f.size(), v);
    if (error != std::errc() || end != text + f.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace kliv::liverecord
