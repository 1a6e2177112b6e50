// kliv-cli's live status output: the status command's lines, the poll's line and the JSON
// for scripts, each field in its own place.

#include "common/livesamples.h"
#include "liveoutput.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>
#include <algorithm>

using namespace kliv;

namespace {

const NumberLocale Comma{QLatin1Char(','), QChar(0x00A0)};

LiveStatus sample() {
    return test::liveSample();
}

// The value of the status command's line that starts with `label`; values start in
// column 27.
QString valueOf(const LiveStatus& s, const QString& label) {
    const QStringList lines = cli::liveText(s, Comma).split(QLatin1Char('\n'));
    const auto line = std::find_if(lines.cbegin(), lines.cend(), [&label](const QString& l) {
        return l.startsWith(label + QLatin1Char(' '));
    });
    return line == lines.cend() ? QStringLiteral("(no line %1)").arg(label) : line->mid(26);
}

} // namespace

class TestLiveOutput : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void pollLine();
    void textLines_data();
    void textLines();
    void stateAndCos_data();
    void stateAndCos();
    void jsonValues();
};

void TestLiveOutput::pollLine() {
    QCOMPARE(cli::liveLine(sample(), Comma),
             QStringLiteral("09:05:07 U 380/381/4660 В  I 99,9/100/101 А  Iут 1,2  cos 0,85  "
                            "P 45,6 кВт  защита 20"));
}

void TestLiveOutput::textLines_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");
    QTest::newRow("date and time") << "Дата/время:"
                                   << "06.12.2026г. 09:05:07";
    QTest::newRow("Ia") << "Ia, А:"
                        << "99,9";
    QTest::newRow("Ib") << "Ib, А:"
                        << "100";
    QTest::newRow("Ic") << "Ic, А:"
                        << "101";
    QTest::newRow("Uasm") << "Uasm, %:"
                          << "3";
    QTest::newRow("Iasm") << "Iasm, %:"
                          << "4";
    QTest::newRow("overload") << "Кр.перег.:"
                              << "1,1";
    QTest::newRow("Umin picking up") << "Umin:"
                                     << "25,5 сек  пуск";
    QTest::newRow("Umax quiet") << "Umax:"
                                << "0,1 сек";
    QTest::newRow("idle, two-byte timer") << "Хол. ход:"
                                          << "123 сек";
    QTest::newRow("overload picking up and operated") << "Iвтз:"
                                                      << "4398 сек  пуск  сработала";
    QTest::newRow("leakage, the last timer") << "Iут.:"
                                             << "0,7 сек";
    QTest::newRow("protection") << "Защита:"
                                << "сработала";
    QTest::newRow("calibration") << "Калибровка:"
                                 << "-3";
    QTest::newRow("clock stopped") << "Остановка часов:"
                                   << "да";
}

void TestLiveOutput::textLines() {
    QFETCH(QString, label);
    QFETCH(QString, value);
    QCOMPARE(valueOf(sample(), label), value);
}

void TestLiveOutput::stateAndCos_data() {
    QTest::addColumn<int>("stateBits");
    QTest::addColumn<int>("cosf");
    QTest::addColumn<bool>("equipmentOn");
    QTest::addColumn<bool>("insulationFault");
    QTest::addColumn<double>("cos");
    QTest::addColumn<QString>("cosText");
    QTest::newRow("off, sound, lagging") << 0x00 << 0xD5 << false << false << 0.85 << "0,85";
    QTest::newRow("on, sound, leading") << 0x01 << 0x55 << true << false << -0.85 << "-0,85";
    QTest::newRow("off, insulation fault") << 0x04 << 0x80 << false << true << 0.0 << "0,00";
    QTest::newRow("on, insulation fault") << 0x05 << 0x64 << true << true << 1.0 << "1,00";
    QTest::newRow("every other bit") << 0xFA << 0x01 << false << false << -0.01 << "-0,01";
}

// The state bits and the sign of cos f, in the JSON and in the status command's lines.
void TestLiveOutput::stateAndCos() {
    QFETCH(int, stateBits);
    QFETCH(int, cosf);
    QFETCH(bool, equipmentOn);
    QFETCH(bool, insulationFault);
    QFETCH(double, cos);
    QFETCH(QString, cosText);
    LiveStatus s = sample();
    s.stateBits = quint8(stateBits);
    s.cosf = quint8(cosf);
    const QJsonObject o = cli::liveJson(s);
    QCOMPARE(o.value(QStringLiteral("equipmentOn")).toBool(), equipmentOn);
    QCOMPARE(o.value(QStringLiteral("insulationFault")).toBool(), insulationFault);
    QCOMPARE(o.value(QStringLiteral("cosf")).toDouble(), cos);
    QCOMPARE(valueOf(s, QStringLiteral("Оборуд.:")), equipmentOn ? "вкл." : "выкл.");
    QCOMPARE(valueOf(s, QStringLiteral("Изоляц.:")), insulationFault ? "неисправна" : "норма");
    QCOMPARE(valueOf(s, QStringLiteral("cos f:")), cosText);
}

// Plain numbers for scripts: amperes, seconds, kWh; one flag a protection, in bit order.
void TestLiveOutput::jsonValues() {
    const QJsonObject o = cli::liveJson(sample());
    QCOMPARE(o.value(QStringLiteral("ia")).toDouble(), 99.9);
    QCOMPARE(o.value(QStringLiteral("ib")).toDouble(), 100.0);
    QCOMPARE(o.value(QStringLiteral("ic")).toDouble(), 100.5);
    QCOMPARE(o.value(QStringLiteral("idif")).toDouble(), 1.2);
    QCOMPARE(o.value(QStringLiteral("overload")).toDouble(), 1.1);
    QCOMPARE(o.value(QStringLiteral("energy")).toDouble(), 1234.56789);
    QCOMPARE(o.value(QStringLiteral("running")).toInt(), 3725);
    const QJsonObject timers = o.value(QStringLiteral("timers")).toObject();
    QCOMPARE(timers.value(QStringLiteral("umin")).toDouble(), 25.5);
    QCOMPARE(timers.value(QStringLiteral("ihol")).toDouble(), 123.4);
    QCOMPARE(timers.value(QStringLiteral("idif")).toDouble(), 0.7);
    const QJsonArray pickingUp{true, false, false, false, false, true, false, false};
    const QJsonArray operated{false, false, false, false, false, true, false, false};
    QCOMPARE(o.value(QStringLiteral("pickingUp")).toArray(), pickingUp);
    QCOMPARE(o.value(QStringLiteral("operated")).toArray(), operated);
    const QJsonObject clock = o.value(QStringLiteral("clock")).toObject();
    QCOMPARE(clock.value(QStringLiteral("calibration")).toInt(), -3);
    QCOMPARE(clock.value(QStringLiteral("stopped")).toBool(), true);
}

QTEST_GUILESS_MAIN(TestLiveOutput)
#include "tst_liveoutput.moc"
