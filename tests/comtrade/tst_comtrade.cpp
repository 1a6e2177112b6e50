// Waveform snapshots as COMTRADE records, read back by a reader written from the standard:
// every configuration field, and data rows whose scaled values are the chart's own points.

#include "common/comtradereader.h"
#include "files/comtrade.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace kliv;
namespace reader = kliv::test::comtrade;

namespace {

WaveformStore randomStore(QRandomGenerator& rng) {
    WaveformStore s;
    for (auto* phases : {&s.voltage, &s.current})
        for (auto& phase : *phases)
            for (int& v : phase)
                v = int(rng.bounded(256));
    return s;
}

// The chart's value at sample n (1-based) of a channel, found by its position on the axis.
int chartValue(const std::array<QList<QPointF>, waveform::SeriesCount>& series, int channel,
               int n) {
    // File order Ua Ub Uc Ia Ib Ic; chart order Ua Ia Ub Ib Uc Ic.
    constexpr int ChartSeries[] = {0, 2, 4, 1, 3, 5};
    const int s = ChartSeries[channel];
    const double x = n + (s == 1 ? 1 : 0); // the phase A current trails by one position
    for (const QPointF& p : series[std::size_t(s)])
        if (p.x() == x && !(p.x() == 0))
            return int(p.y());
    return -1;
}

} // namespace

class TestComtrade : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void recordFollowsTheStandard();
    void valuesAreTheChartsPoints();
    void writtenAsAPair();
    void readerRefusesWhatBreaksTheStandard_data();
    void readerRefusesWhatBreaksTheStandard();
};

void TestComtrade::recordFollowsTheStandard() {
    comtrade::Snapshot s;
    s.serial = 601;
    s.at = QDateTime(QDate(2026, 12, 7), QTime(21, 41, 53, 123));
    reader::Config c;
    QCOMPARE(reader::readConfig(comtrade::cfgText(s), c), QString());
    QVERIFY(c.station.contains(QStringLiteral("601")));
    QVERIFY(!c.device.isEmpty());
    QCOMPARE(c.total, 6);
    QCOMPARE(c.analogs, 6);
    QCOMPARE(c.digitals, 0);
    const QStringList ids{"Ua", "Ub", "Uc", "Ia", "Ib", "Ic"};
    for (int i = 0; i < 6; ++i) {
        const reader::Analog& a = c.channels.at(i);
        QCOMPARE(a.id, ids.at(i));
        QCOMPARE(a.phase, QString(QChar(u"ABC"[i % 3])));
        QCOMPARE(a.unit, i < 3 ? QStringLiteral("V") : QStringLiteral("A"));
        QCOMPARE(a.a, 1.0);
        QCOMPARE(a.b, 0.0);
        QCOMPARE(a.skew, 0.0);
        QCOMPARE(a.min, 0);
        QCOMPARE(a.max, 255);
        QCOMPARE(a.primary, 1.0);
        QCOMPARE(a.secondary, 1.0);
        QCOMPARE(a.ps, QChar(u'S'));
    }
    QCOMPARE(c.lineFrequency, 50.0);
    QCOMPARE(c.rates.size(), 1);
    QCOMPARE(c.rates.first().first, 5000.0);
    QCOMPARE(c.rates.first().second, 100);
    QCOMPARE(c.first, s.at);
    QCOMPARE(c.trigger, s.at);
    QCOMPARE(c.fileType, QStringLiteral("ASCII"));
    QCOMPARE(c.timeMultiplier, 1.0);
}

// For stores of any samples, each row's values, times a plus b, are what the chart plots
// at that sample's position.
void TestComtrade::valuesAreTheChartsPoints() {
    QRandomGenerator rng(111);
    for (int round = 0; round < 50; ++round) {
        comtrade::Snapshot s;
        s.serial = 600;
        s.at = QDateTime::currentDateTime();
        s.samples = randomStore(rng);
        reader::Config c;
        QCOMPARE(reader::readConfig(comtrade::cfgText(s), c), QString());
        QList<reader::Row> rows;
        QCOMPARE(reader::readData(comtrade::datText(s), c, rows), QString());
        QCOMPARE(rows.size(), waveform::SampleCount);
        const auto chart = waveform::series(s.samples);
        for (const reader::Row& r : rows)
            for (int ch = 0; ch < 6; ++ch)
                QCOMPARE(int(c.channels[ch].a * r.values[ch] + c.channels[ch].b),
                         chartValue(chart, ch, r.n));
    }
}

// The pair lands beside each other under one base name, whichever extension was typed.
void TestComtrade::writtenAsAPair() {
    QTemporaryDir dir;
    comtrade::Snapshot s;
    s.at = QDateTime::currentDateTime();
    for (const QString& typed :
         {QStringLiteral("a"), QStringLiteral("b.cfg"), QStringLiteral("c.DAT")}) {
        QCOMPARE(comtrade::write(dir.filePath(typed), s), QString());
        const QString stem = dir.filePath(typed.section(u'.', 0, 0));
        QFile cfg(stem + QStringLiteral(".cfg")), dat(stem + QStringLiteral(".dat"));
        QVERIFY(cfg.open(QIODevice::ReadOnly) && dat.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(cfg.readAll()), comtrade::cfgText(s));
        QCOMPARE(QString::fromLatin1(dat.readAll()), comtrade::datText(s));
    }
    QVERIFY(!comtrade::write(dir.filePath(QStringLiteral("no/such/dir/x")), s).isEmpty());
}

// The reader is only a check if it fails a record that breaks a rule.
void TestComtrade::readerRefusesWhatBreaksTheStandard_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("inData");
    QTest::newRow("revision") << ",1999\r\n"
                              << ",1991\r\n"
                              << false;
    QTest::newRow("channel count") << "6,6A,0D"
                                   << "7,6A,0D" << false;
    QTest::newRow("PS flag") << ",1,1,S\r\n"
                             << ",1,1,X\r\n"
                             << false;
    QTest::newRow("time stamp") << ".123000"
                                << ".123" << false;
    QTest::newRow("file type") << "ASCII"
                               << "TEXT" << false;
    QTest::newRow("line ends") << "\r\n"
                               << "\n"
                               << false;
    QTest::newRow("sample number") << "\r\n3,"
                                   << "\r\n4," << true;
    QTest::newRow("time stamp of a row") << "2,200,"
                                         << "2,250," << true;
    QTest::newRow("value beyond the range") << "1,0,0,"
                                            << "1,0,256," << true;
}

void TestComtrade::readerRefusesWhatBreaksTheStandard() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, inData);
    comtrade::Snapshot s;
    s.at = QDateTime(QDate(2026, 12, 7), QTime(21, 41, 53, 123));
    QString cfg = comtrade::cfgText(s), dat = comtrade::datText(s);
    QString& broken = inData ? dat : cfg;
    QVERIFY2(broken.contains(from), qPrintable(from));
    broken.replace(broken.indexOf(from), from.size(), to);
    reader::Config c;
    const QString cfgProblem = reader::readConfig(cfg, c);
    QList<reader::Row> rows;
    const QString problem = cfgProblem.isEmpty() ? reader::readData(dat, c, rows) : cfgProblem;
    QVERIFY2(!problem.isEmpty(), "a broken record was read as good");
}

QTEST_APPLESS_MAIN(TestComtrade)
#include "tst_comtrade.moc"
