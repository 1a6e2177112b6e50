// The RS485 speed change: its steps tick by tick on a line without a device, the speed
// list that starts it, and the job against the simulated relay with and without
// following it to the new speed.

#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "common/simprocess.h"
#include "config/fieldbusgroup.h"
#include "link/engine.h"
#include "link/jobs/rs485speedjob.h"
#include "link/jobs/versionjob.h"
#include "link/serialport.h"
#include "protocol/frame.h"
#include "texts/messages.h"

#include <QComboBox>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace kliv;
using kliv::test::FakePort;
using Step = Rs485SpeedJob::Step;

namespace {

QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

QByteArray presenceReply(const QByteArray& payload) {
    return frame::build(600, KindPresence, payload);
}

struct Rig {
    FakePort* port = new FakePort;
    Engine engine{port};
    QSignalSpy failures{&engine, &Engine::jobFailed};
    QSignalSpy speeds{&engine, &Engine::speedIndexChanged};
    explicit Rig(int speedIndex) {
        engine.setPortName(QStringLiteral("/dev/fake"));
        engine.applySpeed(speedIndex);
        speeds.clear();
    }
    QByteArray last() const {
        return port->written.isEmpty() ? QByteArray() : port->written.last();
    }
    Failure failure(int i = 0) const { return failures.at(i).at(1).value<Outcome>().reason; }
};

} // namespace

class TestRs485 : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void intervals_data();
    void intervals();
    void relayThatKeepsItsLine();
    void relayFollowedToItsNewSpeed();
    void silence_data();
    void silence();
    void emptyReplyIsNoAnswer();
    void speedOutsideTheListSendsNothing();
    void listAsksFirst();
    void listSelectedByTheProgramRunsNothing();
    void listPickedAgainWhileTheJobRuns();
    void simulatedRelay_data();
    void simulatedRelay();
};

void TestRs485::intervals_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("next");
    QTest::newRow("300") << 0 << 800 << 900;
    QTest::newRow("600") << 1 << 400 << 500;
    QTest::newRow("1200") << 2 << 200 << 300;
    QTest::newRow("2400") << 3 << 100 << 200;
    QTest::newRow("4800") << 4 << 50 << 100;
    QTest::newRow("9600") << 5 << 50 << 50;
    QTest::newRow("115200") << 10 << 50 << 50;
}

void TestRs485::intervals() {
    QFETCH(int, index);
    QFETCH(int, first);
    QFETCH(int, next);
    QCOMPARE(Rs485SpeedJob::firstIntervalMs(index), first);
    QCOMPARE(Rs485SpeedJob::nextIntervalMs(index), next);
}

// A two-byte presence reply: the change goes out at the tool's speed, whose answer is
// the success; the tool's line never moves.
void TestRs485::relayThatKeepsItsLine() {
    Rig r(0);
    auto* job = new Rs485SpeedJob(5);
    QSignalSpy done(job, &Job::succeeded);
    r.engine.start(job);
    QCOMPARE(r.last(), hx("AA 06 02 58 00 00 01 0A"));
    QCOMPARE(job->step(), Step::Probing);
    QVERIFY(job->timer().isActive());
    QCOMPARE(job->timer().interval(), 800);

    r.port->push(presenceReply(hx("05 01")));
    QCOMPARE(job->step(), Step::Answered);
    QCOMPARE(r.port->written.size(), 1); // nothing more before the tick
    job->onTick();
    QCOMPARE(r.last(), hx("AA 06 02 58 00 01 05 01 10"));
    QCOMPARE(job->step(), Step::AwaitingAnswer);
    QCOMPARE(job->timer().interval(), 900);

    r.port->push(presenceReply(hx("05 01")));
    QCOMPARE(job->step(), Step::Changed);
    job->onTick();
    QCOMPARE(done.count(), 1);
    QVERIFY(!job->followed());
    QVERIFY(!job->timer().isActive());
    QCOMPARE(r.speeds.count(), 0);
    QCOMPARE(r.port->baud, 300);
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.engine.framesSent(), 0); // the job's own probes are not counted
    QCOMPARE(r.failures.count(), 0);
}

// A one-byte presence reply: the change goes out at the old speed, the next tick moves
// the tool's line to the new one and asks there.
void TestRs485::relayFollowedToItsNewSpeed() {
    Rig r(0);
    auto* job = new Rs485SpeedJob(5);
    QSignalSpy done(job, &Job::succeeded);
    r.engine.start(job);
    r.port->push(presenceReply(hx("05")));
    job->onTick();
    QCOMPARE(r.last(), hx("AA 06 02 58 00 01 05 01 10"));
    QCOMPARE(r.port->baud, 300);
    QCOMPARE(job->step(), Step::Follow);
    QCOMPARE(job->timer().interval(), 900);

    r.port->push(presenceReply(hx("05"))); // its answer at the old speed changes nothing
    QCOMPARE(job->step(), Step::Follow);
    job->onTick();
    QCOMPARE(r.port->baud, 9600);
    QCOMPARE(r.engine.speedIndex(), 5);
    QCOMPARE(r.speeds.count(), 1);
    QCOMPARE(r.speeds.first().first().toInt(), 5);
    QCOMPARE(r.last(), hx("AA 06 02 58 00 00 01 0A"));
    QCOMPARE(job->step(), Step::AwaitingAnswer);
    QCOMPARE(job->timer().interval(), 50); // by the new speed

    r.port->push(presenceReply(hx("05")));
    job->onTick();
    QCOMPARE(done.count(), 1);
    QVERIFY(job->followed());
    QCOMPARE(r.port->written.size(), 3);
    QCOMPARE(r.failures.count(), 0);
}

void TestRs485::silence_data() {
    QTest::addColumn<QByteArray>("presence"); // empty: none
    QTest::addColumn<int>("ticks");           // ticks until the job gives up
    QTest::addColumn<int>("speedAfter");
    QTest::newRow("no presence reply") << QByteArray() << 1 << 10;
    QTest::newRow("no answer to the change") << hx("05 01") << 2 << 10;
    QTest::newRow("no answer at the new speed") << hx("05") << 3 << 5;
}

// Silence at any step stops the job with its own words; a line that has followed the
// relay stays at the new speed.
void TestRs485::silence() {
    QFETCH(QByteArray, presence);
    QFETCH(int, ticks);
    QFETCH(int, speedAfter);
    Rig r(10);
    auto* job = new Rs485SpeedJob(5);
    r.engine.start(job);
    if (!presence.isEmpty())
        r.port->push(presenceReply(presence));
    for (int i = 1; i < ticks; ++i) {
        job->onTick();
        QCOMPARE(r.failures.count(), 0);
    }
    job->onTick();
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::NoAnswer);
    const msg::Report report = msg::forFailure(r.failures.first().at(1).value<Outcome>());
    QCOMPARE(report.message, msg::rs485Stopped());
    QCOMPARE(report.message.caption, QStringLiteral("Устройство не отвечает!"));
    QCOMPARE(report.message.text, QStringLiteral("Процесс изменения скорости RS485 остановлен!"));
    QCOMPARE(report.message.icon, Icon::Information);
    QCOMPARE(r.port->written.size(), ticks);
    QCOMPARE(r.engine.speedIndex(), speedAfter);
    QVERIFY(!job->timer().isActive());
    QVERIFY(!r.port->isOpen());
}

void TestRs485::emptyReplyIsNoAnswer() {
    Rig r(10);
    auto* job = new Rs485SpeedJob(5);
    r.engine.start(job);
    r.port->push(presenceReply({}));
    QCOMPARE(job->step(), Step::Probing);
    r.port->push(presenceReply({}) + presenceReply(hx("05 01"))); // the answer behind it counts
    QCOMPARE(job->step(), Step::Answered);
    job->onTick();
    r.port->push(presenceReply({}));
    QCOMPARE(job->step(), Step::AwaitingAnswer);
    job->onTick();
    QCOMPARE(r.failure(), Failure::NoAnswer);
}

void TestRs485::speedOutsideTheListSendsNothing() {
    Rig r(10);
    r.engine.start(new Rs485SpeedJob(11));
    QCOMPARE(r.failure(), Failure::RefusedInput);
    QCOMPARE(r.port->opens, 0);
}

namespace {

// The RS485 group on a line without a device.
struct ListRig : Rig {
    test::RecordingPrompt prompt;
    FieldbusGroup group{engine, prompt};
    QComboBox* list = group.findChild<QComboBox*>(QStringLiteral("cb_rs485"));
    ListRig() : Rig(10) {}
    void pickNext() { QTest::keyClick(list, Qt::Key_Down); } // as the user does
    Rs485SpeedJob* job() const { return qobject_cast<Rs485SpeedJob*>(engine.current()); }
};

const QString Question =
    QStringLiteral(" Вартон Ltd|Внимание скорость RS485 будет изменена! Продолжить?");

} // namespace

// No: nothing is sent, and the list keeps the entry picked for a later configuration
// write.
void TestRs485::listAsksFirst() {
    ListRig r;
    QCOMPARE(r.list->currentIndex(), 5);
    r.pickNext();
    QCOMPARE(r.prompt.asked, QList<QString>{Question});
    QCOMPARE(r.prompt.shown.size(), 1);
    QCOMPARE(r.prompt.shown.first().message, msg::rs485Cancelled());
    QCOMPARE(r.prompt.shown.first().message.caption, QStringLiteral("Установка скорости RS485"));
    QCOMPARE(r.list->currentIndex(), 6);
    QVERIFY(r.port->written.isEmpty());
    QVERIFY(!r.engine.current());

    r.prompt.answers = {true};
    r.pickNext();
    QVERIFY(r.job());
    QCOMPARE(r.job()->speedIndex(), 7);
    QCOMPARE(r.last(), hx("AA 06 02 58 00 00 01 0A"));
    r.port->push(presenceReply(hx("07 01")));
    r.job()->onTick();
    r.port->push(presenceReply(hx("07 01")));
    r.job()->onTick();
    QCOMPARE(r.prompt.shown.size(), 2);
    QCOMPARE(r.prompt.shown.last().message, msg::rs485Changed());
    QCOMPARE(r.prompt.shown.last().message.caption, QStringLiteral("Скорость установлена!"));
}

void TestRs485::listSelectedByTheProgramRunsNothing() {
    ListRig r;
    r.prompt.answers = {true};
    r.list->setCurrentIndex(2);
    QVERIFY(r.prompt.asked.isEmpty());
    QVERIFY(r.port->written.isEmpty());
    QVERIFY(!r.engine.current());
}

// A new pick while the job runs asks again and starts afresh with a fresh clock; the job
// it replaces ends without a word. Another job still says why it ended the speed change.
void TestRs485::listPickedAgainWhileTheJobRuns() {
    ListRig r;
    r.engine.applySpeed(0);
    r.prompt.answers = {true, true};
    r.pickNext();
    QPointer<Rs485SpeedJob> first = r.job();
    r.port->push(presenceReply(hx("06 01")));
    first->onTick();
    r.pickNext();
    QCOMPARE(r.prompt.asked.size(), 2);
    QCOMPARE(first->failure(), Failure::Cancelled);
    QVERIFY(!first->timer().isActive());
    Rs485SpeedJob* second = r.job();
    QCOMPARE(second->speedIndex(), 7);
    QCOMPARE(second->step(), Step::Probing);
    QCOMPARE(second->timer().interval(), 800);
    QCOMPARE(r.last(), hx("AA 06 02 58 00 00 01 0A"));
    QCOMPARE(r.failures.count(), 0);
    QVERIFY(r.prompt.shown.isEmpty());

    r.engine.start(new VersionJob);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::Cancelled);
}

void TestRs485::simulatedRelay_data() {
    QTest::addColumn<bool>("follow");
    QTest::newRow("relay keeps its line") << false;
    QTest::newRow("relay moves its line") << true;
}

// The relay's speed byte holds the new speed either way; only a following relay moves
// its line, and the tool's line with it, so the relay still answers afterwards.
void TestRs485::simulatedRelay() {
    QFETCH(bool, follow);
    QStringList args;
    if (follow)
        args << QStringLiteral("--follow");
    test::SimProcess sim(args);
    QVERIFY(sim.ok());
    Engine engine(new SerialPort);
    engine.setPortName(sim.path());
    QSignalSpy failures(&engine, &Engine::jobFailed);
    auto* job = new Rs485SpeedJob(9);
    QSignalSpy done(job, &Job::succeeded);
    bool followed = !follow;
    connect(job, &Job::succeeded, this, [&followed, job] { followed = job->followed(); });
    engine.start(job);
    QVERIFY(done.wait(5000));
    QCOMPARE(failures.count(), 0);
    QCOMPARE(followed, follow);
    QCOMPARE(engine.speedIndex(), follow ? 9 : 10);

    auto* version = new VersionJob;
    QSignalSpy read(version, &Job::succeeded);
    engine.start(version);
    QVERIFY(read.wait(3000));
    QCOMPARE(failures.count(), 0);
}

QTEST_MAIN(TestRs485)
#include "tst_rs485.moc"
