// Auto-calibration: the coefficient arithmetic and its refusals, the messages, the job on
// a line without a device and against the simulated relay, and the page that starts it.

#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "common/silentrelay.h"
#include "common/simprocess.h"
#include "config/configpage.h"
#include "link/engine.h"
#include "link/jobs/calibrationjob.h"
#include "link/jobs/polljob.h"
#include "link/serialport.h"
#include "model/calibrationcheck.h"
#include "protocol/calibration.h"
#include "protocol/frame.h"
#include "texts/calibrationtexts.h"
#include "texts/messages.h"
#include "texts/problemtexts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kliv;
using namespace kliv::calibration;
using kliv::test::FakePort;

namespace {

QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

const Coefficients Factory = {570, 570, 570, 200, 200, 200, 5000};

QByteArray measurementPayload(const Readings& r) {
    QByteArray p(1, char(SelectorCalibration));
    for (quint32 v : r) {
        p.append(char(v >> 16 & 0xFF));
        p.append(char(v >> 8 & 0xFF));
        p.append(char(v & 0xFF));
    }
    return p;
}

QByteArray readingsReply(const Readings& r) {
    return frame::build(600, KindStatus, measurementPayload(r));
}

int selectorOf(const QByteArray& request) {
    return quint8(request.at(6));
}

struct Rig {
    FakePort* port = new FakePort;
    Engine engine{port};
    QSignalSpy failures{&engine, &Engine::jobFailed};
    Rig() { engine.setPortName(QStringLiteral("/dev/fake")); }
    QByteArray last() const {
        return port->written.isEmpty() ? QByteArray() : port->written.last();
    }
    Failure failure(int i = 0) const { return failures.at(i).at(1).value<Outcome>().reason; }
    QString detail(int i = 0) const {
        return msg::failureDetail(failures.at(i).at(1).value<Outcome>());
    }
    int sentOfKind(quint8 kind) const {
        int n = 0;
        for (const QByteArray& w : port->written)
            n += frame::kindOf(w) == kind;
        return n;
    }
};

References refs(std::initializer_list<std::pair<Channel, double>> given) {
    References r;
    for (const auto& [c, v] : given)
        r[std::size_t(c)] = v;
    return r;
}

} // namespace

class TestCalibration : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void coefficient_data();
    void coefficient();
    void refusedCoefficients_data();
    void refusedCoefficients();
    void writePayload_data();
    void writePayload();
    void measurementReply_data();
    void measurementReply();
    void writeReply_data();
    void writeReply();
    void references_data();
    void references();

    void jobMeasuresTenTimesThenWrites();
    void lostMeasurementTimesOut();
    void pollEndsFirst();
    void coefficientThatCannotBeWrittenWritesNothing();
    void strayRepliesAreTurnedAway();
    void keptCoefficientsReadFromTheRelay();
    void badInputSendsNothing_data();
    void badInputSendsNothing();
    void againstTheSimulatedRelay();
    void pageCalibrates();
    void pageRefusesTextsItCannotUse_data();
    void pageRefusesTextsItCannotUse();
    void pageCancelled();
};

void TestCalibration::coefficient_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<quint32>("reading"); // each of the ten
    QTest::addColumn<double>("reference");
    QTest::addColumn<int>("expected");
    QTest::newRow("Ua 5700 at 10 V") << int(Ua) << 5700u << 10.0 << 570;
    QTest::newRow("Uc truncated, not rounded") << int(Uc) << 5709u << 10.0 << 570;
    QTest::newRow("Ia doubled: 500 at 5 A") << int(Ia) << 500u << 5.0 << 200;
    QTest::newRow("Ic doubled and truncated") << int(Ic) << 501u << 5.0 << 200;
    QTest::newRow("Iут not doubled") << int(Iut) << 2500u << 0.5 << 5000;
    QTest::newRow("decimal reference") << int(Ub) << 131385u << 230.5 << 570;
    // Ten full-scale 24-bit readings, doubled for a current, are summed exactly.
    QTest::newRow("Ib full scale") << int(Ib) << 16777215u << 1000.0 << 33554;
    QTest::newRow("Ua full scale") << int(Ua) << 16777215u << 256.0 << 65535;
}

void TestCalibration::coefficient() {
    QFETCH(int, channel);
    QFETCH(quint32, reading);
    QFETCH(double, reference);
    QFETCH(int, expected);
    Sums sums{};
    Readings r{};
    r[std::size_t(channel)] = reading;
    for (int i = 0; i < Measurements; ++i)
        add(sums, r);
    QCOMPARE(sums[std::size_t(channel)], qint64(reading) * 10);

    References refs;
    refs[std::size_t(channel)] = reference;
    const Computed c = compute(sums, refs, Factory);
    QCOMPARE(c.fault, Computed::Fault::None);
    Coefficients want = Factory;
    want[std::size_t(channel)] = expected;
    QCOMPARE(c.coefficients, want);
}

void TestCalibration::refusedCoefficients_data() {
    QTest::addColumn<Readings>("readings");
    QTest::addColumn<References>("references");
    QTest::addColumn<QString>("problem");
    const Readings silentUb = {5700, 0, 5700, 500, 500, 500, 2500};
    QTest::newRow("no signal") << silentUb << refs({{Ua, 10}, {Ub, 10}})
                               << QStringLiteral("Ub: нет сигнала (коэффициент 0).");
    QTest::newRow("below one") << Readings{5700, 9, 5700, 500, 500, 500, 2500} << refs({{Ub, 10}})
                               << QStringLiteral("Ub: нет сигнала (коэффициент 0).");
    QTest::newRow("above 16 bits, doubled")
        << Readings{5700, 5700, 5700, 500, 500, 16777215, 2500} << refs({{Ic, 1}})
        << QStringLiteral("Ic: коэффициент 33554430 больше 65535.");
    QTest::newRow("just above 16 bits") << Readings{655360, 0, 0, 0, 0, 0, 0} << refs({{Ua, 10}})
                                        << QStringLiteral("Ua: коэффициент 65536 больше 65535.");
    QTest::newRow("first channel in order is named")
        << Readings{5700, 0, 5700, 500, 500, 16777215, 0} << refs({{Ic, 1}, {Iut, 1}, {Ub, 1}})
        << QStringLiteral("Ub: нет сигнала (коэффициент 0).");
    QTest::newRow("silent channel not calibrated is no problem")
        << silentUb << refs({{Ua, 10}}) << QString();
}

void TestCalibration::refusedCoefficients() {
    QFETCH(Readings, readings);
    QFETCH(References, references);
    QFETCH(QString, problem);
    Sums sums{};
    for (int i = 0; i < Measurements; ++i)
        add(sums, readings);
    const Computed c = compute(sums, references, Factory);
    QCOMPARE(c.fault == Computed::Fault::None
                 ? QString()
                 : msg::problemText(computedProblem(c), NumberLocale::system()),
             problem);
}

void TestCalibration::writePayload_data() {
    QTest::addColumn<Coefficients>("coefficients");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("factory") << Factory << hx("01 02 3A 02 3A 02 3A 00 C8 00 C8 00 C8 13 88");
    QTest::newRow("limits") << Coefficients{0, 65535, 1, 256, 255, 4660, 0}
                            << hx("01 00 00 FF FF 00 01 01 00 00 FF 12 34 00 00");
}

void TestCalibration::writePayload() {
    QFETCH(Coefficients, coefficients);
    QFETCH(QByteArray, payload);
    const QByteArray p = calibration::writePayload(coefficients);
    QCOMPARE(p.toHex(' '), payload.toHex(' '));
    QCOMPARE(frame::effectOf(KindConfigWrite, p), frame::Effect::Changes);
}

void TestCalibration::measurementReply_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Readings>("readings");
    QTest::newRow("seven readings")
        << hx("04 00 16 44 00 16 45 FF FF FF 00 01 F4 00 00 00 12 34 56 00 09 C4") << true
        << Readings{5700, 5701, 16777215, 500, 0, 0x123456, 2500};
    QTest::newRow("live record selector")
        << hx("00 00 16 44 00 16 45 FF FF FF 00 01 F4 00 00 00 12 34 56 00 09 C4") << false
        << Readings{};
    QTest::newRow("one byte short")
        << hx("04 00 16 44 00 16 45 FF FF FF 00 01 F4 00 00 00 12 34 56 00 09") << false
        << Readings{};
}

void TestCalibration::measurementReply() {
    QFETCH(QByteArray, payload);
    QFETCH(bool, valid);
    QFETCH(Readings, readings);
    const auto r = decodeMeasurement(payload);
    QCOMPARE(r.has_value(), valid);
    if (valid)
        QCOMPARE(*r, readings);
}

void TestCalibration::writeReply_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Coefficients>("coefficients");
    QTest::addColumn<bool>("blocking");
    QTest::newRow("blocked") << hx("01 02 3A 02 3A 02 3A 00 C8 00 C8 00 C8 13 88 84") << true
                             << Factory << true;
    QTest::newRow("not blocked") << hx("01 04 74 02 3A 02 3A 00 64 00 C8 00 C8 13 88 7F") << true
                                 << Coefficients{1140, 570, 570, 100, 200, 200, 5000} << false;
    QTest::newRow("full write's reply") << hx("00") << false << Coefficients{} << false;
    QTest::newRow("flags byte missing")
        << hx("01 02 3A 02 3A 02 3A 00 C8 00 C8 00 C8 13 88") << false << Coefficients{} << false;
}

void TestCalibration::writeReply() {
    QFETCH(QByteArray, payload);
    QFETCH(bool, valid);
    QFETCH(Coefficients, coefficients);
    QFETCH(bool, blocking);
    const auto r = decodeWriteReply(payload);
    QCOMPARE(r.has_value(), valid);
    if (valid) {
        QCOMPARE(r->coefficients, coefficients);
        QCOMPARE(r->blocking, blocking);
    }
}

void TestCalibration::references_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // 0: refused
    QTest::newRow("whole") << "230" << 230.0;
    QTest::newRow("comma") << "0,5" << 0.5;
    QTest::newRow("point, blanks") << " 5.5 " << 5.5;
    QTest::newRow("zero") << "0" << 0.0;
    QTest::newRow("negative") << "-5" << 0.0;
    QTest::newRow("two separators") << "1,2.3" << 0.0;
    QTest::newRow("exponent") << "1e3" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("text") << "abc" << 0.0;
}

void TestCalibration::references() {
    QFETCH(QString, text);
    QFETCH(double, value);
    const auto v = parseReference(text);
    QCOMPARE(v.has_value(), value > 0);
    if (v)
        QCOMPARE(*v, value);
}

// PBk follows the replies, then reads 11 once the write has left; the write carries the
// computed coefficients and the others as they were, and its reply is the result.
void TestCalibration::jobMeasuresTenTimesThenWrites() {
    Rig r;
    auto* job = new CalibrationJob(refs({{Ua, 10}, {Ia, 5}}), Factory);
    QSignalSpy progress(job, &CalibrationJob::progress);
    QSignalSpy computed(job, &CalibrationJob::coefficientsComputed);
    QSignalSpy done(job, &Job::succeeded);
    r.engine.start(job);
    QCOMPARE(r.last(), hx("AA 06 02 58 01 01 04 01 10"));
    QCOMPARE(r.engine.replyTimer().interval(), 300);
    for (int i = 1; i <= Measurements; ++i) {
        QCOMPARE(progress.count(), i - 1);
        r.port->push(readingsReply({5750 + quint32(i % 2), 1, 2, 600, 3, 4, 5}));
        QCOMPARE(progress.last().first().toInt(), i == Measurements ? 11 : i);
    }
    QList<int> steps;
    for (const auto& args : progress)
        steps << args.first().toInt();
    QCOMPARE(steps, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    QCOMPARE(r.sentOfKind(KindStatus), 10);

    const Coefficients sent = {575, 570, 570, 240, 200, 200, 5000};
    QCOMPARE(computed.count(), 1);
    QCOMPARE(computed.first().first().value<Coefficients>(), sent);
    QCOMPARE(frame::payloadOf(r.last()).toHex(' '),
             hx("01 02 3F 02 3A 02 3A 00 F0 00 C8 00 C8 13 88").toHex(' '));
    QCOMPARE(r.engine.replyTimer().interval(), 800); // a configuration write's extra 500 ms

    r.port->push(
        frame::build(600, KindConfigWrite, hx("01 02 3F 02 3A 02 3A 00 F0 00 C8 00 C8 13 88 80")));
    QCOMPARE(done.count(), 1);
    QCOMPARE(job->result().coefficients, sent);
    QVERIFY(job->result().blocking);
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.failures.count(), 0);
}

void TestCalibration::lostMeasurementTimesOut() {
    Rig r;
    auto* job = new CalibrationJob(refs({{Ua, 10}}), Factory);
    r.engine.start(job);
    for (int i = 0; i < 3; ++i)
        r.port->push(readingsReply({5700, 0, 0, 0, 0, 0, 0}));
    QVERIFY(r.engine.replyTimer().isActive());
    kliv::test::timeOutEveryTry(r.engine);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::NoAnswer);
    QCOMPARE(msg::forFailure(r.failures.first().at(1).value<Outcome>()).message, msg::noReply());
    QCOMPARE(r.sentOfKind(KindConfigWrite), 0);
    QVERIFY(!r.port->isOpen());
}

// The poll gives way quietly, and its late live record does not count as a measurement.
void TestCalibration::pollEndsFirst() {
    Rig r;
    auto* poll = new PollJob;
    QSignalSpy pollDone(poll, &Job::succeeded);
    r.engine.start(poll);
    auto* job = new CalibrationJob(refs({{Ua, 10}}), Factory);
    QSignalSpy progress(job, &CalibrationJob::progress);
    r.engine.start(job);
    QCOMPARE(pollDone.count(), 1);
    QVERIFY(!r.engine.pollRunning());
    QVERIFY(!r.engine.watchdog().isActive());
    QVERIFY(r.engine.replyTimer().isActive());
    QCOMPARE(selectorOf(r.last()), int(SelectorCalibration));
    r.port->push(frame::build(600, KindStatus, QByteArray(53, '\0')));
    QCOMPARE(progress.count(), 0);
    QCOMPARE(r.port->written.size(), 2);
    r.port->push(readingsReply({5700, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(progress.count(), 1);
    QCOMPARE(r.failures.count(), 0);
}

void TestCalibration::coefficientThatCannotBeWrittenWritesNothing() {
    Rig r;
    auto* job = new CalibrationJob(refs({{Ua, 10}, {Ub, 10}}), Factory);
    QSignalSpy computed(job, &CalibrationJob::coefficientsComputed);
    r.engine.start(job);
    for (int i = 0; i < Measurements; ++i)
        r.port->push(readingsReply({5700, 0, 5700, 500, 500, 500, 2500}));
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::RefusedInput);
    QCOMPARE(r.detail(), QStringLiteral("Ub: нет сигнала (коэффициент 0)."));
    QCOMPARE(msg::forFailure(r.failures.first().at(1).value<Outcome>()).message,
             msg::calibrationRefused());
    QCOMPARE(computed.count(), 0);
    QCOMPARE(r.sentOfKind(KindConfigWrite), 0);
    QVERIFY(!r.port->isOpen());
}

// A reply of the right kind that is not the one asked for is no answer: the request's
// time-out still runs, and the answer behind it is still taken.
void TestCalibration::strayRepliesAreTurnedAway() {
    Rig r;
    auto* job = new CalibrationJob(refs({{Ua, 10}}), Factory);
    QSignalSpy progress(job, &CalibrationJob::progress);
    r.engine.start(job);
    const QByteArray live = frame::build(600, KindStatus, QByteArray(53, '\0'));
    const QByteArray shortMeasurement =
        frame::build(600, KindStatus, readingsReply({}).mid(6, MeasurementPayloadSize - 1));
    r.port->push(live + shortMeasurement);
    QCOMPARE(progress.count(), 0);
    QCOMPARE(r.engine.framesReceived(), 0);
    QVERIFY(r.engine.replyTimer().isActive());
    r.port->push(live + readingsReply({5700, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(progress.count(), 1);
    for (int i = 1; i < Measurements; ++i)
        r.port->push(readingsReply({5700, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(r.sentOfKind(KindStatus), Measurements);

    r.port->push(frame::build(600, KindConfigWrite, hx("00"))); // a full write's reply
    QVERIFY(r.engine.replyTimer().isActive());
    QCOMPARE(r.failures.count(), 0);
    kliv::test::timeOutEveryTry(r.engine);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::NoAnswer);
    QCOMPARE(r.sentOfKind(KindConfigWrite), 1 + r.engine.retries()); // once a try
}

// Without the page's coefficients the channels not calibrated keep the relay's own.
void TestCalibration::keptCoefficientsReadFromTheRelay() {
    Rig r;
    auto* job = new CalibrationJob(refs({{Ua, 10}}));
    r.engine.start(job);
    QCOMPARE(r.last(), hx("AA 06 02 58 02 00 01 0C"));
    Configuration held;
    held.st_kub = 600;
    held.st_kidif = 4321;
    r.port->push(frame::build(600, KindConfigRead, config::encode(held)));
    QCOMPARE(selectorOf(r.last()), int(SelectorCalibration));
    for (int i = 0; i < Measurements; ++i)
        r.port->push(readingsReply({5800, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(frame::payloadOf(r.last()).toHex(' '),
             hx("01 02 44 02 58 02 3A 00 C8 00 C8 00 C8 10 E1").toHex(' '));
}

void TestCalibration::badInputSendsNothing_data() {
    QTest::addColumn<References>("references");
    QTest::addColumn<Coefficients>("kept");
    QTest::addColumn<QString>("names");
    QTest::newRow("zero reference")
        << refs({{Ua, 10}, {Ic, 0}}) << Factory << QStringLiteral("Ic: эталонное значение «0»");
    QTest::newRow("negative reference")
        << refs({{Ub, -1}}) << Factory << QStringLiteral("Ub: эталонное значение «-1»");
    QTest::newRow("kept coefficient beyond 16 bits")
        << refs({{Ua, 10}}) << Coefficients{570, 70000, 570, 200, 200, 200, 5000}
        << QStringLiteral("Ub: коэффициент «70000»");
}

void TestCalibration::badInputSendsNothing() {
    QFETCH(References, references);
    QFETCH(Coefficients, kept);
    QFETCH(QString, names);
    Rig r;
    r.engine.start(new CalibrationJob(references, kept));
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::RefusedInput);
    QVERIFY2(r.detail().startsWith(names), qPrintable(r.detail()));
    QCOMPARE(r.port->opens, 0);
    QVERIFY(r.port->written.isEmpty());
}

// The relay's readings are made with its coefficients for the signals at its inputs:
// references of half the voltage and twice the current double and halve those, and the
// relay then holds what was written, with its protection blocked.
void TestCalibration::againstTheSimulatedRelay() {
    test::SimProcess sim({QStringLiteral("--reference"),
                          QStringLiteral("ua=230,ub=230,uc=230,ia=5,ib=5,ic=5,iut=0.5")});
    QVERIFY(sim.ok());
    Engine engine(new SerialPort);
    engine.setPortName(sim.path());
    QSignalSpy failures(&engine, &Engine::jobFailed);
    auto* job = new CalibrationJob(refs({{Ua, 115}, {Ia, 10}, {Iut, 0.5}}));
    QSignalSpy done(job, &Job::succeeded);
    QSignalSpy progress(job, &CalibrationJob::progress);
    Coefficients held{};
    connect(job, &Job::succeeded, this, [&held, job] { held = job->result().coefficients; });
    engine.start(job);
    QVERIFY(done.wait(10000));
    QCOMPARE(failures.count(), 0);
    QCOMPARE(progress.count(), 11);
    QCOMPARE(held, (Coefficients{1140, 570, 570, 100, 200, 200, 5000}));
    QVERIFY(!engine.isOpen());
}

namespace {

// The configuration page on a line without a device.
// Calibrations are recorded in the change journal: a folder of the test's own.
struct DataDir {
    QTemporaryDir dir;
    DataDir() { qputenv("KLIV_DATA_DIR", dir.path().toUtf8()); }
};

struct PageRig : Rig {
    DataDir data;
    test::RecordingPrompt prompt;
    ConfigPage page{engine, prompt};
    template <class W> W* field(const char* name) const {
        return page.findChild<W*>(QLatin1String(name));
    }
    QString text(const char* name) const { return field<QLineEdit>(name)->text(); }
    void set(const char* name, const QString& text) { field<QLineEdit>(name)->setText(text); }
    void tick(const char* name) { field<QCheckBox>(name)->setChecked(true); }
    void press() { field<QPushButton>("Button5")->click(); }
    int progress() const { return field<QProgressBar>("PBk")->value(); }
};

const QString Question = QStringLiteral(
    " Вартон Ltd|Внимание данные калибровки будут изменены! Защита будет блокирована! "
    "Продолжить?");

} // namespace

// The computed coefficients show while the write is on its way, then what the relay
// holds, and the relay's blocking reaches the protection group's box.
void TestCalibration::pageCalibrates() {
    PageRig r;
    QVERIFY(r.field<QPushButton>("Button5")->isEnabled());
    r.tick("CB_uak");
    r.set("ua_k", QStringLiteral("10"));
    r.tick("CB_iak");
    r.set("ia_k", QStringLiteral(" 5,0"));
    r.set("st_kub", QStringLiteral("600"));
    r.set("ub_k", QStringLiteral("x")); // not ticked: never read
    QVERIFY(!r.field<QCheckBox>("blok_z")->isChecked());
    r.prompt.answers = {true};
    r.press();
    QCOMPARE(r.prompt.asked, QList<QString>{Question});
    QCOMPARE(r.progress(), 0);
    // What the relay holds is read first, for the change journal.
    QCOMPARE(frame::kindOf(r.last()), quint8(KindConfigRead));
    r.port->push(frame::build(600, KindConfigRead, config::encode(Configuration{})));
    QCOMPARE(selectorOf(r.last()), int(SelectorCalibration));
    for (int i = 1; i <= Measurements; ++i) {
        r.port->push(readingsReply({5750, 1, 2, 600, 3, 4, 5}));
        QCOMPARE(r.progress(), i == Measurements ? 11 : i);
    }
    QCOMPARE(r.text("st_kua"), QStringLiteral("575"));
    QCOMPARE(r.text("st_kia"), QStringLiteral("240"));
    QCOMPARE(frame::payloadOf(r.last()).toHex(' '),
             hx("01 02 3F 02 58 02 3A 00 F0 00 C8 00 C8 13 88").toHex(' '));
    QVERIFY(r.prompt.shown.isEmpty());

    r.set("st_kua", QString()); // so that the relay's answer is seen to land
    r.port->push(
        frame::build(600, KindConfigWrite, hx("01 02 3F 02 58 02 3A 00 F0 00 C8 00 C8 13 88 80")));
    QCOMPARE(r.text("st_kua"), QStringLiteral("575"));
    QCOMPARE(r.text("st_kub"), QStringLiteral("600"));
    QVERIFY(r.field<QCheckBox>("blok_z")->isChecked());
    QCOMPARE(r.prompt.shown.size(), 1);
    QCOMPARE(r.prompt.shown.first().message, msg::calibrationDone());
    QCOMPARE(r.prompt.shown.first().message.caption, QStringLiteral("Автокалибровка"));
}

void TestCalibration::pageRefusesTextsItCannotUse_data() {
    QTest::addColumn<QString>("box"); // ticked, empty for none
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("detail");
    QTest::newRow("reference not a number")
        << "CB_uak"
        << "ua_k"
        << "abc" << QStringLiteral("Ua: эталонное значение «abc» не является числом больше 0.");
    QTest::newRow("zero reference")
        << "CB_idifk"
        << "idif_k"
        << "0,0" << QStringLiteral("Iут: эталонное значение «0,0» не является числом больше 0.");
    QTest::newRow("kept coefficient with decimals")
        << ""
        << "st_kub"
        << "57,5"
        << QStringLiteral("Ub: коэффициент «57,5» не является целым числом от 0 до 65535.");
    QTest::newRow("kept coefficient beyond 16 bits")
        << ""
        << "st_kic"
        << "70000"
        << QStringLiteral("Ic: коэффициент «70000» не является целым числом от 0 до 65535.");
}

void TestCalibration::pageRefusesTextsItCannotUse() {
    QFETCH(QString, box);
    QFETCH(QString, edit);
    QFETCH(QString, text);
    QFETCH(QString, detail);
    PageRig r;
    if (!box.isEmpty())
        r.tick(box.toLatin1().constData());
    r.set(edit.toLatin1().constData(), text);
    r.prompt.answers = {true};
    r.press();
    QCOMPARE(r.prompt.shown.size(), 1);
    QCOMPARE(r.prompt.shown.first().message, msg::calibrationRefused());
    QCOMPARE(r.prompt.shown.first().detail, detail);
    QCOMPARE(r.port->opens, 0);
    QVERIFY(!r.engine.current());
}

void TestCalibration::pageCancelled() {
    PageRig r;
    r.tick("CB_uak");
    r.set("ua_k", QStringLiteral("230"));
    r.press();
    QCOMPARE(r.prompt.asked, QList<QString>{Question});
    QCOMPARE(r.prompt.shown.size(), 1);
    QCOMPARE(r.prompt.shown.first().message, msg::calibrationCancelled());
    QCOMPARE(r.prompt.shown.first().message.caption, QStringLiteral("Автокалибровка"));
    QCOMPARE(r.port->opens, 0);
}

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
