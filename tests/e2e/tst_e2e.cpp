// End to end: the engine on the real serial port class, against the simulated relay on
// a pseudo-terminal.

#include "common/simprocess.h"
#include "common/wine.h"
#include "link/engine.h"
#include "link/jobs/polljob.h"
#include "link/jobs/rawjob.h"
#include "link/jobs/versionjob.h"
#include "link/serialport.h"
#include "protocol/frame.h"
#include "texts/messages.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kliv;
using kliv::test::SimProcess;

class TestEndToEnd : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void versionJobTwice();
    void pollRidesOutDroppedReplies();
    void pollGivesUpOnASilentRelay();
    void vanishedDeviceReportedOnce();
    void lossAfterReopenReportedAgain();
    void lateReplyNotReadAfterReopen();
    void portHeldByAnotherProcess();
    void relayAnswersOnlyAtItsSpeed();
};

namespace {

struct Rig {
    Engine engine{new SerialPort};
    QSignalSpy failures{&engine, &Engine::jobFailed};
    explicit Rig(const QString& path) { engine.setPortName(path); }
    Failure failure(int i) const { return failures.at(i).at(1).value<Outcome>().reason; }
    int failuresOf(Failure f) const {
        int n = 0;
        for (const auto& args : failures)
            n += args.at(1).value<Outcome>().reason == f;
        return n;
    }
};

// Runs a version job to its end; the text read, or empty.
QString readVersion(Rig& r) {
    auto* job = new VersionJob;
    QSignalSpy done(job, &Job::succeeded);
    QSignalSpy failed(job, &Job::failed);
    QString text;
    QObject::connect(job, &Job::succeeded, [&text, job] { text = job->text(); });
    r.engine.start(job);
    if (r.engine.current() == job)
        done.wait(3000) || failed.count() || failed.wait(3000);
    return text;
}

// Runs a job to its end, whatever the end.
void runToEnd(Rig& r, Job* job) {
    QSignalSpy ended(&r.engine, &Engine::jobEnded);
    r.engine.start(job);
    if (r.engine.current() == job)
        ended.wait(5000);
}

} // namespace

void TestEndToEnd::versionJobTwice() {
    SimProcess sim;
    QVERIFY2(sim.ok(), "simulator did not start");
    Rig r(sim.path());
    for (int round = 1; round <= 2; ++round) { // the second job re-opens the port
        QCOMPARE(readVersion(r), QStringLiteral("КЛИВ-1M v3.07"));
        QVERIFY(!r.engine.isOpen());
    }
    QCOMPARE(r.failures.count(), 0);
}

void TestEndToEnd::pollRidesOutDroppedReplies() {
    SimProcess sim({QStringLiteral("--fault"), QStringLiteral("drop:kind=1:every=4")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    r.engine.start(new PollJob(3));
    QTRY_VERIFY_WITH_TIMEOUT(r.engine.framesReceived() >= 24, 20000);
    QVERIFY(r.engine.framesSent() > r.engine.framesReceived()); // re-sends happened
    QCOMPARE(r.failures.count(), 0);
    QVERIFY(r.engine.pollRunning());
    r.engine.stopPoll();
    QVERIFY(!r.engine.isOpen());
}

void TestEndToEnd::pollGivesUpOnASilentRelay() {
    SimProcess sim({QStringLiteral("--serial"), QStringLiteral("601")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    r.engine.start(new PollJob);
    QVERIFY(r.failures.wait(10000));
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(0), Failure::NoAnswer);
    QCOMPARE(r.engine.framesSent(), 5);
    QVERIFY(!r.engine.pollRunning());
}

void TestEndToEnd::vanishedDeviceReportedOnce() {
    SimProcess sim({QStringLiteral("--fault"), QStringLiteral("vanish:nth=5")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    r.engine.start(new PollJob);
    QVERIFY(r.failures.wait(5000));
    QTest::qWait(700); // a storm of read errors would show up as more reports here
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(0), Failure::LineLost);
    QVERIFY(!r.engine.isOpen());
    QVERIFY(!r.engine.pollRunning());
}

// The same port object on a second device: its loss is a loss of its own.
void TestEndToEnd::lossAfterReopenReportedAgain() {
    if (test::underWine())
        QSKIP(test::WineSeesNoHangUp);
    const QStringList vanishing = {QStringLiteral("--fault"), QStringLiteral("vanish:nth=1")};
    SimProcess first(vanishing), second(vanishing);
    QVERIFY(first.ok() && second.ok());
    Rig r(first.path());
    runToEnd(r, new VersionJob);
    r.engine.setPortName(second.path());
    runToEnd(r, new VersionJob);
    QCOMPARE(r.failures.count(), 2);
    QCOMPARE(r.failure(0), Failure::LineLost);
    QCOMPARE(r.failure(1), Failure::LineLost);
}

// A reply that comes after its job gave up waits in the line's input queue; the next job
// opens the line afresh and must not take it for its own answer.
void TestEndToEnd::lateReplyNotReadAfterReopen() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sim.log"));
    SimProcess sim({QStringLiteral("--fault"), QStringLiteral("delay=1500:kind=1:nth=1"),
                    QStringLiteral("--log-file"), log});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    r.engine.setRetries(0); // one request, one late reply
    auto ask = [&r](quint8 selector) {
        auto* job = new RawJob(KindStatus, QByteArray(1, char(selector)));
        QByteArray reply;
        QObject::connect(job, &Job::succeeded, [&reply, job] { reply = job->reply(); });
        runToEnd(r, job);
        return reply;
    };
    QCOMPARE(ask(SelectorLive), QByteArray()); // the reply time-out ends it
    QCOMPARE(r.failure(0), Failure::NoAnswer);
    auto sent = [&log] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains(" tx AA 06 02 58 01 35 00");
    };
    QTRY_VERIFY_WITH_TIMEOUT(sent(), 5000); // the late reply is on the line now
    const QByteArray reply = ask(SelectorCalibration);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(frame::hex(frame::payloadOf(reply).left(1)), QStringLiteral("04"));
}

void TestEndToEnd::portHeldByAnotherProcess() {
    if (test::underWine())
        QSKIP(test::WineSharesPorts);
    SimProcess sim;
    QVERIFY(sim.ok());
    QProcess holder;
    holder.start(qEnvironmentVariable("KLIV_CLI"),
                 {QStringLiteral("poll"), QStringLiteral("--port"), sim.path()});
    QVERIFY(holder.waitForStarted());
    QVERIFY(holder.waitForReadyRead(5000)); // it prints once it owns the line
    Rig r(sim.path());
    QCOMPARE(readVersion(r), QString());
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(0), Failure::PortNotOpened);
    QVERIFY(msg::failureDetail(r.failures.first().at(1).value<Outcome>())
                .contains(QStringLiteral("занят")));
    holder.terminate();
    QVERIFY(holder.waitForFinished(3000));
    QCOMPARE(readVersion(r), QStringLiteral("КЛИВ-1M v3.07")); // free again
}

// The simulated relay only understands its own speed, as a real one does.
void TestEndToEnd::relayAnswersOnlyAtItsSpeed() {
    SimProcess sim({QStringLiteral("--baud"), QStringLiteral("2400")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    QCOMPARE(readVersion(r), QString()); // at 115200: not understood
    QCOMPARE(r.failuresOf(Failure::NoAnswer), 1);

    r.engine.applySpeed(3);
    QCOMPARE(readVersion(r), QStringLiteral("КЛИВ-1M v3.07"));
    QCOMPARE(r.failures.count(), 1);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
