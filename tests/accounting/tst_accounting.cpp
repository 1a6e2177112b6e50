#include "common/hexbytes.h"
#include "protocol/accounting.h"
#include "protocol/frame.h"
#include "texts/accountingtexts.h"

#include <QJsonObject>
#include <QTest>

using namespace kliv;

using kliv::test::bytes;

namespace {

const NumberLocale comma{QLatin1Char(','), QChar(0x00A0)};

// 3725 s, 12 switch-ons, 3 trips, 123 456 789 millionths, since 05.03.2009 14:22:07.
const char* const SampleHex = "00 00 0E 8D 00 0C 00 03 00 07 5B CD 15 07 22 14 05 03 09";

AccountingRecord sample() {
    AccountingRecord r;
    r.runningSeconds = 3725;
    r.switchOns = 12;
    r.trips = 3;
    r.energy = 123456789;
    r.startSeconds = 7;
    r.startMinutes = 22;
    r.startHours = 14;
    r.startDay = 5;
    r.startMonth = 3;
    r.startYear = 9;
    return r;
}

} // namespace

class TestAccounting : public QObject {
    Q_OBJECT

  private slots:
    void knownRecord() {
        QVERIFY(accounting::decode(bytes(SampleHex)) == sample());
        QCOMPARE(frame::hex(accounting::encode(sample())), frame::hex(bytes(SampleHex)));
        const AccountingTexts t = accounting::texts(sample(), comma);
        QCOMPARE(t.start, QStringLiteral("05.03.2009г/14:22:07"));
        QCOMPARE(t.running, QStringLiteral("00001:02:05"));
        QCOMPARE(t.switchOns, QStringLiteral("12"));
        QCOMPARE(t.trips, QStringLiteral("3"));
        QCOMPARE(t.energy, QStringLiteral("000123,4"));
    }

    void extremesRoundTrip() {
        AccountingRecord r;
        r.runningSeconds = 0xFFFFFFFF;
        r.switchOns = r.trips = 0xFFFF;
        r.energy = (quint64(1) << 40) - 1;
        r.startSeconds = r.startMinutes = 59;
        r.startHours = 23;
        r.startDay = 31;
        r.startMonth = 12;
        r.startYear = 99;
        const QByteArray b = accounting::encode(r);
        QCOMPARE(b.size(), accounting::RecordSize);
        QVERIFY(accounting::decode(b) == r);
        const AccountingTexts t = accounting::texts(r, comma);
        QCOMPARE(t.switchOns, QStringLiteral("65535"));
        QCOMPARE(t.trips, QStringLiteral("65535"));
        QCOMPARE(t.running, QStringLiteral("1193046:28:15"));
        QCOMPARE(t.energy, QStringLiteral("1099511,6"));
    }

    void running_data() {
        QTest::addColumn<QByteArray>("field"); // bytes 0..3
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << bytes("00 00 00 00") << "00000:00:00";
        QTest::newRow("59 s") << bytes("00 00 00 3B") << "00000:00:59";
        QTest::newRow("3725 s") << bytes("00 00 0E 8D") << "00001:02:05";
        QTest::newRow("10000 h") << bytes("02 25 51 00") << "10000:00:00";
        QTest::newRow("largest") << bytes("FF FF FF FF") << "1193046:28:15";
    }
    void running() {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QByteArray payload = bytes(SampleHex);
        payload.replace(0, 4, field);
        QCOMPARE(accounting::texts(accounting::decode(payload), comma).running, text);
    }

    void energy_data() {
        QTest::addColumn<QByteArray>("field"); // bytes 8..12
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << bytes("00 00 00 00 00") << "000000,0";
        QTest::newRow("99 999 is not rounded up") << bytes("00 00 01 86 9F") << "000000,0";
        QTest::newRow("100 000") << bytes("00 00 01 86 A0") << "000000,1";
        QTest::newRow("123 456 789") << bytes("00 07 5B CD 15") << "000123,4";
        QTest::newRow("cut, not rounded") << bytes("00 00 0F 41 D3") << "000000,9"; // 999 891
        QTest::newRow("seven digits") << bytes("FF FF FF FF FF") << "1099511,6";
    }
    void energy() {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QByteArray payload = bytes(SampleHex);
        payload.replace(8, 5, field);
        QCOMPARE(accounting::texts(accounting::decode(payload), comma).energy, text);
    }

    void energyFollowsTheLocale() {
        QCOMPARE(accounting::energyText(123456789, NumberLocale::c()), QStringLiteral("000123.4"));
    }

    // A count past the record's 40 bits, as the simulated relay's counter can reach: what is
    // shown and written is what the field carries.
    void energyKeepsItsFortyBits() {
        const quint64 past = (quint64(1) << 40) + 123456789;
        QCOMPARE(accounting::energyText(past, comma), QStringLiteral("000123,4"));
        AccountingRecord r = sample();
        r.energy = past;
        QCOMPARE(accounting::json(r).value("energyKwh").toDouble(), 123.4);
        QCOMPARE(accounting::decode(accounting::encode(r)).energy, quint64(123456789));
    }

    void start_data() {
        QTest::addColumn<QByteArray>("field"); // bytes 13..18
        QTest::addColumn<QString>("text");
        QTest::newRow("example") << bytes("07 22 14 05 03 09") << "05.03.2009г/14:22:07";
        QTest::newRow("unused high bits") << bytes("87 A2 D4 C5 E3 09") << "05.03.2009г/14:22:07";
        QTest::newRow("month 12, year 99") << bytes("59 59 23 31 12 99") << "31.12.2099г/23:59:59";
        QTest::newRow("units nibble above 9")
            << bytes("0A 00 00 01 01 26") << "01.01.2026г/00:00:10";
        QTest::newRow("three-digit year") << bytes("00 00 00 01 01 A5") << "01.01.20105г/00:00:00";
    }
    void start() {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QByteArray payload = bytes(SampleHex);
        payload.replace(13, 6, field);
        QCOMPARE(accounting::texts(accounting::decode(payload), comma).start, text);
    }

    void shortPayloadReadsZeros() {
        const AccountingRecord r = accounting::decode(bytes(SampleHex).left(9));
        QCOMPARE(r.runningSeconds, 3725u);
        QCOMPARE(r.trips, quint16(3));
        QCOMPARE(r.energy, quint64(0)); // only its top byte arrived, and it is 0
        QCOMPARE(accounting::startText(r), QStringLiteral("00.00.2000г/00:00:00"));
        QVERIFY(accounting::decode({}) == AccountingRecord{});
    }

    void json() {
        const QJsonObject expected{
            {"runningSeconds", 3725},         {"switchOns", 12}, {"trips", 3}, {"energyKwh", 123.4},
            {"start", "2009-03-05T14:22:07"},
        };
        QCOMPARE(accounting::json(sample()), expected);

        AccountingRecord big = sample();
        big.runningSeconds = 0xFFFFFFFF;
        big.startDay = 31;
        big.startMonth = 2; // names no date
        const QJsonObject o = accounting::json(big);
        QCOMPARE(o.value("runningSeconds").toInteger(), qint64(0xFFFFFFFF));
        QVERIFY(o.value("start").isNull());
    }
};

QTEST_GUILESS_MAIN(TestAccounting)
#include "tst_accounting.moc"
