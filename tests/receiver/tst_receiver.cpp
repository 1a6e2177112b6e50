#include "link/receiver.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "referencereceiver.h"
#include "timedreply.h"

#include <QRandomGenerator>
#include <QtTest>

using kliv::FrameReceiver;

namespace {
QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}
const QByteArray Version = hx("AA 06 02 58 0F 00 01 19");
const QByteArray Presence = hx("AA 06 02 58 00 02 01 02 01 0F"); // two payload bytes
// In a row's notifications: the line pauses (which changes nothing), or the request's time
// runs out.
const QByteArray Pause;
const QByteArray TimeUp("time-up");
} // namespace

class TestReceiver : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void assembles_data();
    void assembles();
    void heldFrameIsHandedOnOnce();
    void longestFrameFitsTheBuffer();
    void needsCountsDown();
    void replyIsNeverCutByWhatItHolds();
    void agreesWithThePlainRule();
    void replyIsTakenWholeWhateverTheLinePauses();
    void everyByteIsShown();
};

// Each row: the notifications in order (with pauses and the time-up among them), and the
// frame expected to be held afterwards.
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
    // The earlier start byte may be the reply and the later one part of its payload, so
    // only the request's time-up lets the later frame go ahead: a pause does not.
    QTest::newRow("noise start byte, long false length, line goes on")
        << QList<QByteArray>{hx("AA 05") + Version} << QByteArray() << 0;
    QTest::newRow("noise start byte, long false length, a pause")
        << QList<QByteArray>{hx("AA 05") + Version, Pause} << QByteArray() << 0;
    QTest::newRow("noise start byte, long false length, then the time-up")
        << QList<QByteArray>{hx("AA 05") + Version, Pause, TimeUp} << Version << 0;
    QTest::newRow("noise start byte, in pieces")
        << QList<QByteArray>{hx("13 AA"), Version.left(4), Pause, Version.mid(4), TimeUp} << Version
        << 0;
    QTest::newRow("noise start byte, short false length")
        << QList<QByteArray>{hx("AA 00 00 00 00 00") + Presence} << Presence << 1;
    QTest::newRow("false start inside a bad frame")
        << QList<QByteArray>{hx("AA 06 02 58 00 02 AA 06 00 00") + Version, TimeUp} << Version << 1;
    // A payload holding a whole frame, as a configuration with 17,0 s, 1,0 s and 107,0 A
    // does: the reply is taken, never the frame inside it.
    const QByteArray inner = kliv::frame::build(0x0258, 2, QByteArray(3, char(0x11)));
    const QByteArray outer = kliv::frame::build(0x0258, 2, QByteArray(5, '\0') + inner + "xyz");
    QTest::newRow("frame inside the payload") << QList<QByteArray>{outer} << outer << 0;
    QTest::newRow("frame inside the payload, in pieces")
        << QList<QByteArray>{outer.left(20), outer.mid(20)} << outer << 0;
    QTest::newRow("frame inside the payload, pause after it")
        << QList<QByteArray>{outer.left(22), Pause, outer.mid(22)} << outer << 0;
    QTest::newRow("frame inside the payload, cut off: the time-up frees it")
        << QList<QByteArray>{outer.left(22), Pause, TimeUp} << inner << 0;
}

void TestReceiver::assembles() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QByteArray, held);
    QFETCH(int, bad);
    FrameReceiver r;
    r.reset();
    for (const QByteArray& c : chunks) {
        if (c == TimeUp)
            r.timeUp();
        if (c == TimeUp || c.isEmpty())
            continue;
        // The engine turns away what is not the reply: here anything but the row's frame.
        while (r.held() && r.frame() != held)
            r.resume();
        r.feed(c);
    }
    while (r.held() && r.frame() != held)
        r.resume();
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
    QVERIFY(!r.held());
    QCOMPARE(r.needed(), 0);
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

namespace {

QByteArray randomBytes(QRandomGenerator& rng, int count, bool startBytes) {
    QByteArray b(count, '\0');
    for (char& c : b) {
        c = char(rng.bounded(256));
        if (startBytes && rng.bounded(6) == 0)
            c = char(kliv::frame::StartByte);
        else if (!startBytes && quint8(c) == kliv::frame::StartByte)
            c = 0x55;
    }
    return b;
}

// A payload of random bytes with whole, cut and damaged frames inside it.
QByteArray framesInside(QRandomGenerator& rng, int length) {
    QByteArray p = randomBytes(rng, length, true);
    for (int k = int(rng.bounded(4)); k > 0 && length > 8; --k) {
        QByteArray f = kliv::frame::build(quint16(rng.bounded(65536)), quint8(rng.bounded(16)),
                                          randomBytes(rng, int(rng.bounded(12)), true));
        if (rng.bounded(4) == 0)
            f[f.size() - 1] = char(f.back() ^ 1);
        const int at = int(rng.bounded(length));
        p.replace(at, qMin(f.size(), length - at), f.left(length - at));
    }
    return p;
}

QList<QByteArray> inPieces(QRandomGenerator& rng, const QByteArray& bytes) {
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype n = 1 + rng.bounded(qMax<qsizetype>(1, bytes.size() / 3));
        pieces << bytes.mid(at, n);
        at += n;
    }
    return pieces;
}

} // namespace

// For any payload, whole frames in it included, wrapped in a frame, behind noise and in any
// pieces: the reader, turning away all else, gets exactly that frame. Behind noise without
// a start byte it comes first and needs no time-up; behind any noise, at the latest once the
// request's time is up.
void TestReceiver::replyIsNeverCutByWhatItHolds() {
    QRandomGenerator rng(20261207);
    for (int round = 0; round < 4000; ++round) {
        const bool startBytesInNoise = round % 2;
        const QByteArray reply = kliv::frame::build(
            quint16(rng.bounded(65536)), quint8(rng.bounded(16)),
            framesInside(rng, int(rng.bounded(kliv::frame::MaxReplyPayload + 1))));
        const QByteArray noise = randomBytes(rng, int(rng.bounded(40)), startBytesInNoise);
        FrameReceiver r;
        r.reset();
        int found = 0, before = 0;
        auto take = [&] {
            while (r.held()) {
                QVERIFY2(kliv::frame::check(r.frame()), "a bad frame was handed on");
                if (r.frame() == reply) {
                    ++found;
                    r.reset(); // taken: the next request starts afresh
                    return;
                }
                ++before;
                r.resume();
            }
        };
        for (const QByteArray& piece : inPieces(rng, noise + reply)) {
            for (qsizetype at = 0; at < piece.size() && !found;) {
                at += r.feed(piece.constData() + at, int(piece.size() - at));
                take();
            }
        }
        if (!startBytesInNoise) {
            QVERIFY2(found == 1 && before == 0, qPrintable(QString::number(round)));
            continue;
        }
        if (!found) {
            r.timeUp();
            take();
        }
        QVERIFY2(found == 1, qPrintable(QStringLiteral("round %1 lost the reply").arg(round)));
    }
}

// Random streams, pauses shorter and longer than an adapter holds bytes back, time-outs and
// answers: the receiver and the plain rule agree at every step, both ways: nothing handed on
// that should not be, nothing kept back that should not be.
void TestReceiver::agreesWithThePlainRule() {
    QRandomGenerator rng(1207);
    for (int round = 0; round < 3000; ++round) {
        kliv::reference::Differential run;
        const QByteArray stream =
            round % 3 ? framesInside(rng, int(rng.bounded(600))) : randomBytes(rng, 400, true);
        for (QByteArray piece : inPieces(rng, stream)) {
            const char* fault = nullptr;
            while (!fault && !piece.isEmpty()) {
                fault = run.feed(piece);
                piece.remove(0, run.used);
                while (!fault && run.receiver.held())
                    fault = run.answer(rng.bounded(4) == 0);
            }
            if (!fault && rng.bounded(3) == 0)
                fault = run.pause(int(rng.bounded(rng.bounded(4) ? 40 : 400)));
            while (!fault && run.receiver.held())
                fault = run.answer(rng.bounded(4) == 0);
            QVERIFY2(!fault, fault);
        }
    }
}

// The view of the line loses nothing: every byte fed since the reset lands in a frame handed
// on, a failed frame, noise or a cut frame, and each handed-on frame lies outside noise.
void TestReceiver::everyByteIsShown() {
    QRandomGenerator rng(7);
    for (int round = 0; round < 2000; ++round) {
        FrameReceiver r;
        r.reset();
        const QByteArray stream =
            round % 2 ? framesInside(rng, int(rng.bounded(400))) : randomBytes(rng, 300, true);
        QList<QPair<quint32, quint32>> frames; // handed on: start, end
        QList<FrameReceiver::Span> spans;
        for (QByteArray piece : inPieces(rng, stream)) {
            while (!piece.isEmpty()) {
                piece.remove(0, r.feed(piece));
                spans += r.takeSpans();
                while (r.held()) {
                    frames.append({r.heldStart(), r.heldStart() + quint32(r.frame().size())});
                    r.resume();
                }
            }
        }
        spans += r.closeSpans();
        QVector<bool> covered(int(r.streamLength()), false);
        for (const auto& [start, end] : frames)
            for (quint32 i = start; i < end; ++i)
                covered[int(i)] = true;
        for (const FrameReceiver::Span& s : spans) {
            QVERIFY(s.length > 0 && s.start + s.length <= r.streamLength());
            for (quint32 i = s.start; i < s.start + s.length; ++i) {
                if (s.kind == FrameReceiver::Span::Noise)
                    QVERIFY2(!covered[int(i)] || std::none_of(frames.cbegin(), frames.cend(),
                                                              [i](const auto& f) {
                                                                  return i >= f.first &&
                                                                         i < f.second;
                                                              }),
                             "noise inside a frame handed on");
                covered[int(i)] = true;
            }
        }
        QVERIFY2(std::all_of(covered.cbegin(), covered.cend(), [](bool c) { return c; }),
                 qPrintable(QStringLiteral("round %1 left bytes unshown").arg(round)));
    }
}

// Any good reply, with frames of its own relay and kind inside its payload, behind any noise,
// in any pieces and with any pauses that end before the reply time-out (some right after a
// frame inside it): on the real engine its job gets exactly that reply, on its first try.
void TestReceiver::replyIsTakenWholeWhateverTheLinePauses() {
    QRandomGenerator rng(20261208);
    int checked = 0;
    for (int round = 0; round < 3000; ++round) {
        kliv::timed::Case c;
        c.speedIndex = int(rng.bounded(kliv::speeds::Count));
        c.serial = quint16(kliv::frame::SerialMin + rng.bounded(1000));
        c.kind = quint8(rng.bounded(16));
        c.noise = randomBytes(rng, int(rng.bounded(24)), round % 2);
        c.payload = framesInside(rng, int(rng.bounded(kliv::frame::MaxReplyPayload + 1)));
        QList<qsizetype> ends; // of the frames of its own planted inside
        for (int k = int(rng.bounded(1, 4)); k > 0; --k) {
            const QByteArray f =
                kliv::frame::build(c.serial, c.kind, randomBytes(rng, int(rng.bounded(8)), true));
            if (f.size() > c.payload.size())
                break;
            const qsizetype at = rng.bounded(c.payload.size() - f.size() + 1);
            c.payload.replace(at, f.size(), f);
            ends.append(c.noise.size() + kliv::frame::HeaderSize + at + f.size());
        }
        // Pieces that end just where a frame inside ends, or anywhere; pauses up to 60 ms,
        // all within the slowest line's reply time-out.
        const qsizetype total = c.noise.size() + c.payload.size() + kliv::frame::Overhead;
        const int timeout = kliv::speeds::replyTimeoutMs(c.speedIndex);
        int quiet = 0;
        qsizetype at = 0;
        while (at < total) {
            const qsizetype end = !ends.isEmpty() && rng.bounded(2) && ends.first() > at
                                      ? ends.takeFirst()
                                      : at + 1 + rng.bounded(total / 4 + 1);
            c.pieces.append(int(qMin(end, total) - at));
            c.pausesMs.append(
                int(rng.bounded(qMax(1, qMin(rng.bounded(3) ? 25 : 61, (timeout - quiet) / 2)))));
            quiet += c.pausesMs.last();
            at += c.pieces.last();
        }
        bool applies = false;
        const char* fault = kliv::timed::play(c, &applies);
        QVERIFY2(!fault, qPrintable(QStringLiteral("round %1: %2").arg(round).arg(fault)));
        checked += applies;
    }
    QVERIFY(checked > 2500);
}

QTEST_GUILESS_MAIN(TestReceiver)
#include "tst_receiver.moc"
