#include "common/livesamples.h"
#include "protocol/frame.h"
#include "protocol/status.h"
#include "texts/statustext.h"

#include <QTest>

using namespace kliv;

namespace {

const NumberLocale comma{QLatin1Char(','), QChar(0x00A0)};

LiveStatus sample() {
    return test::liveSample();
}

// The same record as the relay sends it.
const char* const SampleHex = "00"                            // selector
                              "87 05 09 01 06 12 26 03 80"    // clock block
                              "00 21 05 20"                   // spare, condition, state, operated
                              "01 7C 01 7D 12 34"             // Ua Ub Uc
                              "03 E7 03 E8 03 ED 00 0C"       // Ia Ib Ic Idif
                              "D5 03 04 0B"                   // cos, Uasm, Iasm, overload
                              "FF 01 02 04 D2 04 AB CD 06 07" // timers
                              "01 C8"                         // power
                              "00 49 96 02 D2"                // energy
                              "00 00 0E 8D";                  // running

QByteArray sampleBytes() {
    bool ok = false;
    const QByteArray b = frame::fromHex(QString::fromLatin1(SampleHex), &ok);
    Q_ASSERT(ok && b.size() == status::LiveRecordSize);
    return b;
}

} // namespace

class TestStatus : public QObject {
    Q_OBJECT

  private slots:
    void encodesKnownRecord() {
        QCOMPARE(frame::hex(status::encodeLive(sample())), frame::hex(sampleBytes()));
    }

    void decodesKnownRecord() {
        const auto s = status::decodeLive(sampleBytes());
        QVERIFY(s);
        QVERIFY(*s == sample());
    }

    void roundTripsExtremes() {
        LiveStatus s;
        s.ua = s.ub = s.uc = s.ia = s.ib = s.ic = s.idif = s.power = 0xFFFF;
        s.timers = {0xFF, 0xFF, 0xFF, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 0xFF};
        s.energy = (quint64(1) << 40) - 1;
        s.running = 0xFFFFFFFF;
        s.cosf = s.overload = 0xFF;
        s.clock = {59, 59, 23, 7, 31, 12, 99, false, 31, false};
        const QByteArray bytes = status::encodeLive(s);
        QCOMPARE(bytes.size(), status::LiveRecordSize);
        const auto back = status::decodeLive(bytes);
        QVERIFY(back);
        QVERIFY(*back == s);
    }

    // The simulated relay's timers are counted in 16 bits; a value past what a one-byte
    // field holds must show as its largest value, not wrap round to a small one.
    void timersSaturate_data() {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("field"); // the timer's bytes in the record
        QTest::newRow("Umin, largest one-byte value") << 0 << 255 << "FF";
        QTest::newRow("Umin, one past it") << 0 << 256 << "FF";
        QTest::newRow("Uasm, 100 s") << 2 << 1000 << "FF";
        QTest::newRow("Iasm, 25.6 s") << 4 << 256 << "FF";
        QTest::newRow("jam, largest 16-bit value") << 6 << 0xFFFF << "FF";
        QTest::newRow("leakage, 0x0101") << 7 << 0x0101 << "FF";
        QTest::newRow("idle, two bytes") << 3 << 0x1234 << "12 34";
        QTest::newRow("overload, two bytes") << 5 << 0xFFFF << "FF FF";
    }
    void timersSaturate() {
        QFETCH(int, timer);
        QFETCH(int, tenths);
        QFETCH(QString, field);
        constexpr int At[] = {32, 33, 34, 35, 37, 38, 40, 41};
        LiveStatus s = sample();
        s.timers[std::size_t(timer)] = quint16(tenths);
        const QByteArray bytes = status::encodeLive(s);
        QCOMPARE(frame::hex(bytes.mid(At[timer], field.size() / 3 + 1)), field);
        // The neighbours keep their own values.
        QCOMPARE(bytes.left(At[timer]), sampleBytes().left(At[timer]));
        const int after = At[timer] + field.size() / 3 + 1;
        QCOMPARE(bytes.mid(after), sampleBytes().mid(after));
    }

    void rejectsWhatIsNoRecord_data() {
        QTest::addColumn<QByteArray>("payload");
        const QByteArray good = sampleBytes();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one short") << good.left(status::LiveRecordSize - 1);
        QTest::newRow("waveform selector") << QByteArray(1, '\x01') + good.mid(1);
        QTest::newRow("calibration selector") << QByteArray(1, '\x04') + good.mid(1);
    }
    void rejectsWhatIsNoRecord() {
        QFETCH(QByteArray, payload);
        QVERIFY(!status::decodeLive(payload));
    }

    // A record of zeros reads as the empty record the page starts from.
    void zeroRecordIsTheEmptyRecord() {
        QByteArray zeros(status::LiveRecordSize, '\0');
        const auto s = status::decodeLive(zeros);
        QVERIFY(s);
        QVERIFY(*s == LiveStatus{});
        QVERIFY(status::decodeLive(status::encodeLive(LiveStatus{})) == LiveStatus{});
    }

    void acceptsLongerPayload() {
        const QByteArray longer = sampleBytes() + QByteArray(20, '\x55');
        const auto s = status::decodeLive(longer);
        QVERIFY(s);
        QVERIFY(*s == sample());
    }

    void cos_data() {
        QTest::addColumn<quint8>("byte");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("one, positive") << quint8(0xE4) << "1,00" << 1.0;
        QTest::newRow("one, negative") << quint8(0x64) << "1,00" << 1.0;
        QTest::newRow("positive") << quint8(0xD5) << "0,85" << 0.85;
        QTest::newRow("negative") << quint8(0x55) << "-0,85" << -0.85;
        QTest::newRow("zero, positive") << quint8(0x80) << "0,00" << 0.0;
        QTest::newRow("zero, negative") << quint8(0x00) << "0,00" << 0.0;
        QTest::newRow("above one") << quint8(0xFF) << "1,27" << 1.27;
    }
    void cos() {
        QFETCH(quint8, byte);
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(status::cosText(byte, comma), text);
        QCOMPARE(status::cosValue(byte), value);
    }

    void cosOneIgnoresLocale() {
        QCOMPARE(status::cosText(0xE4, NumberLocale::c()), QStringLiteral("1,00"));
        QCOMPARE(status::cosText(0xD5, NumberLocale::c()), QStringLiteral("0.85"));
    }

    void overload_data() {
        QTest::addColumn<quint8>("byte");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << quint8(0) << "---";
        QTest::newRow("nominal") << quint8(10) << "---";
        QTest::newRow("above nominal") << quint8(11) << "1,1";
        QTest::newRow("largest") << quint8(255) << "25,5";
    }
    void overload() {
        QFETCH(quint8, byte);
        QFETCH(QString, text);
        QCOMPARE(status::overloadText(byte, comma), text);
    }

    void current_data() {
        QTest::addColumn<quint16>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << quint16(0) << "0,0";
        QTest::newRow("below 100") << quint16(999) << "99,9";
        QTest::newRow("100") << quint16(1000) << "100";
        QTest::newRow("half goes up") << quint16(1005) << "101";
        QTest::newRow("largest") << quint16(0xFFFF) << "6554";
    }
    void current() {
        QFETCH(quint16, tenths);
        QFETCH(QString, text);
        QCOMPARE(status::currentText(tenths, comma), text);
    }

    void running_data() {
        QTest::addColumn<quint32>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << quint32(0) << "00000:00:00";
        QTest::newRow("hour") << quint32(3725) << "00001:02:05";
        QTest::newRow("just under 100 h") << quint32(359999) << "00099:59:59";
        QTest::newRow("10000 h") << quint32(36000000) << "10000:00:00";
        QTest::newRow("six digit hours") << quint32(0xFFFFFFFF) << "1193046:28:15";
    }
    void running() {
        QFETCH(quint32, seconds);
        QFETCH(QString, text);
        QCOMPARE(status::runningTimeText(seconds), text);
    }

    void energy_data() {
        QTest::addColumn<quint64>("millionths");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << quint64(0) << "000000,000";
        QTest::newRow("rounded up") << quint64(1234567890) << "001234,568";
        QTest::newRow("half") << quint64(500) << "000000,001";
        QTest::newRow("40 bits") << (quint64(1) << 40) - 1 << "1099511,628";
    }
    void energy() {
        QFETCH(quint64, millionths);
        QFETCH(QString, text);
        QCOMPARE(status::energyText(millionths, comma), text);
    }

    void textsOfKnownRecord() {
        const auto s = status::decodeLive(sampleBytes());
        QVERIFY(s);
        const LiveStatusTexts t = status::texts(*s, comma);
        QCOMPARE(t.ua, QStringLiteral("380"));
        QCOMPARE(t.uc, QStringLiteral("4660"));
        QCOMPARE(t.ia, QStringLiteral("99,9"));
        QCOMPARE(t.ib, QStringLiteral("100"));
        QCOMPARE(t.ic, QStringLiteral("101"));
        QCOMPARE(t.idif, QStringLiteral("1,2"));
        QCOMPARE(t.cosf, QStringLiteral("0,85"));
        QCOMPARE(t.uasm, QStringLiteral("3"));
        QCOMPARE(t.iasm, QStringLiteral("4"));
        QCOMPARE(t.overload, QStringLiteral("1,1"));
        const std::array<QString, 8> timers{"25,5", "0,1",  "0,2", "123",
                                            "0,4",  "4398", "0,6", "0,7"};
        QCOMPARE(t.timers, timers);
        QCOMPARE(t.power, QStringLiteral("45,6"));
        QCOMPARE(t.energy, QStringLiteral("001234,568"));
        QCOMPARE(t.running, QStringLiteral("00001:02:05"));
        QCOMPARE(t.time, QStringLiteral("09:05:07"));
        QCOMPARE(t.date, QStringLiteral("06.12.2026г."));
    }
};

QTEST_GUILESS_MAIN(TestStatus)
#include "tst_status.moc"
