#include "protocol/waveform.h"

#include <QTest>

using namespace kliv;

namespace {
// A block whose sample i (1..100) has voltage i and current 200 + i, offset per phase.
WaveformBlock block(int selector) {
    WaveformBlock b;
    b.selector = selector;
    b.phase = selector & 3;
    for (int i = 0; i < waveform::SampleCount; ++i) {
        b.voltage[std::size_t(i)] = quint8(i + 1 + b.phase);
        b.current[std::size_t(i)] = quint8(150 + i + b.phase);
    }
    return b;
}
} // namespace

class TestWaveform : public QObject {
    Q_OBJECT

  private slots:
    void decodesSamplePairs() {
        QByteArray p(201, '\0');
        p[0] = char(17);
        p[1] = char(200);
        p[2] = char(50);
        p[199] = char(7);
        p[200] = char(255);
        const auto b = waveform::decode(p);
        QVERIFY(b);
        QCOMPARE(b->selector, 17);
        QCOMPARE(b->phase, 1);
        QCOMPARE(int(b->voltage[0]), 200);
        QCOMPARE(int(b->current[0]), 50);
        QCOMPARE(int(b->voltage[99]), 7);
        QCOMPARE(int(b->current[99]), 255);
    }

    void phaseFromLowBits_data() {
        QTest::addColumn<int>("selector");
        QTest::addColumn<int>("phase");
        QTest::newRow("A") << 1 << 1;
        QTest::newRow("C") << 3 << 3;
        QTest::newRow("B, last") << 18 << 2;
        QTest::newRow("C, last") << 19 << 3;
        QTest::newRow("high bits") << 0xFE << 2;
        QTest::newRow("no phase") << 0 << 0;
        QTest::newRow("no phase, last") << 16 << 0;
        QTest::newRow("calibration selector") << 4 << 0;
    }
    void phaseFromLowBits() {
        QFETCH(int, selector);
        QFETCH(int, phase);
        const auto b = waveform::decode(QByteArray(201, char(selector)));
        QCOMPARE(bool(b), phase != 0);
        if (b)
            QCOMPARE(b->phase, phase);
    }

    void shortPayloadReadsZeros() {
        const QByteArray p = QByteArray::fromHex("02 0A 0B 0C");
        const auto b = waveform::decode(p);
        QVERIFY(b);
        QCOMPARE(int(b->voltage[0]), 0x0A);
        QCOMPARE(int(b->current[0]), 0x0B);
        QCOMPARE(int(b->voltage[1]), 0x0C);
        QCOMPARE(int(b->current[1]), 0);
        QCOMPARE(int(b->current[99]), 0);
        QVERIFY(!waveform::decode(QByteArray()));
    }

    void roundTrip() {
        const WaveformBlock b = block(19);
        const QByteArray bytes = waveform::encode(b);
        QCOMPARE(bytes.size(), 201);
        const auto back = waveform::decode(bytes);
        QVERIFY(back);
        QVERIFY(*back == b);
    }

    // Walks a whole poll cycle for each view: the selectors sent after a live record.
    void cycle_data() {
        QTest::addColumn<int>("view");
        QTest::addColumn<QList<int>>("selectors");
        QTest::newRow("none") << 0 << QList<int>{0};
        QTest::newRow("phase A") << 1 << QList<int>{0, 17};
        QTest::newRow("phases A, B") << 2 << QList<int>{0, 1, 18};
        QTest::newRow("phases A, B, C") << 3 << QList<int>{0, 1, 2, 19};
    }
    void cycle() {
        QFETCH(int, view);
        QFETCH(QList<int>, selectors);
        QList<int> sent{0};
        int next = waveform::selectorAfterLive(view);
        int draws = 0;
        while (next != 0) {
            sent.append(next);
            const waveform::AfterBlock a = waveform::afterBlock(next, view);
            draws += a.draw;
            next = a.nextSelector;
            QVERIFY(sent.size() < 10);
        }
        QCOMPARE(sent, selectors);
        QCOMPARE(draws, view > 0 ? 1 : 0);
    }

    void afterBlock_data() {
        QTest::addColumn<int>("selector");
        QTest::addColumn<int>("view");
        QTest::addColumn<bool>("draw");
        QTest::addColumn<int>("next");
        QTest::newRow("plain A with one phase shown") << 1 << 1 << true << 0;
        QTest::newRow("A of three") << 1 << 3 << false << 2;
        QTest::newRow("view shrank mid-cycle") << 2 << 1 << true << 0;
        QTest::newRow("view grew mid-cycle") << 17 << 3 << true << 0;
        QTest::newRow("view set to none") << 1 << 0 << true << 0;
    }
    void afterBlock() {
        QFETCH(int, selector);
        QFETCH(int, view);
        QFETCH(bool, draw);
        QFETCH(int, next);
        const waveform::AfterBlock a = waveform::afterBlock(selector, view);
        QCOMPARE(a.draw, draw);
        QCOMPARE(a.nextSelector, next);
    }

    void storeKeepsPhasesApart() {
        WaveformStore s;
        s.store(block(1));
        s.store(block(19));
        QCOMPARE(s.voltage[0][0], 2);
        QCOMPARE(s.current[0][99], 150 + 99 + 1);
        QCOMPARE(s.voltage[1][0], 0);
        QCOMPARE(s.voltage[2][0], 4);
        QCOMPARE(s.current[2][99], 150 + 99 + 3);
        s.clear();
        QCOMPARE(s.voltage[0][0], 0);
        QCOMPARE(s.current[2][99], 0);
    }

    void blockWithoutPhaseIsNotStored() {
        WaveformStore s;
        WaveformBlock b = block(1);
        b.phase = 0;
        s.store(b);
        for (const auto& phase : s.voltage)
            for (int v : phase)
                QCOMPARE(v, 0);
    }

    void series() {
        WaveformStore s;
        WaveformBlock a = block(17);
        a.voltage[0] = 200;
        a.current[0] = 50;
        s.store(a);
        s.store(block(2));
        const auto out = waveform::series(s);
        QCOMPARE(out[0].size(), 101);
        QCOMPARE(out[1].size(), 101);
        for (int k = 2; k < waveform::SeriesCount; ++k)
            QCOMPARE(out[k].size(), 100);
        QCOMPARE(out[0][0], QPointF(0, 0));
        QCOMPARE(out[1][0], QPointF(0, 0));
        QCOMPARE(out[0][1], QPointF(1, 200));
        QCOMPARE(out[1][1], QPointF(2, 50));
        QCOMPARE(out[1][100], QPointF(101, 150 + 99 + 1));
        QCOMPARE(out[2][0], QPointF(1, 3));
        QCOMPARE(out[3][99], QPointF(100, 150 + 99 + 2));
        // Phase C was not fetched: flat on zero.
        QCOMPARE(out[4][50], QPointF(51, 0));
        QCOMPARE(out[5][99], QPointF(100, 0));
    }
};

QTEST_GUILESS_MAIN(TestWaveform)
#include "tst_waveform.moc"
