#include "common/hexbytes.h"
#include "protocol/clock.h"
#include "protocol/frame.h"
#include "texts/clocktexts.h"

#include <QTest>

using namespace kliv;

using kliv::test::bytes;

class TestClock : public QObject {
    Q_OBJECT

  private slots:
    void calibrationByte_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("byte");
        QTest::newRow("zero") << 0 << 0x20;
        QTest::newRow("largest") << 31 << 0x3F;
        QTest::newRow("minus one") << -1 << 0x01;
        QTest::newRow("smallest") << -31 << 0x1F;
        QTest::newRow("too large is clamped") << 40 << 0x3F;
        QTest::newRow("too small is clamped") << -40 << 0x1F;
    }
    void calibrationByte() {
        QFETCH(int, value);
        QFETCH(int, byte);
        QCOMPARE(int(clock::calibrationByte(value)), byte);
    }

    void calibrationFromByte_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("value");
        QTest::newRow("positive zero") << 0x20 << 0;
        QTest::newRow("largest") << 0x3F << 31;
        QTest::newRow("smallest") << 0x1F << -31;
        QTest::newRow("negative zero") << 0x00 << 0;
        QTest::newRow("top bits ignored") << 0xE3 << 3;
    }
    void calibrationFromByte() {
        QFETCH(int, byte);
        QFETCH(int, value);
        QCOMPARE(clock::calibrationFromByte(quint8(byte)), value);
    }

    void decodeBlock_data() {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<int>("calibration");
        QTest::addColumn<bool>("autoDst");
        QTest::newRow("running") << bytes("59 05 23 01 31 12 26 20 00") << "23:05:59"
                                 << "31.12.2026г." << false << 0 << false;
        QTest::newRow("stopped, dst") << bytes("D9 00 00 07 06 01 05 1F 80") << "00:00:59"
                                      << "06.01.2005г." << true << -31 << true;
        QTest::newRow("last year of century") << bytes("00 00 09 00 01 09 99 3F 7F") << "09:00:00"
                                              << "01.09.2099г." << false << 31 << false;
        // Only the bits each field names count; no nibble is checked to be a digit.
        QTest::newRow("stray bits") << bytes("FF FF FF FF FF FF FF FF FF") << "45:85:85"
                                    << "45.25.20165г." << true << 31 << true;
        QTest::newRow("units nibble A") << bytes("0A 00 00 00 00 00 00 00 00") << "00:00:10"
                                        << "00.00.2000г." << false << 0 << false;
    }
    void decodeBlock() {
        QFETCH(QByteArray, block);
        QFETCH(QString, time);
        QFETCH(QString, date);
        QFETCH(bool, stopped);
        QFETCH(int, calibration);
        QFETCH(bool, autoDst);
        const ClockBlock c = clock::decodeBlock(block.constData());
        QCOMPARE(clock::timeText(c), time);
        QCOMPARE(clock::dateText(c), date);
        QCOMPARE(c.stopped, stopped);
        QCOMPARE(c.calibration, calibration);
        QCOMPARE(c.autoDst, autoDst);
    }

    // The pages start from an empty clock: it must be what a block of zeros reads as.
    void zeroBlockIsTheEmptyClock() {
        const QByteArray zeros(clock::BlockSize, '\0');
        QVERIFY(clock::decodeBlock(zeros.constData()) == ClockBlock{});
    }

    void blockRoundTrip() {
        const ClockBlock c{7, 5, 9, 1, 6, 12, 26, true, -3, true};
        const QByteArray b = clock::encodeBlock(c);
        QCOMPARE(frame::hex(b), QStringLiteral("87 05 09 01 06 12 26 03 80"));
        QVERIFY(clock::decodeBlock(b.constData()) == c);
    }

    void setPayload_data() {
        QTest::addColumn<QDateTime>("local");
        QTest::addColumn<int>("calibration");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<bool>("autoDst");
        QTest::addColumn<QString>("hex");
        const QDateTime sunday(QDate(2026, 12, 6), QTime(9, 5, 7));
        QTest::newRow("sunday, stopped")
            << sunday << -3 << true << false << "03 87 05 09 01 06 12 26 00";
        QTest::newRow("sunday, running, dst")
            << sunday << 0 << false << true << "20 07 05 09 01 06 12 26 80";
        QTest::newRow("monday") << QDateTime(QDate(2026, 12, 7), QTime(23, 59, 58)) << 31 << false
                                << false << "3F 58 59 23 02 07 12 26 00";
        QTest::newRow("saturday") << QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)) << -31 << false
                                  << false << "1F 00 00 00 07 01 01 00 00";
        QTest::newRow("next century") << QDateTime(QDate(2100, 3, 1), QTime(12, 0, 0)) << 1 << false
                                      << false << "21 00 00 12 02 01 03 A0 00";
    }
    void setPayload() {
        QFETCH(QDateTime, local);
        QFETCH(int, calibration);
        QFETCH(bool, stop);
        QFETCH(bool, autoDst);
        QFETCH(QString, hex);
        QCOMPARE(frame::hex(clock::setPayload(local, calibration, stop, autoDst)), hex);
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
