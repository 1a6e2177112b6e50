#include "protocol/cp1251.h"
#include "protocol/frame.h"

#include <QTest>

using namespace kliv;

namespace {
QByteArray bytes(const QString& hex) {
    bool ok = false;
    const QByteArray b = frame::fromHex(hex, &ok);
    Q_ASSERT(ok);
    return b;
}
} // namespace

class TestFrame : public QObject {
    Q_OBJECT

  private slots:
    void build_data() {
        QTest::addColumn<int>("serial");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("hex");
        QTest::newRow("presence") << 600 << 0 << QByteArray() << "AA 06 02 58 00 00 01 0A";
        QTest::newRow("version") << 600 << 15 << QByteArray() << "AA 06 02 58 0F 00 01 19";
        QTest::newRow("speed change to 600 baud")
            << 600 << 0 << bytes("01") << "AA 06 02 58 00 01 01 01 0C";
        QTest::newRow("live status") << 600 << 1 << bytes("00") << "AA 06 02 58 01 01 00 01 0C";
        QTest::newRow("largest serial") << 65535 << 2 << QByteArray() << "AA 06 FF FF 02 00 02 B0";
        QTest::newRow("smallest serial") << 100 << 2 << QByteArray() << "AA 06 00 64 02 00 01 16";
        // Zero low sum byte: 0xAA + 6 + 0x50 = 0x100.
        QTest::newRow("zero sum byte") << 0x0050 << 0 << QByteArray() << "AA 06 00 50 00 00 01 00";
    }
    void build() {
        QFETCH(int, serial);
        QFETCH(int, kind);
        QFETCH(QByteArray, payload);
        QFETCH(QString, hex);
        const QByteArray f = frame::build(quint16(serial), quint8(kind), payload);
        QCOMPARE(frame::hex(f), hex);
        QVERIFY(frame::check(f));
    }

    void longestRequestSumFitsSixteenBits() {
        const QByteArray f =
            frame::build(65535, KindConfigWrite, QByteArray(frame::MaxRequestPayload, char(0xFF)));
        QCOMPARE(f.size(), 87);
        QCOMPARE(frame::sum(f.left(f.size() - 2)), quint16(20913));
        QCOMPARE(frame::hex(f.right(2)), QStringLiteral("51 B1"));
        QVERIFY(frame::check(f));
    }

    void longestReplySumFitsSixteenBits() {
        QByteArray f = bytes("AA FF FF FF FF F7") + QByteArray(frame::MaxReplyPayload, char(0xFF));
        const quint16 s = frame::sum(f);
        QCOMPARE(int(s), 0xAA + 4 * 0xFF + 0xF7 + 247 * 0xFF);
        f.append(char(s >> 8));
        f.append(char(s & 0xFF));
        QCOMPARE(f.size(), frame::MaxFrame);
        QVERIFY(frame::check(f));
    }

    void check_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("good");
        QTest::newRow("good") << bytes("AA 06 02 58 01 01 00 01 0C") << true;
        QTest::newRow("other serial and constant") << bytes("AA 07 12 34 01 01 00 00 F9") << true;
        QTest::newRow("sum off by one") << bytes("AA 06 02 58 01 01 00 01 0D") << false;
        QTest::newRow("high sum byte wrong") << bytes("AA 06 02 58 01 01 00 00 0C") << false;
        QTest::newRow("no start byte") << bytes("AB 06 02 58 01 01 00 01 0D") << false;
        QTest::newRow("truncated") << bytes("AA 06 02 58 01 01 00 01") << false;
        QTest::newRow("longer than announced") << bytes("AA 06 02 58 00 00 01 0A FF") << true;
        QTest::newRow("announces more than it has") << bytes("AA 06 02 58 01 F7 00 01 0C") << false;
        // Sum 0x0100. Cut one byte short, the missing low sum byte sits where a byte array
        // keeps its terminating zero, so reading one byte too far would find it "right".
        QTest::newRow("low sum byte zero") << bytes("AA 06 00 4F 00 01 00 01 00") << true;
        QTest::newRow("one byte short of what it announces")
            << bytes("AA 06 00 4F 00 01 00 01") << false;
        QTest::newRow("header only") << bytes("AA 06 02 58 00 00") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void check() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, good);
        QCOMPARE(frame::check(frame), good);
    }

    void payloadOfReply() {
        const QByteArray f = bytes("AA 06 02 58 01 03 00 11 22 01 41");
        QVERIFY(frame::check(f));
        QCOMPARE(int(frame::kindOf(f)), int(KindStatus));
        QCOMPARE(frame::payloadLength(f), 3);
        QCOMPARE(frame::hex(frame::payloadOf(f)), QStringLiteral("00 11 22"));
    }

    // What a request does to the relay decides whether kliv-cli sends it at all (an
    // unknown one never, a change only when confirmed).
    void effect_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("effect");
        const int reads = int(frame::Effect::Reads), changes = int(frame::Effect::Changes),
                  unknown = int(frame::Effect::Unknown);
        const QByteArray none;
        QTest::newRow("presence") << 0 << none << reads;
        QTest::newRow("speed change to 115200") << 0 << bytes("0A") << changes;
        QTest::newRow("speed change past the list") << 0 << bytes("0B") << unknown;
        QTest::newRow("presence, two bytes") << 0 << bytes("00 00") << unknown;
        QTest::newRow("live status") << 1 << bytes("00") << reads;
        QTest::newRow("calibration measurement") << 1 << bytes("04") << reads;
        QTest::newRow("selector 5") << 1 << bytes("05") << unknown;
        QTest::newRow("selector 16") << 1 << bytes("10") << unknown;
        QTest::newRow("last block of phase A") << 1 << bytes("11") << reads;
        QTest::newRow("last block of phase C") << 1 << bytes("13") << reads;
        QTest::newRow("selector 20") << 1 << bytes("14") << unknown;
        QTest::newRow("status, no selector") << 1 << none << unknown;
        QTest::newRow("status, two bytes") << 1 << bytes("00 00") << unknown;
        QTest::newRow("configuration read") << 2 << none << reads;
        QTest::newRow("configuration read with data") << 2 << bytes("00") << unknown;
        QTest::newRow("full write") << 3 << bytes("00") + QByteArray(78, '\x01') << changes;
        QTest::newRow("calibration write") << 3 << bytes("01") + QByteArray(14, '\x02') << changes;
        QTest::newRow("full write, calibration sub-mode")
            << 3 << bytes("01") + QByteArray(78, '\x01') << unknown;
        QTest::newRow("calibration write, full sub-mode")
            << 3 << bytes("00") + QByteArray(14, '\x02') << unknown;
        QTest::newRow("clock set") << 4 << QByteArray(9, '\x01') << changes;
        QTest::newRow("clock set, one byte short") << 4 << QByteArray(8, '\x01') << unknown;
        QTest::newRow("protection reset") << 5 << none << changes;
        QTest::newRow("protection reset with data") << 5 << bytes("00") << unknown;
        QTest::newRow("event block 9") << 6 << bytes("09") << reads;
        QTest::newRow("event block 10") << 6 << bytes("0A") << unknown;
        QTest::newRow("event block, no index") << 6 << none << unknown;
        QTest::newRow("accounting read") << 7 << none << reads;
        QTest::newRow("accounting reset") << 8 << none << changes;
        QTest::newRow("accounting reset with data") << 8 << bytes("00") << unknown;
        QTest::newRow("kind 9") << 9 << none << unknown;
        QTest::newRow("version") << 15 << none << reads;
        QTest::newRow("version with data") << 15 << bytes("00") << unknown;
    }
    void effect() {
        QFETCH(int, kind);
        QFETCH(QByteArray, payload);
        QFETCH(int, effect);
        QCOMPARE(int(frame::effectOf(quint8(kind), payload)), effect);
    }

    void fromHexRejectsGarbage_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("odd digits") << "AA 0";
        QTest::newRow("not hex") << "AA ZZ";
    }
    void fromHexRejectsGarbage() {
        QFETCH(QString, text);
        bool ok = true;
        QVERIFY(frame::fromHex(text, &ok).isEmpty());
        QVERIFY(!ok);
    }

    void versionText_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("text");
        QTest::newRow("five characters then zeros")
            << QByteArray("V12.9", 5) + QByteArray(11, '\0') << "V12.9";
        QTest::newRow("cyrillic") << bytes("CA CB C8 C2 2D 31 CC 00 41") << "КЛИВ-1М";
        QTest::newRow("no zero") << bytes("E0 FF B8 A8 B9") << "аяёЁ№";
        QTest::newRow("zero first") << bytes("00 41 42") << "";
    }
    void versionText() {
        QFETCH(QByteArray, payload);
        QFETCH(QString, text);
        QCOMPARE(cp1251::decodeToZero(payload), text);
    }

    void cyrillicRoundTrip() {
        const QString text = QStringLiteral("КЛИВ-1M Вартон ёЁ №5");
        const QByteArray wire = cp1251::encode(text);
        QCOMPARE(wire.size(), text.size());
        QCOMPARE(frame::hex(cp1251::encode(QStringLiteral("КЛИВ"))), QStringLiteral("CA CB C8 C2"));
        QCOMPARE(cp1251::decode(wire), text);
    }

    void everyByteDecodesToOneCharacter() {
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(cp1251::decode(all).size(), all.size());
    }
};

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
