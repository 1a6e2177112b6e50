#include "texts/accountingtexts.h"

#include "texts/statustext.h"

#include <QDate>
#include <QTime>

namespace kliv::accounting {

namespace {

constexpr int Century = 2000;

QString twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

QString energyText(quint64 millionths, const NumberLocale& loc) {
    return numfmt::format(qint64(tenthsOfKwh(millionths)), 1, u"000000.0", loc);
}

QString startText(const AccountingRecord& r) {
    const QLatin1Char colon(':');
    return twoDigits(r.startDay) + QLatin1Char('.') + twoDigits(r.startMonth) +
           QStringLiteral(".20") + twoDigits(r.startYear) + QStringLiteral("г/") +
           twoDigits(r.startHours) + colon + twoDigits(r.startMinutes) + colon +
           twoDigits(r.startSeconds);
}

AccountingTexts texts(const AccountingRecord& r, const NumberLocale& loc) {
    AccountingTexts t;
    t.start = startText(r);
    t.running = status::runningTimeText(r.runningSeconds);
    t.switchOns = QString::number(r.switchOns);
    t.trips = QString::number(r.trips);
    t.energy = energyText(r.energy, loc);
    return t;
}

QJsonObject json(const AccountingRecord& r) {
    // The relay's clock keeps no zone, so neither does the text.
    const QDate d(Century + r.startYear, r.startMonth, r.startDay);
    const QTime t(r.startHours, r.startMinutes, r.startSeconds);
    const bool valid = r.startYear < 100 && d.isValid() && t.isValid();
    return {
        {QStringLiteral("runningSeconds"), qint64(r.runningSeconds)},
        {QStringLiteral("switchOns"), r.switchOns},
        {QStringLiteral("trips"), r.trips},
        {QStringLiteral("energyKwh"), double(tenthsOfKwh(r.energy)) / 10.0},
        {QStringLiteral("start"),
         valid ? QJsonValue(d.toString(Qt::ISODate) + QLatin1Char('T') + t.toString(Qt::ISODate))
               : QJsonValue()},
    };
}

} // namespace kliv::accounting
