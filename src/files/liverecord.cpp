#include "files/liverecord.h"

#include <charconv>
#include <cmath>

namespace kliv::liverecord {

namespace {

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

QString timeFormat() {
    return QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
}
QString lineEnd() {
    return QStringLiteral("\r\n");
}
QString equipment() {
    return QStringLiteral("Оборудование");
}
QString insulation() {
    return QStringLiteral("Изоляция");
}
QString stateSuffix() {
    return QStringLiteral(", состояние");
}

bool holdsWords(QStringView name) {
    return name == equipment() || name == insulation() || name.endsWith(stateSuffix());
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
