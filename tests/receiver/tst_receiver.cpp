#include "link/receiver.h"
#include "protocol/frame.h"

#include <QtTest>

using kliv::FrameReceiver;

namespace {
QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}
const QByteArray Version = hx("AA 06 02 58 0F 00 01 19");
const QByteArray Presence = hx("AA 06 02 58 00 02 01 02 01 0F"); // two payload bytes
} // namespace

class TestReceiver : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void assembles_data();
    void assembles();
    void heldFrameIsHandedOnOnce();
    void longestFrameFitsTheBuffer();
    void needsCountsDown();
};

// Each row: the notifications in order, and the frame expected to be held afterwards.
void TestReceiver::assembles_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QByteArray>("held");
    QTest::addColumn<int>("bad");

    QTest::newRow("whole") << QList<QByteArray>{Version} << Version << 0;
    QTest::newRow("3 then rest") << QList<QByteArray>{Version.left(3), Version.mid(3)} << Version
                                 << 0;
    QTest::newRow("byte by byte") << [] {
        QList<QByteArray> l;
        for (char c : Presence)
            l.append(QByteArray(1, c));
        return l;
    }() << Presence << 0;
    QTest::newRow("noise first") << QList<QByteArray>{hx("00 FF 13") + Version} << Version << 0;
    QTest::newRow("reply bytes 1..3 not checked")
        << QList<QByteArray>{hx("AA 07 FF FF 0F 00 02 BE")} << hx("AA 07 FF FF 0F 00 02 BE") << 0;
    QByteArray badSum = Version;
    badSum[7] = char(0x1A);
    QTest::newRow("sum off by one, then good")
        << QList<QByteArray>{badSum + Version} << Version << 1;
    QTest::newRow("sum off by one alone") << QList<QByteArray>{badSum} << QByteArray() << 1;
    QTest::newRow("two frames: first held")
        << QList<QByteArray>{Presence + Version} << Presence << 0;
    QTest::newRow("length above 247 dropped, resync")
        << QList<QByteArray>{hx("AA 06 02 58 06 F8 00 00") + Version} << Version << 1;
    QTest::newRow("length 255 dropped")
        << QList<QByteArray>{hx("AA 06 02 58 06 FF"), Version} << Version << 1;
    const QByteArray zeros = kliv::frame::build(0, 0, QByteArray(3, '\0'));
    QTest::newRow("zero bytes are data") << QList<QByteArray>{zeros} << zeros << 0;
    QTest::newRow("incomplete") << QList<QByteArray>{Version.left(7)} << QByteArray() << 0;
    // Line noise that holds a start byte must not cost the reply behind it.
    QTest::newRow("noise start byte, long false length")
        << QList<QByteArray>{hx("AA 05") + Version} << Version << 0;
    QTest::newRow("noise start byte, in pieces")
        << QList<QByteArray>{hx("13 AA"), Version.left(4), Version.mid(4)} << Version << 0;
    QTest::newRow("noise start byte, short false length")
        << QList<QByteArray>{hx("AA 00 00 00 00 00") + Presence} << Presence << 1;
    QTest::newRow("false start inside a bad frame")
        << QList<QByteArray>{hx("AA 06 02 58 00 02 AA 06 00 00") + Version} << Version << 1;
}

void TestReceiver::assembles() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QByteArray, held);
    QFETCH(int, bad);
    FrameReceiver r;
    r.reset();
    for (const QByteArray& c : chunks)
        r.feed(c);
    QCOMPARE(r.frame().toHex(' '), held.toHex(' '));
    QCOMPARE(r.held(), !held.isEmpty());
    QCOMPARE(r.badFrames(), bad);
}

void TestReceiver::heldFrameIsHandedOnOnce() {
    FrameReceiver r;
    r.reset();
    // feed() stops right after the completing byte so the caller can dispatch it...
    QCOMPARE(r.feed(Presence + Version), int(Presence.size()));
    QVERIFY(r.held());
    // ...and everything after it is swallowed until the next request resets the receiver.
    QCOMPARE(r.feed(Version), int(Version.size()));
    QCOMPARE(r.frame(), Presence);
    r.resume();
    r.feed(Version);
    QCOMPARE(r.frame(), Version);
    r.reset();
    QCOMPARE(r.count(), 0);
    QVERIFY(std::all_of(r.buffer().begin(), r.buffer().end(), [](quint8 b) { return b == 0; }));
}

void TestReceiver::longestFrameFitsTheBuffer() {
    const QByteArray f = kliv::frame::build(600, 6, QByteArray(247, char(0xFF)));
    QCOMPARE(f.size(), 255);
    FrameReceiver r;
    r.reset();
    r.feed(f);
    QVERIFY(r.held());
    QCOMPARE(r.frame(), f);
}

void TestReceiver::needsCountsDown() {
    FrameReceiver r;
    r.reset();
    QCOMPARE(r.needed(), 0);
    r.feed(Presence.left(1));
    QCOMPARE(r.needed(), 7);
    r.feed(Presence.mid(1, 5));
    QCOMPARE(r.needed(), 4);
    r.feed(Presence.mid(6));
    QCOMPARE(r.needed(), 0);
}

QTEST_APPLESS_MAIN(TestReceiver)
#include "tst_receiver.moc"
