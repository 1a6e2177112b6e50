#include "common/fakeport.h"
#include "link/engine.h"
#include "link/speeds.h"
#include "protocol/cp1251.h"
#include "protocol/frame.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kliv;
using kliv::test::FakePort;

namespace {

QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

QByteArray reply(quint8 kind, const QByteArray& payload) {
    return frame::build(600, kind, payload);
}

QByteArray liveReply() {
    QByteArray p(53, '\0');
    p[15] = char(230); // Ua = 230 V
    return reply(KindStatus, p);
}

QByteArray blockReply(int selector) {
    QByteArray p(201, '\0');
    p[0] = char(selector);
    p[1] = char(200);
    p[2] = char(50);
    return reply(KindStatus, p);
}

int selectorOf(const QByteArray& request) {
    return quint8(request.at(6));
}

struct Rig {
    FakePort* port = new FakePort;
    Engine engine{port};
    Rig() { engine.setPortName(QStringLiteral("/dev/fake")); }
    QByteArray last() const {
        return port->written.isEmpty() ? QByteArray() : port->written.last();
    }
};

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void versionJob();
    void replyTimeoutBySpeed_data();
    void replyTimeoutBySpeed();
    void timeoutEndsTheJob();
    void pollSelectorCycle_data();
    void pollSelectorCycle();
    void watchdogResendsThenGivesUp();
    void replyBetweenResendsKeepsThePollAlive();
    void jobEndsThePoll();
    void staleStatusReplyIsNotTheJobsAnswer();
    void heldFrameDispatchedOnce();
    void idleCloseSparesAwaitedReplyAndPoll();
    void shortLiveRecordIsIgnored();
    void blockWithoutPhaseIsIgnored();
    void singleJobsCloseThePort_data();
    void singleJobsCloseThePort();
    void lostDeviceReportedOnceAndReopens();
    void openFailureSendsNothing();
    void serialPresetsSpeed();
    void unsolicitedReplies_data();
    void unsolicitedReplies();
};

void TestEngine::versionJob() {
    Rig r;
    QSignalSpy text(&r.engine, &Engine::versionRead);
    r.engine.readVersion();
    QCOMPARE(r.last(), hx("AA 06 02 58 0F 00 01 19"));
    QVERIFY(r.engine.timer3().isActive());
    QCOMPARE(r.engine.timer3().interval(), 300);
    QVERIFY(r.engine.timer4().isActive());
    QCOMPARE(r.engine.framesSent(), 1);

    QByteArray payload = cp1251::encode(QStringLiteral("КЛИВ1"));
    payload.append(QByteArray(11, '\0'));
    r.port->push(reply(KindVersion, payload));
    QCOMPARE(text.count(), 1);
    QCOMPARE(text.first().first().toString(), QStringLiteral("КЛИВ1"));
    QVERIFY(!r.port->isOpen());
    QVERIFY(!r.engine.timer3().isActive());
    QVERIFY(!r.engine.timer4().isActive());
    QCOMPARE(r.engine.framesReceived(), 1);
}

void TestEngine::replyTimeoutBySpeed_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("interval");
    QTest::newRow("read 115200") << 10 << int(KindConfigRead) << 300;
    QTest::newRow("read 300") << 0 << int(KindConfigRead) << 10000;
    QTest::newRow("read 600") << 1 << int(KindConfigRead) << 5000;
    QTest::newRow("read 1200") << 2 << int(KindConfigRead) << 2500;
    QTest::newRow("read 2400") << 3 << int(KindConfigRead) << 1250;
    QTest::newRow("read 4800") << 4 << int(KindConfigRead) << 625;
    QTest::newRow("read 9600") << 5 << int(KindConfigRead) << 350;
    QTest::newRow("read 14400") << 6 << int(KindConfigRead) << 300;
    QTest::newRow("write 9600") << 5 << int(KindConfigWrite) << 850;
    QTest::newRow("write 300") << 0 << int(KindConfigWrite) << 10500;
    QTest::newRow("version 2400") << 3 << int(KindVersion) << 1250;
}

void TestEngine::replyTimeoutBySpeed() {
    QFETCH(int, speed);
    QFETCH(int, kind);
    QFETCH(int, interval);
    Rig r;
    r.engine.Comspeed(speed);
    QVERIFY(r.engine.comopen());
    QCOMPARE(r.port->baud, speeds::Baud[speed]);
    r.engine.state().requestKind = quint8(kind);
    r.engine.TXD();
    QVERIFY(r.engine.timer3().isActive());
    QCOMPARE(r.engine.timer3().interval(), interval);
    QCOMPARE(r.engine.timer4().interval(), 3000);
}

void TestEngine::timeoutEndsTheJob() {
    Rig r;
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    r.engine.state().jobState = 21; // a chained job waiting for its step
    r.engine.readVersion();
    r.engine.Timer3Timer();
    QCOMPARE(noReply.count(), 1);
    QVERIFY(!r.port->isOpen());
    QVERIFY(!r.engine.timer3().isActive());
    QCOMPARE(r.engine.state().jobState, 0);
    // A late reply on a re-opened line is not taken for the dead job.
    r.engine.comopen();
    r.port->push(reply(KindVersion, QByteArray(16, 'A')));
    QCOMPARE(noReply.count(), 1);
}

void TestEngine::pollSelectorCycle_data() {
    QTest::addColumn<int>("view");
    QTest::addColumn<QList<int>>("selectors");
    QTest::addColumn<int>("drawings");
    QTest::newRow("нет") << 0 << QList<int>{0, 0, 0, 0, 0} << 0;
    QTest::newRow("A") << 1 << QList<int>{0, 17, 0, 17, 0} << 2;
    QTest::newRow("A,B") << 2 << QList<int>{0, 1, 18, 0, 1, 18, 0} << 2;
    QTest::newRow("A,B,C") << 3 << QList<int>{0, 1, 2, 19, 0, 1, 2, 19, 0} << 2;
}

// The relay answers each request with the block it asked for; the requests must walk
// the view's cycle and the chart is drawn once per cycle.
void TestEngine::pollSelectorCycle() {
    QFETCH(int, view);
    QFETCH(QList<int>, selectors);
    QFETCH(int, drawings);
    Rig r;
    r.engine.setView(view);
    QSignalSpy drawn(&r.engine, &Engine::waveformReady);
    QSignalSpy live(&r.engine, &Engine::liveStatus);
    r.engine.diagnosClick();
    QVERIFY(r.engine.pollRunning());
    QVERIFY(r.engine.timer2().isActive());
    QVERIFY(!r.engine.timer3().isActive());
    QList<int> sent;
    for (int i = 0; i < selectors.size(); ++i) {
        const int s = selectorOf(r.last());
        sent.append(s);
        if (i + 1 < selectors.size())
            r.port->push(s == 0 ? liveReply() : blockReply(s));
    }
    QCOMPARE(sent, selectors);
    QCOMPARE(drawn.count(), drawings);
    QVERIFY(live.count() >= 2);
    if (drawings) {
        const auto store = drawn.first().first().value<WaveformStore>();
        QCOMPARE(store.voltage[0][0], 200);
        QCOMPARE(store.current[0][0], 50);
        QCOMPARE(r.engine.samples().voltage[0][0], 0); // cleared after the drawing
    }
    QCOMPARE(r.engine.framesReceived(), selectors.size() - 1);
}

void TestEngine::watchdogResendsThenGivesUp() {
    Rig r;
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    r.engine.diagnosClick();
    QCOMPARE(r.engine.framesSent(), 1);
    int ticks = 0;
    while (r.engine.timer2().isActive() && ticks < 50) {
        r.engine.Timer2Timer();
        ++ticks;
    }
    // Two ticks per expiry; four re-sends, the fifth silent expiry gives up.
    QCOMPARE(ticks, 10);
    QCOMPARE(r.engine.framesSent(), 5);
    QCOMPARE(noReply.count(), 1);
    QVERIFY(!r.engine.pollRunning());
    QCOMPARE(r.port->written.size(), 5);
    for (const QByteArray& w : r.port->written)
        QCOMPARE(w, hx("AA 06 02 58 01 01 00 01 0C"));
    // The port is left to the idle close, which now closes it.
    QVERIFY(r.port->isOpen());
    r.engine.Timer4Timer();
    QVERIFY(!r.port->isOpen());
}

void TestEngine::replyBetweenResendsKeepsThePollAlive() {
    Rig r;
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    r.engine.setView(0);
    r.engine.diagnosClick();
    for (int round = 0; round < 6; ++round) {
        for (int t = 0; t < 8; ++t) // four silent expiries
            r.engine.Timer2Timer();
        QCOMPARE(r.engine.state().retryCount, 4);
        r.port->push(liveReply());
        QCOMPARE(r.engine.state().retryCount, 0);
    }
    QCOMPARE(noReply.count(), 0);
    QVERIFY(r.engine.pollRunning());
}

void TestEngine::jobEndsThePoll() {
    Rig r;
    r.engine.diagnosClick();
    r.engine.readVersion();
    QVERIFY(!r.engine.pollRunning());
    QVERIFY(!r.engine.timer2().isActive());
    QCOMPARE(r.last(), hx("AA 06 02 58 0F 00 01 19"));
    r.port->push(liveReply()); // the poll's last answer must not start a new request
    QCOMPARE(r.last(), hx("AA 06 02 58 0F 00 01 19"));
}

void TestEngine::staleStatusReplyIsNotTheJobsAnswer() {
    Rig r;
    QSignalSpy text(&r.engine, &Engine::versionRead);
    r.engine.diagnosClick();
    r.engine.readVersion();
    r.port->push(liveReply() + reply(KindVersion, QByteArray("v1\0", 3) + QByteArray(13, '\0')));
    QCOMPARE(text.count(), 1);
    QCOMPARE(text.first().first().toString(), QStringLiteral("v1"));
}

void TestEngine::heldFrameDispatchedOnce() {
    Rig r;
    QSignalSpy live(&r.engine, &Engine::liveStatus);
    r.engine.diagnosClick();
    r.engine.endPoll(); // the answer in flight is shown, nothing follows it
    r.port->push(liveReply() + hx("00 11 22"));
    r.port->push(hx("33 44"));
    r.port->push(liveReply());
    QCOMPARE(live.count(), 1);
    QCOMPARE(r.engine.framesReceived(), 1);
    QCOMPARE(r.engine.framesSent(), 1);
}

void TestEngine::idleCloseSparesAwaitedReplyAndPoll() {
    Rig r;
    r.engine.Comspeed(0);
    r.engine.readVersion(); // 10 s reply time-out at 300 baud
    r.engine.Timer4Timer();
    QVERIFY(r.port->isOpen());
    r.engine.Timer3Timer();
    QVERIFY(!r.port->isOpen());

    r.engine.diagnosClick();
    r.engine.Timer4Timer();
    QVERIFY(r.port->isOpen());
    r.engine.diagnosClick(); // stop: closes at once
    QVERIFY(!r.port->isOpen());
}

void TestEngine::shortLiveRecordIsIgnored() {
    Rig r;
    QSignalSpy live(&r.engine, &Engine::liveStatus);
    r.engine.setView(0);
    r.engine.diagnosClick();
    r.port->push(reply(KindStatus, QByteArray(10, '\0')));
    QCOMPARE(live.count(), 0);
    QCOMPARE(r.engine.framesSent(), 2); // the poll goes on
    QCOMPARE(selectorOf(r.last()), 0);
}

void TestEngine::blockWithoutPhaseIsIgnored() {
    Rig r;
    QSignalSpy drawn(&r.engine, &Engine::waveformReady);
    r.engine.setView(1);
    r.engine.diagnosClick();
    r.port->push(liveReply());
    QCOMPARE(selectorOf(r.last()), 17);
    r.port->push(blockReply(16));
    QCOMPARE(drawn.count(), 0);
    QCOMPARE(selectorOf(r.last()), 17); // asked again
    for (const auto& phase : r.engine.samples().voltage)
        QCOMPARE(phase[0], 0);
}

void TestEngine::singleJobsCloseThePort_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("protection reset") << int(KindProtectionReset) << hx("AA 06 02 58 05 00 01 0F");
    QTest::newRow("clock set") << int(KindClockSet)
                               << hx("AA 06 02 58 04 09 03 87 05 09 01 06 12 26 00 01 EE");
}

void TestEngine::singleJobsCloseThePort() {
    QFETCH(int, kind);
    QFETCH(QByteArray, request);
    Rig r;
    QSignalSpy reset(&r.engine, &Engine::protectionResetDone);
    QSignalSpy clock(&r.engine, &Engine::clockSetDone);
    r.engine.diagnosClick();
    if (kind == KindClockSet)
        r.engine.setClock(hx("03 87 05 09 01 06 12 26 00"));
    else
        r.engine.resetProtection();
    QVERIFY(!r.engine.pollRunning());
    QCOMPARE(r.last().toHex(' '), request.toHex(' '));
    r.port->push(reply(quint8(kind), hx("01 02")));
    QCOMPARE(reset.count() + clock.count(), 1);
    QVERIFY(!r.port->isOpen());
}

void TestEngine::lostDeviceReportedOnceAndReopens() {
    Rig r;
    QSignalSpy lost(&r.engine, &Engine::deviceLost);
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    r.engine.diagnosClick();
    r.port->vanish();
    QCOMPARE(lost.count(), 1);
    QVERIFY(!r.engine.pollRunning());
    QVERIFY(!r.engine.timer2().isActive());
    r.engine.Timer2Timer();
    QCOMPARE(noReply.count(), 0);
    r.engine.readVersion();
    QCOMPARE(r.port->opens, 2);
    QVERIFY(r.port->isOpen());
}

void TestEngine::openFailureSendsNothing() {
    Rig r;
    QSignalSpy failed(&r.engine, &Engine::portOpenFailed);
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    r.port->failNextOpen = true;
    r.port->failWith = OpenError::Permission;
    r.engine.readVersion();
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().value<OpenError>(), OpenError::Permission);
    QVERIFY(failed.first().at(1).toString().contains(QStringLiteral("dialout")));
    QVERIFY(r.port->written.isEmpty());
    QVERIFY(!r.engine.timer3().isActive());
    QCOMPARE(noReply.count(), 0);

    r.port->failNextOpen = true;
    r.engine.diagnosClick();
    QVERIFY(!r.engine.pollRunning());
    QVERIFY(!r.engine.timer2().isActive());
}

void TestEngine::serialPresetsSpeed() {
    Rig r;
    r.engine.setSerial(599);
    QCOMPARE(r.engine.speedIndex(), 6);
    r.engine.setSerial(600);
    QCOMPARE(r.engine.speedIndex(), 10);
    r.engine.readVersion();
    QCOMPARE(r.port->baud, 115200);
    r.engine.Comspeed(3); // applies to the open line at once
    QCOMPARE(r.port->baud, 2400);
}

// Presence replies move the speed-change job's state; other kinds are only counted.
void TestEngine::unsolicitedReplies_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("payloadLength");
    QTest::addColumn<int>("stateBefore");
    QTest::addColumn<int>("stateAfter");
    QTest::newRow("presence answers step 0") << 0 << 2 << 0 << 13;
    QTest::newRow("presence answers step 14") << 0 << 1 << 14 << 15;
    QTest::newRow("presence in another step") << 0 << 2 << 16 << 16;
    QTest::newRow("empty presence reply") << 0 << 0 << 0 << 0;
    QTest::newRow("kind 9") << 9 << 3 << 20 << 20;
    QTest::newRow("kind 200") << 200 << 0 << 21 << 21;
}

void TestEngine::unsolicitedReplies() {
    QFETCH(int, kind);
    QFETCH(int, payloadLength);
    QFETCH(int, stateBefore);
    QFETCH(int, stateAfter);
    Rig r;
    QVERIFY(r.engine.comopen());
    r.engine.state().jobState = stateBefore;
    r.port->push(reply(quint8(kind), QByteArray(payloadLength, '\x01')));
    QCOMPARE(r.engine.framesReceived(), 1);
    QCOMPARE(r.engine.state().jobState, stateAfter);
    QVERIFY(r.port->written.isEmpty());
    QVERIFY(r.port->isOpen());
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
