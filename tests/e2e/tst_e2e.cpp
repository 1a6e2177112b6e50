// End to end: the engine on the real serial port class, against the simulated relay on
// a pseudo-terminal.

#include "common/simprocess.h"
#include "link/engine.h"
#include "link/serialport.h"
#include "protocol/frame.h"

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
    void portHeldByAnotherProcess();
    void speedChangeAppliesToTheOpenLine();
};

namespace {
struct Rig {
    Engine engine{new SerialPort};
    explicit Rig(const QString& path) { engine.setPortName(path); }
};
} // namespace

void TestEndToEnd::versionJobTwice() {
    SimProcess sim;
    QVERIFY2(sim.ok(), "simulator did not start");
    Rig r(sim.path());
    QSignalSpy text(&r.engine, &Engine::versionRead);
    for (int round = 1; round <= 2; ++round) { // the second job re-opens the port
        r.engine.readVersion();
        QVERIFY(text.wait(3000));
        QCOMPARE(text.last().first().toString(), QStringLiteral("КЛИВ-1M v3.07"));
        QVERIFY(!r.engine.isOpen());
    }
}

void TestEndToEnd::pollRidesOutDroppedReplies() {
    SimProcess sim({QStringLiteral("--fault"), QStringLiteral("drop:kind=1:every=4")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    r.engine.setView(3);
    r.engine.diagnosClick();
    QTRY_VERIFY_WITH_TIMEOUT(r.engine.framesReceived() >= 24, 20000);
    QVERIFY(r.engine.framesSent() > r.engine.framesReceived()); // re-sends happened
    QCOMPARE(noReply.count(), 0);
    QVERIFY(r.engine.pollRunning());
    r.engine.diagnosClick();
    QVERIFY(!r.engine.isOpen());
}

void TestEndToEnd::pollGivesUpOnASilentRelay() {
    SimProcess sim({QStringLiteral("--serial"), QStringLiteral("601")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    r.engine.diagnosClick();
    QVERIFY(noReply.wait(10000));
    QCOMPARE(noReply.count(), 1);
    QCOMPARE(r.engine.framesSent(), 5);
    QVERIFY(!r.engine.pollRunning());
}

void TestEndToEnd::vanishedDeviceReportedOnce() {
    SimProcess sim({QStringLiteral("--fault"), QStringLiteral("vanish:nth=5")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    QSignalSpy lost(&r.engine, &Engine::deviceLost);
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    r.engine.diagnosClick();
    QVERIFY(lost.wait(5000));
    QTest::qWait(700); // a storm of read errors would show up as more reports here
    QCOMPARE(lost.count(), 1);
    QCOMPARE(noReply.count(), 0);
    QVERIFY(!r.engine.isOpen());
    QVERIFY(!r.engine.pollRunning());
}

void TestEndToEnd::portHeldByAnotherProcess() {
    SimProcess sim;
    QVERIFY(sim.ok());
    QProcess holder;
    holder.start(qEnvironmentVariable("KLIV_CLI"),
                 {QStringLiteral("poll"), QStringLiteral("--port"), sim.path()});
    QVERIFY(holder.waitForStarted());
    QVERIFY(holder.waitForReadyRead(5000)); // it prints once it owns the line
    Rig r(sim.path());
    QSignalSpy failed(&r.engine, &Engine::portOpenFailed);
    r.engine.readVersion();
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().value<OpenError>(), OpenError::Busy);
    holder.terminate();
    QVERIFY(holder.waitForFinished(3000));
    QSignalSpy text(&r.engine, &Engine::versionRead);
    r.engine.readVersion(); // free again
    QVERIFY(text.wait(3000));
}

// The simulated relay only understands its own speed, as a real one does.
void TestEndToEnd::speedChangeAppliesToTheOpenLine() {
    SimProcess sim({QStringLiteral("--baud"), QStringLiteral("2400")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    QSignalSpy noReply(&r.engine, &Engine::noReply);
    QSignalSpy text(&r.engine, &Engine::versionRead);
    r.engine.readVersion(); // at 115200: not understood
    QVERIFY(noReply.wait(3000));
    QCOMPARE(text.count(), 0);

    QVERIFY(r.engine.comopen());
    r.engine.Comspeed(3); // 2400, on the open line, without re-opening
    r.engine.state().requestKind = KindVersion;
    r.engine.TXD();
    QVERIFY(text.wait(3000));
    QCOMPARE(noReply.count(), 1);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
