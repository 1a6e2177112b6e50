#include "protocol/liverecord.h"

#include "protocol/protections.h"
#include "protocol/statustext.h"

#include <QRegularExpression>
#include <optional>

namespace kliv::liverecord {

namespace {

const QString LineEnd = QStringLiteral("\r\n");
const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");

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

std::optional<double> parseNumber(QString text, const NumberLocale& loc) {
    text.replace(loc.decimal, QLatin1Char('.'));
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace

QString header() {
    QStringList h{QStringLiteral("Время")};
    for (const Column& c : Columns)
        h << QString::fromUtf8(c.name);
    h << QStringLiteral("Оборудование") << QStringLiteral("Изоляция");
    for (const protections::Protection& p : protections::All) {
        const QString name = QString::fromUtf8(p.eventName);
        h << name + QStringLiteral(", таймер, с") << name + QStringLiteral(", состояние");
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

Trend read(const QByteArray& csv, const NumberLocale& loc) {
    Trend t;
    const QStringList lines = QString::fromUtf8(csv).split(
        QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return t;
    const QStringList names = lines.first().split(u';');
    // Every column whose first row reads as a number is a series; states stay out.
    QList<int> numeric;
    if (lines.size() > 1) {
        const QStringList first = lines.at(1).split(u';');
        for (int c = 1; c < names.size() && c < first.size(); ++c)
            if (parseNumber(first.at(c), loc)) {
                numeric << c;
                t.series.append({names.at(c), {}});
            }
    }
    for (int n = 1; n < lines.size(); ++n) {
        const QStringList fields = lines.at(n).split(u';');
        const QDateTime at = QDateTime::fromString(fields.value(0), TimeFormat);
        if (!at.isValid() || fields.size() != names.size()) {
            t.problems << QStringLiteral("строка %1 не прочитана").arg(n + 1);
            continue;
        }
        ++t.rows;
        for (int i = 0; i < numeric.size(); ++i)
            if (const auto v = parseNumber(fields.at(numeric.at(i)), loc))
                t.series[i].points.append({double(at.toMSecsSinceEpoch()), *v});
    }
    return t;
}

} // namespace kliv::liverecord
