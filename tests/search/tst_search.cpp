// The device search: its job on a line without a device, the dialog as the main window
// holds it, and the whole tool against the simulated relay.

#include "app/mainwindow.h"
#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "common/simprocess.h"
#include "common/wine.h"
#include "diag/diagpage.h"
#include "link/engine.h"
#include "link/jobs/polljob.h"
#include "link/jobs/searchjob.h"
#include "link/serialport.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "search/searchwindow.h"
#include "texts/messages.h"
#include "texts/speedtexts.h"
#include "widgets/spinedit.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace kliv;

namespace {

QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

// What the simulated relay sends back: its RS485 speed index and its field-bus address.
QByteArray presenceReply(quint16 serial = 600) {
    return frame::build(serial, KindPresence, hx("05 01"));
}

// The whole tool on a line without a device.
struct Tool {
    test::FakePort* port = new test::FakePort;
    Engine engine{port};
    test::RecordingPrompt prompt;
    MainWindow form1{engine, prompt};
    SearchDialog& form2 = form1.searchDialog();

    // The window's port watch would otherwise swap the fake ports for this machine's own
    // once a slow run leaves it two idle seconds.
    Tool() {
        const QStringList fakes{QStringLiteral("/dev/fake0"), QStringLiteral("/dev/fake1")};
        form1.setPortLister([fakes] { return fakes; });
        form1.setPorts(fakes);
    }

    template <class T> T* find(const char* name) {
        return form1.findChild<T*>(QLatin1String(name));
    }
    QString speedText() { return form1.diagnosticsPage()->speedList()->currentText(); }
    QPushButton* button1() const { return form2.startButton(); }
    QString lser() const { return form2.status()->text(); }
    SearchJob* search() const { return form2.search(); }

    void start() { button1()->click(); }
    // One tick of the search timer; a relay at `relaySpeed` answers the probe it sent.
    void tick(int relaySpeed = -1) {
        const int before = int(port->written.size());
        search()->onTick();
        if (port->written.size() > before && engine.speedIndex() == relaySpeed)
            port->push(presenceReply(quint16(engine.serial())));
    }
};

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void probeFrame_data();
    void probeFrame();
    void scheduleWithoutAnswer_data();
    void scheduleWithoutAnswer();
    void foundAtItsSpeed_data();
    void foundAtItsSpeed();
    void notAnAnswer_data();
    void notAnAnswer();
    void stopClosesThePortAndFillsTheBar();
    void closingTheDialogEndsTheSearch();
    void idleCloseOfAnEarlierJob();
    void serialTypedDuringTheSearch();
    void serialLinkAndSpeedPreset_data();
    void serialLinkAndSpeedPreset();
    void noPortStartsNothing();
    void portThatDoesNotOpen();
    void portPickedInTheDialog();
    void searchButtonEndsThePoll();
    void endToEnd_data();
    void endToEnd();
};

void TestSearch::probeFrame_data() {
    QTest::addColumn<int>("serial"); // 0: the number the tool starts with, left as it is
    QTest::addColumn<bool>("inDialog");
    QTest::addColumn<QByteArray>("probe");
    QTest::newRow("600 in the dialog") << 600 << true << hx("AA 06 02 58 00 00 01 0A");
    QTest::newRow("start-up 600") << 0 << true << hx("AA 06 02 58 00 00 01 0A");
    QTest::newRow("599 in the main window") << 599 << false << hx("AA 06 02 57 00 00 01 09");
    QTest::newRow("65535 in the dialog") << 65535 << true << hx("AA 06 FF FF 00 00 02 AE");
}

// The number sought is the line's, wherever it was typed, and the main window goes on
// talking to the relay found.
void TestSearch::probeFrame() {
    QFETCH(int, serial);
    QFETCH(bool, inDialog);
    QFETCH(QByteArray, probe);
    Tool t;
    if (serial)
        (inDialog ? t.form2.serial() : t.find<SpinEdit>("frm1_zn"))->setValue(serial);
    t.start();
    QVERIFY(t.port->written.isEmpty()); // the first probe leaves at the first tick
    t.tick();
    t.tick();
    QCOMPARE(t.port->written.size(), 2);
    for (const QByteArray& w : t.port->written)
        QCOMPARE(frame::hex(w), frame::hex(probe));
    QCOMPARE(t.find<SpinEdit>("frm1_zn")->value(), serial ? serial : 600);
    QCOMPARE(t.form2.serial()->value(), serial ? serial : 600);
}

void TestSearch::scheduleWithoutAnswer_data() {
    QTest::addColumn<int>("tick");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("lser");
    QTest::addColumn<int>("interval"); // until the next tick
    QTest::newRow("1") << 1 << 300 << "Процесс:     300 бод/сек   повтор №1" << 800;
    QTest::newRow("2") << 2 << 300 << "Процесс:     300 бод/сек   повтор №2" << 800;
    QTest::newRow("3") << 3 << 600 << "Процесс:     600 бод/сек   повтор №1" << 400;
    QTest::newRow("5") << 5 << 1200 << "Процесс:   1200 бод/сек   повтор №1" << 200;
    QTest::newRow("8") << 8 << 2400 << "Процесс:   2400 бод/сек   повтор №2" << 100;
    QTest::newRow("9") << 9 << 4800 << "Процесс:   4800 бод/сек   повтор №1" << 50;
    QTest::newRow("13") << 13 << 14400 << "Процесс:  14400 бод/сек   повтор №1" << 50;
    QTest::newRow("22") << 22 << 115200 << "Процесс: 115200 бод/сек   повтор №2" << 50;
    QTest::newRow("23, the end") << 23 << 115200 << "Процесс: 115200 бод/сек   повтор №1" << 0;
}

// Two probes a speed, slowest first; the 23rd tick ends the search without a probe.
void TestSearch::scheduleWithoutAnswer() {
    QFETCH(int, tick);
    QFETCH(int, baud);
    QFETCH(QString, lser);
    QFETCH(int, interval);
    Tool t;
    t.start();
    QCOMPARE(t.lser(), QStringLiteral("Процесс:... "));
    QCOMPARE(t.button1()->text(), QStringLiteral("Остановить поиск"));
    QPointer<SearchJob> job = t.search();
    QCOMPARE(job->timer().interval(), 800);
    QVERIFY(job->timer().isActive());
    QList<int> bauds;
    QObject::connect(&t.engine, &Engine::frameSent, [&] { bauds.append(t.port->baud); });
    int waited = 800;
    for (int i = 1; i < tick; ++i) {
        t.tick();
        waited += job->timer().interval();
    }
    const int boxesBefore = int(t.prompt.shown.size());
    t.tick();
    QCOMPARE(t.lser(), lser);
    QCOMPARE(t.port->baud, baud);
    QCOMPARE(t.form2.progress()->value(), tick < 23 ? tick : SearchJob::ProgressSteps);
    QCOMPARE(t.engine.framesSent(), 0); // probes are not counted
    QVERIFY(!t.engine.replyTimer().isActive());
    QVERIFY(!t.engine.idleClose().isActive());
    QCOMPARE(boxesBefore, 0);
    if (tick < 23) {
        QCOMPARE(job->timer().interval(), interval);
        QCOMPARE(bauds.size(), tick);
        QCOMPARE(bauds.last(), baud);
        QVERIFY(t.prompt.shown.isEmpty());
        return;
    }
    QCOMPARE(bauds.size(), 22);
    QCOMPARE(waited, 4500);
    QCOMPARE(t.prompt.shown.size(), 1);
    QCOMPARE(t.prompt.shown.first().message, msg::searchNotFound());
    QVERIFY(t.prompt.shown.first().message.caption.isEmpty());
    QCOMPARE(t.button1()->text(), QStringLiteral("Начать поиск"));
    QVERIFY(!job->timer().isActive());
    QCOMPARE(t.speedText(), QStringLiteral("115200")); // left at the last speed tried
}

void TestSearch::foundAtItsSpeed_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("answered"); // which probe at that speed gets the answer
    QTest::addColumn<int>("lastWait"); // from the answered probe to the tick that ends
    QTest::newRow("300, first probe") << 0 << 1 << 800;
    QTest::newRow("2400, first probe") << 3 << 1 << 100;
    QTest::newRow("2400, second probe") << 3 << 2 << 100;
    QTest::newRow("14400, second probe") << 6 << 2 << 50;
    QTest::newRow("115200, first probe") << 10 << 1 << 50;
}

// The tick after the answer ends the search, whatever the probe number, and leaves the
// main window at the speed that answered, ready to talk to the relay.
void TestSearch::foundAtItsSpeed() {
    QFETCH(int, speed);
    QFETCH(int, answered);
    QFETCH(int, lastWait);
    Tool t;
    t.form2.serial()->setValue(1234);
    t.start();
    QPointer<SearchJob> job = t.search();
    const int probes = 2 * speed + answered;
    for (int i = 1; i < probes; ++i)
        t.tick();
    t.tick(speed);
    QCOMPARE(job->step(), SearchJob::Found);
    QCOMPARE(job->timer().interval(), lastWait);
    QVERIFY(t.prompt.shown.isEmpty());
    t.tick();
    QCOMPARE(t.port->written.size(), probes); // the ending tick sends nothing
    QCOMPARE(t.prompt.shown.size(), 1);
    QCOMPARE(t.prompt.shown.first().message, msg::searchFound());
    const QString item = speeds::items().at(speed);
    QCOMPARE(t.lser(),
             QStringLiteral("Найдено устройство: скорость ") + item + QStringLiteral(" бод/сек"));
    QCOMPARE(t.form2.progress()->value(), SearchJob::ProgressSteps);
    QCOMPARE(t.button1()->text(), QStringLiteral("Начать поиск"));
    QCOMPARE(t.speedText(), item);
    QCOMPARE(t.find<SpinEdit>("frm1_zn")->value(), 1234);
    QVERIFY(!t.port->isOpen());

    // "Версия программы МК" goes out at once at that speed, to that number.
    t.find<QPushButton>("Button12")->click();
    QCOMPARE(t.port->baud, speeds::Baud[std::size_t(speed)]);
    QCOMPARE(frame::hex(t.port->written.last()), QStringLiteral("AA 06 04 D2 0F 00 01 95"));
    QCOMPARE(t.prompt.shown.size(), 1);
}

void TestSearch::notAnAnswer_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("presence reply without payload") << frame::build(600, KindPresence, {});
    QByteArray bad = presenceReply();
    bad[bad.size() - 1] = char(bad.at(bad.size() - 1) + 1);
    QTest::newRow("wrong sum") << bad;
    QTest::newRow("another relay") << presenceReply(601);
    QTest::newRow("version reply") << frame::build(600, KindVersion, "V1");
}

void TestSearch::notAnAnswer() {
    QFETCH(QByteArray, reply);
    Tool t;
    t.start();
    QPointer<SearchJob> job = t.search();
    for (int i = 0; i < 22; ++i) {
        t.tick();
        t.port->push(reply);
    }
    QCOMPARE(job->step(), SearchJob::LastSpeed);
    t.tick();
    QCOMPARE(t.prompt.lastText(), msg::searchNotFound().text);
}

void TestSearch::stopClosesThePortAndFillsTheBar() {
    Tool t;
    t.start();
    QPointer<SearchJob> job = t.search();
    for (int i = 0; i < 3; ++i)
        t.tick();
    QVERIFY(t.port->isOpen());
    t.button1()->click();
    QVERIFY(!t.port->isOpen());
    QCOMPARE(t.form2.progress()->value(), SearchJob::ProgressSteps);
    QCOMPARE(t.button1()->text(), QStringLiteral("Начать поиск"));
    QCOMPARE(t.prompt.shown.size(), 1);
    QCOMPARE(t.prompt.shown.first().message, msg::searchStopped());
    QVERIFY(t.prompt.shown.first().message.caption.isEmpty());
    QVERIFY(!job->timer().isActive());
    job->onTick(); // a tick already queued does nothing
    QCOMPARE(t.port->written.size(), 3);

    t.start(); // and it starts again from the slowest speed
    t.tick();
    QCOMPARE(t.port->baud, 300);
    QCOMPARE(t.form2.progress()->value(), 1);
}

void TestSearch::closingTheDialogEndsTheSearch() {
    Tool t;
    t.form2.open();
    t.start();
    QPointer<SearchJob> job = t.search();
    t.tick();
    t.form2.reject();
    QVERIFY(!t.form2.isVisible());
    QVERIFY(!job->running());
    QVERIFY(!job->timer().isActive());
    QVERIFY(!t.port->isOpen());
    QCOMPARE(t.button1()->text(), QStringLiteral("Начать поиск"));
    QCOMPARE(t.prompt.lastText(), msg::searchStopped().text);
    job->onTick();
    QCOMPARE(t.port->written.size(), 1);
}

// An idle close armed by the job before must not shut the line under the search: the
// start stops it, the probes never arm it, and should it fire anyway the next probe
// opens the line again, so a relay that is there is still found.
void TestSearch::idleCloseOfAnEarlierJob() {
    test::FakePort* port = new test::FakePort;
    Engine engine(port);
    engine.setPortName(QStringLiteral("/dev/fake0"));
    engine.start(new PollJob);
    QVERIFY(engine.idleClose().isActive());

    auto* job = new SearchJob;
    QSignalSpy done(job, &Job::succeeded);
    engine.start(job);
    QVERIFY(!engine.pollRunning());
    QVERIFY(!engine.idleClose().isActive());
    QVERIFY(port->isOpen());
    for (int i = 0; i < 6; ++i) {
        job->onTick();
        QVERIFY(port->isOpen());
        QVERIFY(!engine.idleClose().isActive());
        port->push(frame::build(600, KindPresence, {})); // heard, but not an answer
        engine.onIdleClose();
    }
    QVERIFY(!port->isOpen()); // the stray expiry did close the line
    job->onTick();            // the first probe at 2400 opens it again
    QVERIFY(port->isOpen());
    QCOMPARE(port->baud, 2400);
    port->push(presenceReply());
    job->onTick();
    QCOMPARE(done.count(), 1);
    QCOMPARE(job->speedIndex(), 3);
}

// The search keeps the number and port it started with: the dialog's fields wait, and a
// number set meanwhile anyway is for the next job, whose speed preset must move neither
// the probes off their step nor a found relay off its speed.
void TestSearch::serialTypedDuringTheSearch() {
    Tool t;
    t.start();
    QVERIFY(!t.form2.serial()->isEnabled());
    QVERIFY(!t.form2.ports()->isEnabled());
    const auto sought = quint16(t.engine.serial());
    for (int i = 0; i < 7; ++i)
        t.tick();
    QCOMPARE(t.port->baud, 2400);
    t.form2.serial()->setValue(599);
    QCOMPARE(t.speedText(), QStringLiteral("  2400"));
    t.tick();
    QCOMPARE(t.port->baud, 2400);
    QCOMPARE(t.port->written.last(), frame::build(sought, KindPresence, {}));
    t.port->push(presenceReply(sought));
    t.tick();
    QCOMPARE(t.prompt.lastText(), msg::searchFound().text);
    QCOMPARE(t.speedText(), QStringLiteral("  2400"));
    QCOMPARE(t.find<SpinEdit>("frm1_zn")->value(), 599);
    QVERIFY(t.form2.serial()->isEnabled());
}

void TestSearch::serialLinkAndSpeedPreset_data() {
    QTest::addColumn<bool>("inDialog");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("serial");
    QTest::addColumn<QString>("speed");
    QTest::newRow("599 in the dialog") << true << 600 << 599 << " 14400";
    QTest::newRow("600 in the dialog") << true << 599 << 600 << "115200";
    QTest::newRow("599 in the main window") << false << 600 << 599 << " 14400";
    QTest::newRow("600 in the main window") << false << 599 << 600 << "115200";
    QTest::newRow("65535 in the dialog") << true << 600 << 65535 << "115200";
}

void TestSearch::serialLinkAndSpeedPreset() {
    QFETCH(bool, inDialog);
    QFETCH(int, from);
    QFETCH(int, serial);
    QFETCH(QString, speed);
    Tool t;
    SpinEdit* frm1 = t.find<SpinEdit>("frm1_zn");
    SpinEdit* frm2 = t.form2.serial();
    QCOMPARE(frm1->value(), 600);
    QCOMPARE(frm2->value(), 600);
    frm2->setValue(from);
    QCOMPARE(frm1->value(), from);
    t.form1.diagnosticsPage()->speedList()->setCurrentIndex(2); // the user's pick between
    (inDialog ? frm2 : frm1)->setValue(serial);
    QCOMPARE(frm1->value(), serial);
    QCOMPARE(frm2->value(), serial);
    QCOMPARE(t.engine.serial(), serial);
    QCOMPARE(t.speedText(), speed);
    QVERIFY(t.port->written.isEmpty());
}

void TestSearch::noPortStartsNothing() {
    Tool t;
    t.form1.setPorts({});
    t.start();
    QCOMPARE(t.prompt.shown.size(), 1);
    QCOMPARE(t.prompt.shown.first().message, msg::noPortFound());
    QCOMPARE(t.button1()->text(), QStringLiteral("Начать поиск"));
    QCOMPARE(t.lser(), QStringLiteral("Процесс..."));
    QVERIFY(!t.search());
    QCOMPARE(t.port->opens, 0);
    QVERIFY(t.port->written.isEmpty());
}

// The port's own box, once; the search does not go on probing a closed line.
void TestSearch::portThatDoesNotOpen() {
    Tool t;
    t.port->failNextOpen = true;
    t.start();
    QCOMPARE(t.prompt.shown.size(), 1);
    QCOMPARE(t.prompt.shown.first().message, msg::portOpenFailed());
    QCOMPARE(t.button1()->text(), QStringLiteral("Начать поиск"));
    QVERIFY(!t.search() || !t.search()->running());
    QVERIFY(t.port->written.isEmpty());
}

void TestSearch::portPickedInTheDialog() {
    Tool t;
    t.form2.ports()->setCurrentIndex(1);
    QCOMPARE(t.form1.diagnosticsPage()->portList()->currentIndex(), 1);
    QCOMPARE(t.engine.portName(), QStringLiteral("/dev/fake1"));
    t.start();
    QCOMPARE(t.port->opens, 1);
    t.form2.ports()->setCurrentIndex(0); // during the search: it ends, the line is closed
    QVERIFY(!t.search() || !t.search()->running());
    QVERIFY(!t.port->isOpen());
    QCOMPARE(t.engine.portName(), QStringLiteral("/dev/fake0"));
    QCOMPARE(t.button1()->text(), QStringLiteral("Начать поиск"));
}

void TestSearch::searchButtonEndsThePoll() {
    Tool t;
    t.form1.show();
    t.find<QPushButton>("diagnos")->click();
    QVERIFY(t.engine.pollRunning());
    auto* button6 = t.find<QPushButton>("Button6");
    QVERIFY(button6->isEnabled());
    button6->click();
    QVERIFY(!t.engine.pollRunning());
    QVERIFY(t.form2.isVisible());
    QVERIFY(t.form2.isModal());
    QVERIFY(t.prompt.shown.isEmpty());
    t.form2.reject();
}

void TestSearch::endToEnd_data() {
    QTest::addColumn<int>("baud");
    QTest::newRow("300") << 300;
    QTest::newRow("1200") << 1200;
    QTest::newRow("14400") << 14400;
    QTest::newRow("115200") << 115200; // every slower speed went unanswered
}

// The window as the user drives it, on the real port, against a relay that understands
// only its own speed; afterwards the main window talks to it as it stands.
void TestSearch::endToEnd() {
    QFETCH(int, baud);
    if (baud == 14400 && test::underWine())
        QSKIP(test::WineLacksOddSpeeds);
    test::SimProcess sim({QStringLiteral("--serial"), QStringLiteral("4321"),
                          QStringLiteral("--baud"), QString::number(baud)});
    QVERIFY(sim.ok());
    Engine engine(new SerialPort);
    test::RecordingPrompt prompt;
    MainWindow form1(engine, prompt);
    form1.setPorts({sim.path()}, true); // named, as with --port: the port watch keeps it
    SearchDialog& form2 = form1.searchDialog();
    form2.serial()->setValue(4321);
    form2.startButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!prompt.shown.isEmpty(), 15000);
    QCOMPARE(prompt.lastText(), msg::searchFound().text);
    QCOMPARE(engine.speedIndex(), speeds::indexOfBaud(baud));
    QVERIFY(form2.status()->text().endsWith(QString::number(baud) + QStringLiteral(" бод/сек")));

    form1.findChild<QPushButton*>(QStringLiteral("Button12"))->click();
    auto* version = form1.findChild<QLabel*>(QStringLiteral("st_vpmk"));
    QTRY_COMPARE_WITH_TIMEOUT(version->text(), QStringLiteral("КЛИВ-1M v3.07"), 5000);
    QCOMPARE(prompt.shown.size(), 1);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
