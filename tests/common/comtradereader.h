#pragma once

// A reader of COMTRADE records (IEEE C37.111-1999) written from the standard's text, to
// check what the tool writes: every configuration field is read and held to its rules,
// and the ASCII data file's rows to the configuration.

#include <QDateTime>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace kliv::test::comtrade {

struct Analog {
    int index = 0;
    QString id, phase, circuit, unit;
    double a = 0, b = 0, skew = 0;
    int min = 0, max = 0;
    double primary = 0, secondary = 0;
    QChar ps;
};

struct Config {
    QString station, device;
    int revision = 0;
    int total = 0, analogs = 0, digitals = 0;
    QList<Analog> channels;
    double lineFrequency = 0;
    QList<QPair<double, int>> rates; // samples a second, last sample number
    QDateTime first, trigger;
    QString fileType;
    double timeMultiplier = 0;
};

struct Row {
    int n = 0;
    qint64 timestamp = 0;
    QList<int> values;
};

// Empty when the text follows the standard, else the first rule it breaks.
inline QString readConfig(const QString& text, Config& c) {
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.size() < 2 || !lines.last().isEmpty())
        return QStringLiteral("lines must end in CR LF");
    lines.removeLast();
    int at = 0;
    auto next = [&lines, &at]() -> QStringList {
        return at < lines.size() ? lines.at(at++).split(u',') : QStringList();
    };
    bool ok = true;
    auto number = [&ok](const QString& s) {
        bool good = false;
        const double v = s.toDouble(&good);
        ok = ok && good;
        return v;
    };
    QStringList f = next();
    if (f.size() != 3)
        return QStringLiteral("line 1: station_name,rec_dev_id,rev_year");
    c.station = f[0];
    c.device = f[1];
    c.revision = f[2].toInt(&ok);
    if (!ok || c.revision != 1999)
        return QStringLiteral("rev_year must be 1999");
    f = next();
    if (f.size() != 3 || !f[1].endsWith(u'A') || !f[2].endsWith(u'D'))
        return QStringLiteral("line 2: TT,##A,##D");
    c.total = f[0].toInt(&ok);
    c.analogs = ok ? f[1].chopped(1).toInt(&ok) : 0;
    c.digitals = ok ? f[2].chopped(1).toInt(&ok) : 0;
    if (!ok || c.total != c.analogs + c.digitals)
        return QStringLiteral("TT must be the sum of analog and digital channels");
    for (int i = 1; i <= c.analogs; ++i) {
        f = next();
        if (f.size() != 13)
            return QStringLiteral("analog channel %1: 13 fields").arg(i);
        Analog a;
        a.index = f[0].toInt(&ok);
        if (!ok || a.index != i)
            return QStringLiteral("analog channel %1: An must count from 1").arg(i);
        a.id = f[1];
        a.phase = f[2];
        a.circuit = f[3];
        a.unit = f[4];
        a.a = number(f[5]);
        a.b = number(f[6]);
        a.skew = number(f[7]);
        a.min = int(number(f[8]));
        a.max = int(number(f[9]));
        a.primary = number(f[10]);
        a.secondary = number(f[11]);
        if (!ok || a.id.isEmpty() || a.unit.isEmpty() || a.min > a.max || a.primary <= 0 ||
            a.secondary <= 0 || a.min < -99999 || a.max > 99999)
            return QStringLiteral("analog channel %1: a field out of its rules").arg(i);
        if (f[12].size() != 1 || (f[12] != QLatin1String("P") && f[12] != QLatin1String("S") &&
                                  f[12] != QLatin1String("p") && f[12] != QLatin1String("s")))
            return QStringLiteral("analog channel %1: PS must be P or S").arg(i);
        a.ps = f[12].at(0).toUpper();
        c.channels.append(a);
    }
    for (int i = 1; i <= c.digitals; ++i)
        if (next().size() != 5)
            return QStringLiteral("digital channel %1: 5 fields").arg(i);
    f = next();
    c.lineFrequency = f.size() == 1 ? number(f[0]) : (ok = false, 0.0);
    if (!ok)
        return QStringLiteral("line frequency");
    f = next();
    const int nrates = f.size() == 1 ? f[0].toInt(&ok) : (ok = false, 0);
    if (!ok || nrates < 0)
        return QStringLiteral("nrates");
    for (int i = 0; i < qMax(1, nrates); ++i) {
        f = next();
        if (f.size() != 2)
            return QStringLiteral("samp,endsamp");
        c.rates.append({number(f[0]), f[1].toInt(&ok)});
        if (!ok)
            return QStringLiteral("samp,endsamp");
    }
    const QString format = QStringLiteral("dd/MM/yyyy,HH:mm:ss.zzz");
    for (QDateTime* t : {&c.first, &c.trigger}) {
        const QString line = at < lines.size() ? lines.at(at++) : QString();
        // dd/mm/yyyy,hh:mm:ss.ssssss: microseconds, of which Qt reads the milliseconds.
        if (!QRegularExpression(
                 QStringLiteral("^\\d\\d/\\d\\d/\\d{4},\\d\\d:\\d\\d:\\d\\d\\.\\d{6}$"))
                 .match(line)
                 .hasMatch())
            return QStringLiteral("time stamp: dd/mm/yyyy,hh:mm:ss.ssssss");
        *t = QDateTime::fromString(line.chopped(3), format);
        if (!t->isValid())
            return QStringLiteral("time stamp not a date and time");
    }
    f = next();
    if (f.size() != 1 ||
        (f[0].toUpper() != QLatin1String("ASCII") && f[0].toUpper() != QLatin1String("BINARY")))
        return QStringLiteral("file type: ASCII or BINARY");
    c.fileType = f[0].toUpper();
    f = next();
    c.timeMultiplier = f.size() == 1 ? number(f[0]) : (ok = false, 0.0);
    if (!ok || c.timeMultiplier <= 0)
        return QStringLiteral("timemult");
    if (at != lines.size())
        return QStringLiteral("lines after timemult");
    return {};
}

// Empty when the ASCII data rows follow the configuration: sample numbers from 1 without a
// gap, time stamps a sample's time apart, one value a channel within its min and max.
inline QString readData(const QString& text, const Config& c, QList<Row>& rows) {
    const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const double rate = c.rates.isEmpty() ? 0 : c.rates.first().first;
    for (const QString& line : lines) {
        const QStringList f = line.split(u',');
        if (f.size() != 2 + c.total)
            return QStringLiteral("row %1: n,timestamp and a value a channel").arg(rows.size() + 1);
        Row r;
        bool ok = true, good = true;
        r.n = f[0].toInt(&ok);
        good = good && ok;
        r.timestamp = f[1].toLongLong(&ok);
        good = good && ok;
        for (int i = 2; i < f.size(); ++i) {
            r.values.append(f[i].toInt(&ok));
            good = good && ok;
        }
        if (!good)
            return QStringLiteral("row %1: not numbers").arg(rows.size() + 1);
        if (r.n != rows.size() + 1)
            return QStringLiteral("row %1: sample numbers must follow each other").arg(r.n);
        const double expected = (r.n - 1) * 1e6 / rate / c.timeMultiplier;
        if (rate > 0 && qAbs(r.timestamp - expected) > 1)
            return QStringLiteral("row %1: time stamp %2, not %3")
                .arg(r.n)
                .arg(r.timestamp)
                .arg(expected);
        for (int i = 0; i < c.analogs; ++i)
            if (r.values[i] < c.channels[i].min || r.values[i] > c.channels[i].max)
                return QStringLiteral("row %1: a value beyond its channel's range").arg(r.n);
        rows.append(r);
    }
    if (!c.rates.isEmpty() && rows.size() != c.rates.last().second)
        return QStringLiteral("%1 rows, endsamp %2").arg(rows.size()).arg(c.rates.last().second);
    return {};
}

} // namespace kliv::test::comtrade
