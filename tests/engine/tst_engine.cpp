#include "common/fakeport.h"
#include "common/silentrelay.h"
#include "link/engine.h"
#include "link/jobs/clocksetjob.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/livestatusjob.h"
#include "link/jobs/polljob.h"
#include "link/jobs/protectionresetjob.h"
#include "link/jobs/versionjob.h"
#include "protocol/cp1251.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "texts/messages.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace kliv;
using kliv::test::FakePort;

namespace {

QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

QByteArray reply(quint8 kind, const QByteArray& payload, quint16 serial = 600) {
    return frame::build(serial, kind, payload);
}

QByteArray versionReply(const QByteArray& text) {
    return reply(KindVersion, text + QByteArray(16 - text.size(), '\0'));
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

// A job that sends what it is given and keeps what comes back; it ends only when told.
class ScriptJob : public Job {
  public:
    explicit ScriptJob(Request r) : m_request(std::move(r)) {}
    Task task() const override { return Task::Raw; }
    QList<QByteArray> replies;
    std::function<bool(const QByteArray&)> acceptIf;
    void sendAgain(const Request& r) { send(r); }
    void finishNow() { succeed(); }

  protected:
    void begin() override { send(m_request); }
    bool accepts(const QByteArray& f) const override { return !acceptIf || acceptIf(f); }
    void onReply(const QByteArray& f) override { replies.append(f); }

  private:
    Request m_request;
};

struct Rig {
    FakePort* port = new FakePort;
    Engine engine{port};
    QSignalSpy failures{&engine, &Engine::jobFailed};
    Rig() { engine.setPortName(QStringLiteral("/dev/fake")); }
    QByteArray last() const {
        return port->written.isEmpty() ? QByteArray() : port->written.last();
    }
    Failure failure(int i = 0) const { return failures.at(i).at(1).value<Outcome>().reason; }
    template <class J> J* start(J* job) {
        engine.start(job);
        return job;
    }
};

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void versionJob();
    void versionTextStopsAtItsPayload_data();
    void versionTextStopsAtItsPayload();
    void replyTimeoutBySpeed_data();
    void replyTimeoutBySpeed();
    void lateReplyAfterTimeoutIsDropped();
    void repliesMatchTheirRequest_data();
    void repliesMatchTheirRequest();
    void jobTurnsAwayAReplyNotAskedFor();
    void pollSelectorCycle_data();
    void pollSelectorCycle();
    void watchdogResendsThenGivesUp();
    void replyBetweenResendsKeepsThePollAlive();
    void pollGivesWayToAJob();
    void newJobCancelsTheOneInFlight();
    void heldFrameDispatchedOnce();
    void idleCloseFreesOnlyAnIdleLine();
    void shortLiveRecordIsAskedAgain();
    void pollWithoutViewAsksForValuesOnly();
    void liveStatusJobOutcome_data();
    void liveStatusJobOutcome();
    void blockWithoutPhaseMovesTheCycleOn();
    void singleJobsCloseThePort_data();
    void singleJobsCloseThePort();
    void lostDeviceReportedOnceAndReopens();
    void openFailureSendsNothing();
    void refusedJobSendsNothing();
    void serialPresetsSpeed();
    void speedsOutsideTheListChangeNothing_data();
    void speedsOutsideTheListChangeNothing();
    void speedOfBaud_data();
    void speedOfBaud();
    void watchdogIntervalBySpeed_data();
    void watchdogIntervalBySpeed();
    void pollCountsItsOwnFrames();
    void probesAreNotCounted();
    void lostAnswerIsAskedForAgain_data();
    void lostAnswerIsAskedForAgain();
    void ownSchedulesAreNotRepeated();
    void replyWithAFrameInsideIsTakenWhole();
    void replyBehindNoiseWaitsForTheTimeUp_data();
    void replyBehindNoiseWaitsForTheTimeUp();
    void jobKeepsItsRelayAndSpeed();
    void trafficTellsWhatBecameOfEveryByte_data();
    void trafficTellsWhatBecameOfEveryByte();
};

void TestEngine::versionJob() {
    Rig r;
    auto* job = r.start(new VersionJob);
    QSignalSpy done(job, &Job::succeeded);
    QCOMPARE(r.last(), hx("AA 06 02 58 0F 00 01 19"));
    QVERIFY(r.engine.replyTimer().isActive());
    QCOMPARE(r.engine.replyTimer().interval(), 300);
    QVERIFY(r.engine.idleClose().isActive());
    QCOMPARE(r.engine.framesSent(), 1);

    r.port->push(versionReply(cp1251::encode(QStringLiteral("КЛИВ1"))));
    QCOMPARE(done.count(), 1);
    QCOMPARE(job->text(), QStringLiteral("КЛИВ1"));
    QVERIFY(!r.port->isOpen());
    QVERIFY(!r.engine.replyTimer().isActive());
    QVERIFY(!r.engine.idleClose().isActive());
    QCOMPARE(r.engine.framesReceived(), 1);
    QVERIFY(!r.engine.current());
}

void TestEngine::versionTextStopsAtItsPayload_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");
    QTest::newRow("five and zeros") << QByteArray("V3.07\0\0\0\0\0\0\0\0\0\0\0", 16) << "V3.07";
    QTest::newRow("short, no zero") << QByteArray("V3") << "V3";
    QTest::newRow("longer than sixteen") << QByteArray("ABCDEFGHIJKLMNOPQR") << "ABCDEFGHIJKLMNOP";
    QTest::newRow("empty") << QByteArray() << "";
}

void TestEngine::versionTextStopsAtItsPayload() {
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    Rig r;
    auto* job = r.start(new VersionJob);
    QSignalSpy done(job, &Job::succeeded);
    r.port->push(reply(KindVersion, payload));
    QCOMPARE(done.count(), 1);
    QCOMPARE(job->text(), text);
}

void TestEngine::replyTimeoutBySpeed_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("extra");
    QTest::addColumn<int>("interval");
    QTest::newRow("115200") << 10 << 0 << 300;
    QTest::newRow("300") << 0 << 0 << 10000;
    QTest::newRow("600") << 1 << 0 << 5000;
    QTest::newRow("1200") << 2 << 0 << 2500;
    QTest::newRow("2400") << 3 << 0 << 1250;
    QTest::newRow("4800") << 4 << 0 << 625;
    QTest::newRow("9600") << 5 << 0 << 350;
    QTest::newRow("14400") << 6 << 0 << 300;
    QTest::newRow("write 9600") << 5 << 500 << 850;
    QTest::newRow("write 300") << 0 << 500 << 10500;
}

void TestEngine::replyTimeoutBySpeed() {
    QFETCH(int, speed);
    QFETCH(int, extra);
    QFETCH(int, interval);
    Rig r;
    r.engine.applySpeed(speed);
    r.start(new ScriptJob({KindConfigRead, {}, Watch::ReplyTimeout, extra}));
    QCOMPARE(r.port->baud, speeds::Baud[std::size_t(speed)]);
    QVERIFY(r.engine.replyTimer().isActive());
    QCOMPARE(r.engine.replyTimer().interval(), interval);
    QCOMPARE(r.engine.idleClose().interval(), 3000);
}

// A time-out ends its job; its reply, arriving late on a line opened again for the next
// job, is not that job's answer.
void TestEngine::lateReplyAfterTimeoutIsDropped() {
    Rig r;
    auto* first = r.start(new VersionJob);
    kliv::test::timeOutEveryTry(r.engine);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::NoAnswer);
    QVERIFY(!r.port->isOpen());
    QVERIFY(!r.engine.current());
    QCOMPARE(first->phase(), Job::Phase::Failed);

    auto* reset = r.start(new ProtectionResetJob);
    QSignalSpy done(reset, &Job::succeeded);
    r.port->push(versionReply("late"));
    QCOMPARE(done.count(), 0);
    QVERIFY(r.engine.replyTimer().isActive()); // still waiting for its own answer
    QCOMPARE(r.engine.framesReceived(), 0);
    r.port->push(reply(KindProtectionReset, {}));
    QCOMPARE(done.count(), 1);
}

void TestEngine::repliesMatchTheirRequest_data() {
    QTest::addColumn<QByteArray>("stranger");
    QTest::newRow("protection reset reply to a version request") << reply(KindProtectionReset, {});
    QTest::newRow("version reply from another relay") << reply(KindVersion, "X", 601);
    QTest::newRow("status reply left on the line") << liveReply();
    QTest::newRow("unknown kind") << reply(9, "abc");
}

// Only the answer to the request in flight completes its job; anything else is dropped,
// and the right answer behind it in the same batch is still found.
void TestEngine::repliesMatchTheirRequest() {
    QFETCH(QByteArray, stranger);
    Rig r;
    auto* job = r.start(new VersionJob);
    QSignalSpy done(job, &Job::succeeded);
    r.port->push(stranger);
    QCOMPARE(done.count(), 0);
    QCOMPARE(r.engine.framesReceived(), 0);
    QVERIFY(r.engine.replyTimer().isActive());
    r.port->push(stranger + versionReply("v1"));
    QCOMPARE(done.count(), 1);
    QCOMPARE(job->text(), QStringLiteral("v1"));
    QCOMPARE(r.failures.count(), 0);
}

// A reply of the right kind that is still not the one asked for (another block) leaves
// the request waiting under its time-out.
void TestEngine::jobTurnsAwayAReplyNotAskedFor() {
    Rig r;
    auto* job = r.start(new ScriptJob({KindEventRecord, QByteArray(1, '\3')}));
    job->acceptIf = [](const QByteArray& f) { return frame::payloadOf(f).startsWith('\3'); };
    r.port->push(reply(KindEventRecord, QByteArray(1, '\7')));
    QVERIFY(job->replies.isEmpty());
    QVERIFY(r.engine.replyTimer().isActive());
    QCOMPARE(r.engine.framesReceived(), 0);
    r.port->push(reply(KindEventRecord, QByteArray(1, '\7')) +
                 reply(KindEventRecord, QByteArray(1, '\3')));
    QCOMPARE(job->replies.size(), 1);
    QVERIFY(!r.engine.replyTimer().isActive());
    r.port->push(reply(KindEventRecord, QByteArray(1, '\7')));
    r.engine.onReplyTimeout(); // nothing awaited any more: no failure
    QCOMPARE(r.failures.count(), 0);
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
    auto* poll = r.start(new PollJob(view));
    QSignalSpy drawn(poll, &PollJob::waveformReady);
    QSignalSpy live(poll, &PollJob::liveStatus);
    QVERIFY(r.engine.pollRunning());
    QVERIFY(r.engine.watchdog().isActive());
    QVERIFY(!r.engine.replyTimer().isActive());
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
        QCOMPARE(poll->samples().voltage[0][0], 0); // cleared after the drawing
    }
    QCOMPARE(r.engine.framesReceived(), selectors.size() - 1);
}

void TestEngine::watchdogResendsThenGivesUp() {
    Rig r;
    r.start(new PollJob);
    QCOMPARE(r.engine.framesSent(), 1);
    int ticks = 0;
    while (r.engine.watchdog().isActive() && ticks < 50) {
        r.engine.onWatchdogTick();
        ++ticks;
    }
    // Two ticks per expiry; four re-sends, the fifth silent expiry gives up.
    QCOMPARE(ticks, 10);
    QCOMPARE(r.engine.framesSent(), 5);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::NoAnswer);
    QVERIFY(!r.engine.pollRunning());
    QCOMPARE(r.port->written.size(), 5);
    for (const QByteArray& w : r.port->written)
        QCOMPARE(w, hx("AA 06 02 58 01 01 00 01 0C"));
    QVERIFY(!r.port->isOpen());
}

void TestEngine::replyBetweenResendsKeepsThePollAlive() {
    Rig r;
    r.start(new PollJob(0));
    for (int round = 0; round < 6; ++round) {
        for (int t = 0; t < 8; ++t) // four silent expiries
            r.engine.onWatchdogTick();
        QCOMPARE(r.engine.watchdogRetries(), 4);
        r.port->push(liveReply());
        QCOMPARE(r.engine.watchdogRetries(), 0);
    }
    QCOMPARE(r.failures.count(), 0);
    QVERIFY(r.engine.pollRunning());
}

// The poll ends quietly when a job takes the line; its last answer, still on the line,
// neither asks for more nor passes for the job's answer.
void TestEngine::pollGivesWayToAJob() {
    Rig r;
    auto* poll = r.start(new PollJob);
    QPointer<PollJob> alive(poll);
    QSignalSpy pollDone(poll, &Job::succeeded);
    auto* version = r.start(new VersionJob);
    QCOMPARE(pollDone.count(), 1);
    QVERIFY(!r.engine.pollRunning());
    QVERIFY(!r.engine.watchdog().isActive());
    QCOMPARE(r.last(), hx("AA 06 02 58 0F 00 01 19"));
    r.port->push(liveReply() + versionReply("v1"));
    QCOMPARE(r.last(), hx("AA 06 02 58 0F 00 01 19"));
    QCOMPARE(version->text(), QStringLiteral("v1"));
    QCOMPARE(r.failures.count(), 0);
}

// One job at a time: a job in flight that must give way says so, and neither its
// success nor its time-out follows.
void TestEngine::newJobCancelsTheOneInFlight() {
    Rig r;
    auto* version = r.start(new VersionJob);
    QSignalSpy versionDone(version, &Job::succeeded);
    r.start(new PollJob);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::Cancelled);
    QCOMPARE(r.failures.first().first().value<Job*>(), version);
    r.engine.onReplyTimeout(); // a stray tick of the dead job's time-out
    r.port->push(versionReply("late"));
    QCOMPARE(versionDone.count(), 0);
    QCOMPARE(r.failures.count(), 1);
    QVERIFY(r.engine.pollRunning());
}

void TestEngine::heldFrameDispatchedOnce() {
    Rig r;
    auto* job = r.start(new ScriptJob({KindStatus, QByteArray(1, '\0')}));
    r.port->push(liveReply() + hx("00 11 22"));
    r.port->push(hx("33 44"));
    r.port->push(liveReply());
    QCOMPARE(job->replies.size(), 1);
    QCOMPARE(r.engine.framesReceived(), 1);
    QCOMPARE(r.engine.framesSent(), 1);
}

void TestEngine::idleCloseFreesOnlyAnIdleLine() {
    Rig r;
    r.engine.applySpeed(0);
    r.start(new VersionJob); // 10 s reply time-out at 300 baud
    r.engine.onIdleClose();
    QVERIFY(r.port->isOpen());
    kliv::test::timeOutEveryTry(r.engine);
    QVERIFY(!r.port->isOpen());

    r.start(new PollJob);
    r.engine.onIdleClose();
    QVERIFY(r.port->isOpen());
    r.engine.stopPoll(); // closes at once
    QVERIFY(!r.port->isOpen());

    // A job that waits for its user between two requests gives the line back, and
    // opens it again for its next request.
    auto* job = r.start(new ScriptJob({KindConfigWrite, QByteArray(79, '\0')}));
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    QCOMPARE(job->replies.size(), 1);
    r.engine.onIdleClose();
    QVERIFY(!r.port->isOpen());
    job->sendAgain({KindConfigRead});
    QVERIFY(r.port->isOpen());
    QCOMPARE(r.port->opens, 4);
    QCOMPARE(frame::kindOf(r.last()), quint8(KindConfigRead));
}

void TestEngine::shortLiveRecordIsAskedAgain() {
    Rig r;
    auto* poll = r.start(new PollJob(1));
    QSignalSpy live(poll, &PollJob::liveStatus);
    r.port->push(reply(KindStatus, QByteArray(10, '\0')));
    QCOMPARE(live.count(), 0);
    QCOMPARE(r.engine.framesSent(), 2); // the poll goes on
    QCOMPARE(selectorOf(r.last()), 0);
}

void TestEngine::pollWithoutViewAsksForValuesOnly() {
    Rig r;
    r.start(new PollJob);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(selectorOf(r.last()), 0);
        r.port->push(liveReply());
    }
}

// A single status request either brings a whole record or ends with a reason; a short
// record is never shown as the relay's values.
void TestEngine::liveStatusJobOutcome_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("whole record") << liveReply() << true;
    QTest::newRow("record one byte short") << reply(KindStatus, QByteArray(52, '\0')) << false;
    QTest::newRow("no record") << reply(KindStatus, QByteArray()) << false;
}
void TestEngine::liveStatusJobOutcome() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, succeeds);
    Rig r;
    auto* job = r.start(new LiveStatusJob);
    QSignalSpy done(job, &Job::succeeded);
    QCOMPARE(r.last(), hx("AA 06 02 58 01 01 00 01 0C"));
    r.port->push(answer);
    QCOMPARE(done.count(), succeeds ? 1 : 0);
    QCOMPARE(r.failures.count(), succeeds ? 0 : 1);
    if (succeeds)
        QCOMPARE(job->record().ua, 230);
    else
        QCOMPARE(r.failure(), Failure::ShortReply);
    QVERIFY(!r.engine.current());
}

// A relay that answers a waveform request with a block that names no phase must not
// hold the poll on that request for ever: the cycle moves on, the values keep coming.
void TestEngine::blockWithoutPhaseMovesTheCycleOn() {
    Rig r;
    auto* poll = r.start(new PollJob(1));
    QSignalSpy drawn(poll, &PollJob::waveformReady);
    QSignalSpy live(poll, &PollJob::liveStatus);
    for (int round = 0; round < 3; ++round) {
        r.port->push(liveReply());
        QCOMPARE(selectorOf(r.last()), 17);
        r.port->push(blockReply(16));
        QCOMPARE(selectorOf(r.last()), 0);
    }
    QCOMPARE(live.count(), 3);
    QCOMPARE(drawn.count(), 0);
    for (const auto& phase : poll->samples().voltage)
        QCOMPARE(phase[0], 0);

    r.engine.setSpeedIndex(10); // a three-phase view meets the same block in its middle
    poll = r.start(new PollJob(3));
    r.port->push(liveReply());
    r.port->push(blockReply(1));
    QCOMPARE(selectorOf(r.last()), 2);
    r.port->push(blockReply(20)); // names no phase, at or above the view's last
    QCOMPARE(selectorOf(r.last()), 0);
}

void TestEngine::singleJobsCloseThePort_data() {
    QTest::addColumn<bool>("clock");
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("protection reset") << false << hx("AA 06 02 58 05 00 01 0F");
    QTest::newRow("clock set") << true << hx("AA 06 02 58 04 09 03 87 05 09 01 06 12 26 00 01 EE");
}

void TestEngine::singleJobsCloseThePort() {
    QFETCH(bool, clock);
    QFETCH(QByteArray, request);
    Rig r;
    r.start(new PollJob);
    Job* job = clock ? static_cast<Job*>(new ClockSetJob(hx("03 87 05 09 01 06 12 26 00")))
                     : new ProtectionResetJob;
    QSignalSpy done(job, &Job::succeeded);
    r.engine.start(job);
    QVERIFY(!r.engine.pollRunning());
    QCOMPARE(r.last().toHex(' '), request.toHex(' '));
    r.port->push(reply(quint8(request.at(4)), hx("01 02")));
    QCOMPARE(done.count(), 1);
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.failures.count(), 0);
}

void TestEngine::lostDeviceReportedOnceAndReopens() {
    Rig r;
    r.start(new PollJob);
    r.port->vanish();
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::LineLost);
    QVERIFY(!r.engine.pollRunning());
    QVERIFY(!r.engine.watchdog().isActive());
    r.engine.onWatchdogTick();
    r.port->vanish(); // the port reports the same loss again: nothing is in flight
    QCOMPARE(r.failures.count(), 1);
    r.start(new VersionJob);
    QCOMPARE(r.port->opens, 2);
    QVERIFY(r.port->isOpen());
    r.port->vanish(); // a second loss after the re-open is reported too
    QCOMPARE(r.failures.count(), 2);
    QCOMPARE(r.failure(1), Failure::LineLost);
}

void TestEngine::openFailureSendsNothing() {
    Rig r;
    r.port->failNextOpen = true;
    r.port->failWith = OpenError::Permission;
    r.start(new VersionJob);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::PortNotOpened);
    QVERIFY(msg::failureDetail(r.failures.first().at(1).value<Outcome>())
                .contains(QStringLiteral("dialout")));
    QVERIFY(r.port->written.isEmpty());
    QVERIFY(!r.engine.replyTimer().isActive());
    QVERIFY(!r.engine.current());

    r.port->failNextOpen = true;
    r.start(new PollJob);
    QVERIFY(!r.engine.pollRunning());
    QVERIFY(!r.engine.watchdog().isActive());
    QCOMPARE(r.failures.count(), 2);

    r.engine.setPortName({}); // no port at all
    r.start(new VersionJob);
    QCOMPARE(r.failure(2), Failure::PortNotOpened);
    QVERIFY(r.port->written.isEmpty());
}

void TestEngine::refusedJobSendsNothing() {
    Rig r;
    r.start(new ClockSetJob(hx("01 02")));
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::RefusedInput);
    QCOMPARE(r.port->opens, 0);
    QVERIFY(r.port->written.isEmpty());
}

void TestEngine::serialPresetsSpeed() {
    Rig r;
    r.engine.setSerial(599);
    QCOMPARE(r.engine.speedIndex(), 6);
    r.engine.setSerial(600);
    QCOMPARE(r.engine.speedIndex(), 10);
    r.start(new VersionJob);
    QCOMPARE(r.port->baud, 115200);
    r.engine.applySpeed(3); // applies to the open line at once
    QCOMPARE(r.port->baud, 2400);
    r.engine.applySpeed(11); // not a speed of the list: nothing changes
    r.engine.applySpeed(-1);
    QCOMPARE(r.engine.speedIndex(), 3);
}

void TestEngine::speedsOutsideTheListChangeNothing_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("taken");
    QTest::newRow("below the list") << -1 << false;
    QTest::newRow("300, the first") << 0 << true;
    QTest::newRow("115200, the last") << 10 << true;
    QTest::newRow("past the list") << 11 << false;
}

// A speed index is applied to the open line at once, or not at all.
void TestEngine::speedsOutsideTheListChangeNothing() {
    QFETCH(int, index);
    QFETCH(bool, taken);
    Rig r;
    r.engine.applySpeed(3);
    r.start(new VersionJob);
    QSignalSpy changed(&r.engine, &Engine::speedIndexChanged);
    r.engine.applySpeed(index);
    QCOMPARE(r.engine.speedIndex(), taken ? index : 3);
    QCOMPARE(r.port->baud, taken ? speeds::Baud[std::size_t(index)] : 2400);
    QCOMPARE(changed.count(), taken ? 1 : 0);
}

void TestEngine::speedOfBaud_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("index");
    const int bauds[] = {300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 11; ++i)
        QTest::newRow(qPrintable(QString::number(bauds[i]))) << bauds[i] << i;
    QTest::newRow("between two speeds") << 12345 << -1;
    QTest::newRow("above the list") << 230400 << -1;
    QTest::newRow("zero") << 0 << -1;
}

void TestEngine::speedOfBaud() {
    QFETCH(int, baud);
    QFETCH(int, index);
    QCOMPARE(speeds::indexOfBaud(baud), index);
}

void TestEngine::watchdogIntervalBySpeed_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("interval");
    QTest::newRow("300") << 0 << 10000;
    QTest::newRow("2400") << 3 << 1250;
    QTest::newRow("9600") << 5 << 350;
    QTest::newRow("115200") << 10 << 300;
}

// From the poll's first request on, the watchdog waits as long as a reply takes at the
// line's speed; a shorter first tick would re-send over a reply still on the line.
void TestEngine::watchdogIntervalBySpeed() {
    QFETCH(int, speed);
    QFETCH(int, interval);
    Rig r;
    r.engine.applySpeed(speed);
    r.start(new PollJob);
    QVERIFY(r.engine.watchdog().isActive());
    QCOMPARE(r.engine.watchdog().interval(), interval);
}

// The counters on the page count the poll's own frames, not those of the jobs before it.
void TestEngine::pollCountsItsOwnFrames() {
    Rig r;
    r.start(new VersionJob);
    r.engine.onReplyTimeout(); // asked twice
    r.port->push(versionReply("v1"));
    QCOMPARE(r.engine.framesSent(), 2);
    QCOMPARE(r.engine.framesReceived(), 1);
    QCOMPARE(r.engine.repeats(), 1);
    QSignalSpy received(&r.engine, &Engine::framesReceivedChanged);
    QSignalSpy repeats(&r.engine, &Engine::repeatsChanged);
    r.start(new PollJob);
    QCOMPARE(r.engine.framesSent(), 1);
    QCOMPARE(r.engine.framesReceived(), 0);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toInt(), 0);
    QCOMPARE(r.engine.repeats(), 0);
    QCOMPARE(repeats.count(), 1); // the page's count shows it too
    QCOMPARE(repeats.first().first().toInt(), 0);
    r.port->push(liveReply());
    QCOMPARE(r.engine.framesSent(), 2);
    QCOMPARE(r.engine.framesReceived(), 1);
}

// A job's own probes are not counted, arm no reply time-out and leave the idle close be.
void TestEngine::probesAreNotCounted() {
    Rig r;
    auto* job = r.start(new ScriptJob({KindPresence, {}, Watch::Job}));
    QCOMPARE(r.last(), hx("AA 06 02 58 00 00 01 0A"));
    QCOMPARE(r.engine.framesSent(), 0);
    QVERIFY(!r.engine.replyTimer().isActive());
    QVERIFY(!r.engine.idleClose().isActive());
    r.port->push(reply(KindPresence, hx("01 02")));
    QCOMPARE(job->replies.size(), 1);
    job->finishNow();
    QVERIFY(!r.port->isOpen());
}

// A request whose answer is lost goes out again, the same frame with its full time-out,
// up to retries() more times; only the last try's silence ends the job, with one box.
void TestEngine::lostAnswerIsAskedForAgain_data() {
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("lost"); // answers lost before one comes; above retries: none does
    QTest::newRow("answered at once") << 2 << 0;
    QTest::newRow("answered at the second try") << 2 << 1;
    QTest::newRow("answered at the last try") << 2 << 2;
    QTest::newRow("never answered") << 2 << 3;
    QTest::newRow("no retries, never answered") << 0 << 1;
    QTest::newRow("nine retries, answered at the last") << 9 << 9;
}

void TestEngine::lostAnswerIsAskedForAgain() {
    QFETCH(int, retries);
    QFETCH(int, lost);
    Rig r;
    r.engine.setRetries(retries);
    QSignalSpy repeated(&r.engine, &Engine::requestRepeated);
    auto* job = r.start(new ScriptJob(
        {KindConfigWrite, QByteArray(79, '\0'), Watch::ReplyTimeout, speeds::ConfigWriteExtraMs}));
    const QByteArray request = r.last();
    for (int i = 0; i < lost; ++i)
        r.engine.onReplyTimeout();
    const int tries = qMin(lost, retries) + 1;
    QCOMPARE(r.port->written.size(), tries);
    for (const QByteArray& w : r.port->written)
        QCOMPARE(w, request);
    QCOMPARE(r.engine.repeats(), tries - 1);
    QCOMPARE(r.engine.framesSent(), tries);
    QCOMPARE(repeated.count(), tries - 1);
    for (int i = 0; i < repeated.count(); ++i)
        QCOMPARE(repeated.at(i),
                 (QVariantList{QVariant::fromValue(quint8(KindConfigWrite)), i + 2, retries + 1}));
    if (lost > retries) {
        QCOMPARE(r.failures.count(), 1);
        QCOMPARE(r.failure(), Failure::NoAnswer);
        QVERIFY(!r.engine.current());
        return;
    }
    QCOMPARE(r.engine.replyTimer().interval(), 800); // each try its full time-out
    QVERIFY(r.engine.replyTimer().isActive());
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    QCOMPARE(job->replies.size(), 1);
    QCOMPARE(r.failures.count(), 0);
}

// The search probes and the speed change keep their own clocks; the poll's watchdog keeps
// its schedule, but its re-sends count as repeats.
void TestEngine::ownSchedulesAreNotRepeated() {
    Rig r;
    QSignalSpy repeated(&r.engine, &Engine::requestRepeated);
    r.start(new ScriptJob({KindPresence, {}, Watch::Job}));
    r.engine.onReplyTimeout();
    QCOMPARE(r.port->written.size(), 1);
    QCOMPARE(r.engine.repeats(), 0);

    r.start(new PollJob);
    for (int t = 0; t < 4; ++t)
        r.engine.onWatchdogTick();
    QCOMPARE(r.engine.repeats(), 2);
    QCOMPARE(repeated.count(), 2);
    QCOMPARE(repeated.last().at(2).toInt(), 0);
}

// A relay whose configuration holds Umin 17,0 s, Uасм 1,0 s and Iзкл 107,0 A answers
// with a block that holds a whole frame; the reply is taken whole, in any pieces.
void TestEngine::replyWithAFrameInsideIsTakenWhole() {
    Configuration c;
    c.st_zumin_t = 170;
    c.st_zuasm_t = 10;
    c.z_izkl_a = 1070;
    const QByteArray answer = reply(KindConfigRead, config::encode(c));
    QVERIFY(frame::check(answer.mid(9, 18))); // the frame inside, from Umin's delay on
    for (int cut : {0, 12, 20, 40}) {
        Rig r;
        auto* job = r.start(new ConfigReadJob);
        QSignalSpy done(job, &Job::succeeded);
        if (cut)
            r.port->push(answer.left(cut));
        r.port->push(answer.mid(cut));
        QCOMPARE(done.count(), 1);
        QCOMPARE(job->block(), config::encode(c));
    }
}

// A noise start byte whose false length reaches past the reply holds it back, however long
// the line pauses, until the request has had its time: the reply time-out, the poll's
// watchdog, the search's own clock. Then the reply is taken, and nothing is sent again.
void TestEngine::replyBehindNoiseWaitsForTheTimeUp_data() {
    QTest::addColumn<int>("watch");
    QTest::newRow("reply time-out") << int(Watch::ReplyTimeout);
    QTest::newRow("poll watchdog") << int(Watch::Watchdog);
    QTest::newRow("the job's clock") << int(Watch::Job);
}

void TestEngine::replyBehindNoiseWaitsForTheTimeUp() {
    QFETCH(int, watch);
    Rig r;
    const Watch w = Watch(watch);
    auto* job = r.start(new ScriptJob({KindVersion, {}, w}));
    r.port->push(hx("AA 00 11 22 33 F0") + versionReply("v2"));
    QCoreApplication::processEvents(); // a pause on the line: it frees nothing
    QVERIFY(job->replies.isEmpty());
    if (w == Watch::ReplyTimeout) {
        r.engine.onReplyTimeout();
    } else if (w == Watch::Watchdog) {
        r.engine.onWatchdogTick(); // the first tick only marks the line
        QVERIFY(job->replies.isEmpty());
        r.engine.onWatchdogTick();
    } else {
        QVERIFY(r.engine.timeUp());
    }
    QCOMPARE(job->replies, QList<QByteArray>{versionReply("v2")});
    QCOMPARE(r.port->written.size(), 1);
    QCOMPARE(r.engine.repeats(), 0);
}

// A new serial number or speed during a job is for the next one: its requests keep their
// relay and line, and the change journal files the job under the relay it talked to.
void TestEngine::jobKeepsItsRelayAndSpeed() {
    Rig r;
    auto* job = r.start(new ScriptJob(Request(KindConfigRead)));
    r.engine.setSerial(599);   // presets 14400 baud
    r.engine.setSpeedIndex(3); // a pick
    job->sendAgain({KindConfigRead});
    QCOMPARE(r.last(), frame::build(600, KindConfigRead, {}));
    QCOMPARE(r.port->baud, 115200);
    QCOMPARE(job->serial(), 600);
    job->finishNow();
    QCOMPARE(r.engine.serial(), 599);
    QCOMPARE(r.engine.speedIndex(), 3);
}

// The traffic a watcher sees: each frame with its verdict, and bytes that made no frame.
void TestEngine::trafficTellsWhatBecameOfEveryByte_data() {
    QTest::addColumn<QByteArray>("arriving");
    QTest::addColumn<bool>("timeOut");     // after the bytes, the request's time-out
    QTest::addColumn<QStringList>("told"); // direction, verdict, bytes
    const QByteArray request = hx("AA 06 02 58 0F 00 01 19");
    const QByteArray v1 = versionReply("v1");
    QByteArray badSum = v1;
    badSum[badSum.size() - 1] = char(badSum.back() ^ 1);
    const QStringList sent{QStringLiteral("TX Good ") + frame::hex(request)};
    auto rx = [](const char* verdict, const QByteArray& b) {
        return QStringLiteral("RX %1 %2").arg(QLatin1String(verdict), frame::hex(b));
    };
    QTest::newRow("reply") << v1 << false << sent + QStringList{rx("Good", v1)};
    QTest::newRow("noise, then the reply")
        << hx("13 37") + v1 << false
        << sent + QStringList{rx("Noise", hx("13 37")), rx("Good", v1)};
    QTest::newRow("a bad sum, then the reply")
        << badSum + v1 << false << sent + QStringList{rx("BadSum", badSum), rx("Good", v1)};
    QTest::newRow("another relay's reply, then the reply")
        << reply(KindVersion, "x", 601) + v1 << false
        << sent + QStringList{rx("Unmatched", reply(KindVersion, "x", 601)), rx("Good", v1)};
    QTest::newRow("bytes after the reply")
        << v1 + hx("00 01") << false
        << sent + QStringList{rx("Good", v1), rx("Noise", hx("00 01"))};
    QTest::newRow("cut off, asked again")
        << v1.left(10) << true
        << sent + QStringList{rx("Cut", v1.left(10)),
                              QStringLiteral("TX Repeat ") + frame::hex(request)};
}

void TestEngine::trafficTellsWhatBecameOfEveryByte() {
    QFETCH(QByteArray, arriving);
    QFETCH(bool, timeOut);
    QFETCH(QStringList, told);
    static const char* const Names[] = {"Good", "BadSum", "Cut", "Noise", "Unmatched", "Repeat"};
    Rig r;
    QStringList seen;
    QObject::connect(&r.engine, &Engine::traffic, [&seen](const Traffic& t) {
        seen << QStringLiteral("%1 %2 %3")
                    .arg(t.sent ? QStringLiteral("TX") : QStringLiteral("RX"),
                         QLatin1String(Names[int(t.verdict)]), frame::hex(t.bytes));
    });
    r.start(new VersionJob);
    r.port->push(arriving);
    if (timeOut)
        r.engine.onReplyTimeout();
    QCOMPARE(seen, told);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
