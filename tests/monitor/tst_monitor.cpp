// The traffic monitor against the simulated relay: a poll's frames live, a lost reply and
// its repeat with their verdicts, pause and clear, and a saved text that is the window's.

#include "common/recordingprompt.h"
#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/polljob.h"
#include "link/serialport.h"
#include "monitor/trafficmodel.h"
#include "monitor/trafficwindow.h"
#include "texts/traffictexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kliv;

namespace {

struct Rig {
    test::SimProcess sim{{QStringLiteral("--fault"), QStringLiteral("drop:kind=1:nth=3")}};
    Engine engine{new SerialPort};
    test::RecordingPrompt prompt;
    TrafficWindow window{engine, prompt};
    Rig() { engine.setPortName(sim.path()); }
    // Polls until `records` status replies came, then stops.
    void poll(int records) {
        const int before = engine.framesReceived();
        engine.start(new PollJob);
        QTRY_VERIFY_WITH_TIMEOUT(engine.framesReceived() >= before + records, 10000);
        engine.stopPoll();
        window.model().flush();
    }
};

} // namespace

class TestMonitor : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void pollWithALostReply();
    void pauseClearAndClose();
    void screenshot();
};

void TestMonitor::pollWithALostReply() {
    Rig r;
    QVERIFY(r.sim.ok());
    r.window.show();
    r.poll(8);
    const TrafficModel& m = r.window.model();
    QVERIFY(m.count(Verdict::Good) >= 16); // every request and every reply
    QCOMPARE(m.count(Verdict::Repeat), 1);
    int repeats = 0, good = 0;
    for (int row = 0; row < m.rowCount(); ++row) {
        const Traffic& t = m.line(row);
        repeats += t.verdict == Verdict::Repeat && t.sent;
        good += t.verdict == Verdict::Good && !t.sent;
        QCOMPARE(m.data(m.index(row, 5), Qt::DisplayRole).toString(), msg::verdictText(t.verdict));
    }
    QCOMPARE(repeats, 1);
    QCOMPARE(good, r.engine.framesReceived());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("обмен.txt"));
    QVERIFY(r.window.save(path));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), m.rowCount());
    for (int row = 0; row < m.rowCount(); ++row)
        QCOMPARE(lines.at(row), msg::trafficLine(m.line(row)));
}

// Paused, the list stands still while the counters go on; cleared, both start again; closed,
// the monitor no longer listens at all.
void TestMonitor::pauseClearAndClose() {
    Rig r;
    QVERIFY(r.sim.ok());
    r.window.show();
    r.poll(2);
    TrafficModel& m = r.window.model();
    const int rows = m.rowCount(), good = m.count(Verdict::Good);
    m.setPaused(true);
    r.poll(2);
    QCOMPARE(m.rowCount(), rows);
    QVERIFY(m.count(Verdict::Good) >= good + 4);
    m.clear();
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.count(Verdict::Good), 0);
    m.setPaused(false);
    r.window.hide();
    r.poll(2);
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.count(Verdict::Good), 0);
}

void TestMonitor::screenshot() {
    const QString dir = qEnvironmentVariable("KLIV_SCREENSHOTS");
    if (dir.isEmpty())
        QSKIP("set KLIV_SCREENSHOTS=<dir> to write the window images");
    Rig r;
    QVERIFY(r.sim.ok());
    r.window.resize(980, 520);
    r.window.show();
    r.poll(8);
    QVERIFY(QTest::qWaitForWindowExposed(&r.window));
    QTest::qWait(50); // the counters' new widths are laid out by the event loop
    QDir().mkpath(dir);
    QVERIFY(r.window.grab().save(dir + QStringLiteral("/monitor.png")));
}

QTEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
