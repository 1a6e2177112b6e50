// Every job against the simulated relay on a pseudo-terminal, each line fault aimed at one
// of its requests: how the job ends and what the box says, that nothing claims success for
// a job that did not complete, that one lost answer costs one repeat and no more, that the
// port is closed afterwards, and that the same job then succeeds. One line a cell on stdout,
// "matrix <job> <fault> <outcome>", for the robustness table.

#include "common/simprocess.h"
#include "common/wine.h"
#include "link/engine.h"
#include "link/jobs/accountingreadjob.h"
#include "link/jobs/accountingresetjob.h"
#include "link/jobs/calibrationjob.h"
#include "link/jobs/clocksetjob.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/configwritejob.h"
#include "link/jobs/eventlogjob.h"
#include "link/jobs/polljob.h"
#include "link/jobs/protectionresetjob.h"
#include "link/jobs/rs485speedjob.h"
#include "link/jobs/saveprotocoljob.h"
#include "link/jobs/searchjob.h"
#include "link/serialport.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "report/document.h"
#include "report/protocolreport.h"
#include "texts/accountingtexts.h"
#include "texts/eventtexts.h"
#include "texts/messages.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <memory>

using namespace kliv;
using kliv::test::SimProcess;

namespace {

constexpr int LongTimeoutMs = speeds::replyTimeoutMs(speeds::Default) + speeds::ConfigWriteExtraMs;
// Late beyond the first try's time-out, and well within the second's.
constexpr int SlowMs = speeds::replyTimeoutMs(speeds::Default) * 3 / 2;
constexpr int SlowWriteMs = LongTimeoutMs * 3 / 2;
constexpr int PollRecords = 5;

bool anything(Job&, const QString&) {
    return true;
}

// A job of the tool as a row of the matrix: how to make it, which of its requests the
// faults hit, and what its result must hold once it succeeds.
struct JobSpec {
    const char* name;
    int kind;             // the request kind the fault watches
    int nth = 1;          // which request of that kind
    int slowMs = SlowMs;  // a delay beyond the request's time-out
    QStringList sim = {}; // options of the relay
    std::function<Job*()> make;
    std::function<bool(Job&, const QString& dir)> holds = anything; // once it succeeded
    bool ridesOut = false; // goes on past a lost or spoilt answer (the poll, the search)
    bool repeats = true;   // asks again for a lost answer; false: keeps its own schedule
    bool timed = false;    // holds each try back for its moment: a late answer may beat the repeat
    Message noAnswer = msg::noReply();
};

template <class J> std::function<bool(Job&, const QString&)> result(std::function<bool(J&)> f) {
    return [f](Job& job, const QString&) { return f(static_cast<J&>(job)); };
}

Configuration changed() {
    Configuration c;
    c.z_umax_v = 400;
    c.tipo_text = QStringLiteral("Насос 3");
    return c;
}

bool holdsChanged(ConfigWriteJob& j) {
    return j.readBack().z_umax_v == 400;
}

CalibrationJob* calibration() {
    calibration::References refs;
    refs[calibration::Ua] = 392.0; // the simulated relay's steady Ua
    return new CalibrationJob(refs, calibration::Coefficients{570, 570, 570, 200, 200, 200, 5000});
}

bool holdsFactoryCoefficients(CalibrationJob& j) {
    return j.result().coefficients == calibration::Coefficients{570, 570, 570, 200, 200, 200, 5000};
}

bool holdsWholeLog(EventLogJob& j) {
    return j.rows().size() == 93; // seven of the simulated relay's slots are spoilt
}

// Whichever try set it, the relay's clock is the PC's, give or take what a busy PC delays a
// write by; a try that named the time before a lost one's time-out would be 300 ms behind.
bool clockAgrees(Job&, const QString& dir) {
    const std::optional<int> ms = test::lastClockOffset(dir + QStringLiteral("/sim.log"));
    return ms && qAbs(*ms) < 250;
}

// The report is only a result once its file is written.
bool reportSaved(Job& job, const QString& dir) {
    auto& j = static_cast<SaveProtocolJob&>(job);
    const NumberLocale loc = NumberLocale::system();
    ReportData data;
    data.serial = 600;
    data.events = eventlog::texts(j.events(), loc);
    data.configuration = j.configuration();
    data.accounting = accounting::texts(j.accounting(), loc);
    QString error;
    auto doc = report::build(QStringLiteral(KLIV_TEMPLATE_DOCX), data, loc, {}, &error);
    const QString path = dir + QStringLiteral("/report.docx");
    return doc && doc->saveAs(path) && QFileInfo(path).size() > 0;
}

// Each job with the fault on its first request; the longer jobs once more with the fault
// on a later step.
const QList<JobSpec>& jobs() {
    static const QList<JobSpec> all = {
        {.name = "poll", .kind = KindStatus, .make = [] { return new PollJob; }, .ridesOut = true},
        {.name = "config-read",
         .kind = KindConfigRead,
         .make = [] { return new ConfigReadJob; },
         .holds = result<ConfigReadJob>([](auto& j) { return j.configuration().z_umax_v == 250; })},
        {.name = "config-write",
         .kind = KindConfigWrite,
         .slowMs = SlowWriteMs,
         .make = [] { return new ConfigWriteJob(changed()); },
         .holds = result<ConfigWriteJob>(holdsChanged)},
        {.name = "config-write.held",
         .kind = KindConfigRead,
         .make = [] { return new ConfigWriteJob(changed()); },
         .holds = result<ConfigWriteJob>(holdsChanged)},
        {.name = "config-write.read-back",
         .kind = KindConfigRead,
         .nth = 2,
         .make = [] { return new ConfigWriteJob(changed()); },
         .holds = result<ConfigWriteJob>(holdsChanged)},
        {.name = "calibration",
         .kind = KindStatus,
         .make = [] { return calibration(); },
         .holds = result<CalibrationJob>(holdsFactoryCoefficients)},
        {.name = "calibration.write",
         .kind = KindConfigWrite,
         .slowMs = SlowWriteMs,
         .make = [] { return calibration(); },
         .holds = result<CalibrationJob>([](auto& j) { return j.result().blocking; })},
        {.name = "rs485-speed",
         .kind = KindPresence,
         .make = [] { return new Rs485SpeedJob(5); },
         .holds = result<Rs485SpeedJob>([](auto& j) { return !j.followed(); }),
         .repeats = false,
         .noAnswer = msg::rs485Stopped()},
        {.name = "clock-set",
         .kind = KindClockSet,
         .make = [] { return new ClockSetJob(0, false, false); },
         .holds = clockAgrees,
         .timed = true},
        {.name = "protection-reset",
         .kind = KindProtectionReset,
         .make = [] { return new ProtectionResetJob; }},
        {.name = "events",
         .kind = KindEventRecord,
         .make = [] { return new EventLogJob; },
         .holds = result<EventLogJob>(holdsWholeLog)},
        {.name = "events.block-5",
         .kind = KindEventRecord,
         .nth = 6,
         .make = [] { return new EventLogJob; },
         .holds = result<EventLogJob>(holdsWholeLog)},
        {.name = "accounting-read",
         .kind = KindAccountingRead,
         .make = [] { return new AccountingReadJob; },
         .holds = result<AccountingReadJob>([](auto& j) { return j.record().switchOns > 0; })},
        {.name = "accounting-reset",
         .kind = KindAccountingReset,
         .make = [] { return new AccountingResetJob; },
         .holds = result<AccountingResetJob>([](auto& j) { return j.record().switchOns == 0; })},
        {.name = "report",
         .kind = KindConfigRead,
         .make = [] { return new SaveProtocolJob; },
         .holds = reportSaved},
        {.name = "report.events",
         .kind = KindEventRecord,
         .make = [] { return new SaveProtocolJob; },
         .holds = reportSaved},
        // At the slowest speed the relay is found at the first step; a probe whose answer
        // is late still lands within the next probe's window at the same speed.
        {.name = "search",
         .kind = KindPresence,
         .slowMs = SearchJob::intervalMs(0) * 5 / 8,
         .sim = {QStringLiteral("--baud"), QStringLiteral("300")},
         .make = [] { return new SearchJob; },
         .holds = result<SearchJob>([](auto& j) { return j.speedIndex() == 0; }),
         .ridesOut = true},
    };
    return all;
}

struct Fault {
    const char* name;
    const char* action; // the simulated relay's; %1 the job's slow delay
    enum Effect { Spoils, Harmless, Vanishes } effect;
    bool late = false; // the answer still comes, after the job gave up on it
};

// Noise inside a frame spoils that frame for good: its own bytes are mixed with the noise,
// and no hunt for another start byte could bring them back. The request goes unanswered;
// the next one starts with a clean receiver.
const QList<Fault> Faults = {
    {"drop", "drop", Fault::Spoils},
    {"corrupt", "corrupt", Fault::Spoils},
    {"noise-before", "noise", Fault::Harmless},
    {"noise-inside", "noise-inside", Fault::Spoils},
    {"split", "split", Fault::Harmless},
    {"slow", "delay=%1", Fault::Spoils, true},
    {"other-serial", "other-serial", Fault::Spoils},
    {"vanish", "vanish", Fault::Vanishes},
};

// The simulated relay's rule for a fault, aimed at one request of the job.
QString ruleFor(const Fault& f, const JobSpec& j) {
    QString action = QString::fromLatin1(f.action);
    if (f.late)
        action = action.arg(j.slowMs);
    return QStringLiteral("%1:kind=%2:nth=%3").arg(action).arg(j.kind).arg(j.nth);
}

// The relay of one row under a name of its own; after it vanished, the same name comes
// back with a new relay behind it, as a re-plugged adapter would.
struct Relay {
    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("relay"));
    QString log = dir.filePath(QStringLiteral("sim.log"));
    std::unique_ptr<SimProcess> sim;

    bool plug(const QStringList& options) {
        sim.reset();
        sim =
            std::make_unique<SimProcess>(options + QStringList{QStringLiteral("--link"), link,
                                                               QStringLiteral("--log-file"), log});
        return sim->ok();
    }
    int logged(const char* what) const {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count(what)) : 0;
    }
};

// How one run of a job ended, as the main window and the job's front end saw it.
struct Ending {
    bool ended = false;
    bool holds = false;   // succeeded, and its result is what the relay holds
    int successes = 0;    // succeeded() signals
    int failureBoxes = 0; // Engine::jobFailed, one box each
    std::optional<Failure> failure;
    msg::Report box;
    bool portOpen = true;
    int repeats = 0; // requests the engine sent again
};

Ending run(Engine& engine, const JobSpec& spec, const QString& dir) {
    Ending e;
    Job* job = spec.make();
    QObject scope;
    QObject::connect(&engine, &Engine::jobFailed, &scope,
                     [&e, job](Job* j, const Outcome& outcome) {
                         if (j != job)
                             return;
                         ++e.failureBoxes;
                         e.failure = outcome.reason;
                         e.box = msg::forFailure(outcome);
                     });
    QObject::connect(job, &Job::succeeded, &scope, [&e, &spec, job, &dir] {
        ++e.successes;
        e.holds = spec.holds(*job, dir);
    });
    QObject::connect(&engine, &Engine::jobEnded, &scope, [&e, job](Job* j) {
        if (j == job)
            e.ended = true;
    });
    if (auto* poll = qobject_cast<PollJob*>(job)) {
        auto records = std::make_shared<int>(0);
        QObject::connect(poll, &PollJob::liveStatus, &scope, [&engine, records] {
            if (++*records == PollRecords)
                engine.stopPoll();
        });
    }
    const int repeatsBefore = engine.repeats();
    engine.start(job);
    e.ended = QTest::qWaitFor([&e] { return e.ended; }, 20000);
    e.portOpen = engine.isOpen();
    e.repeats = engine.repeats() - repeatsBefore;
    return e;
}

QString reasonName(Failure f) {
    switch (f) {
    case Failure::NoAnswer:
        return QStringLiteral("no-answer");
    case Failure::LineLost:
        return QStringLiteral("line-lost");
    case Failure::PortNotOpened:
        return QStringLiteral("port-not-opened");
    case Failure::RefusedInput:
        return QStringLiteral("refused-input");
    case Failure::Cancelled:
        return QStringLiteral("cancelled");
    case Failure::Mismatch:
        return QStringLiteral("mismatch");
    case Failure::ShortReply:
        return QStringLiteral("short-reply");
    }
    return {};
}

QString outcomeOf(const Ending& e) {
    QString head;
    if (!e.failure)
        head = e.holds ? QStringLiteral("succeeded") : QStringLiteral("succeeded-wrongly");
    else
        head = reasonName(*e.failure) + QStringLiteral(": ") + e.box.message.text;
    return e.repeats > 0 ? head + QStringLiteral(" (repeats: %1)").arg(e.repeats) : head;
}

} // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cell_data();
    void cell();
    void misstoredWriteNeverWritten_data();
    void misstoredWriteNeverWritten();
};

void TestFaultMatrix::initTestCase() {
    QVERIFY2(QFileInfo::exists(QStringLiteral(KLIV_TEMPLATE_DOCX)), KLIV_TEMPLATE_DOCX);
}

void TestFaultMatrix::cell_data() {
    QTest::addColumn<int>("job");
    QTest::addColumn<int>("fault");
    for (int j = 0; j < jobs().size(); ++j)
        for (int f = 0; f < Faults.size(); ++f)
            QTest::addRow("%s %s", jobs().at(j).name, Faults.at(f).name) << j << f;
}

void TestFaultMatrix::cell() {
    QFETCH(int, job);
    QFETCH(int, fault);
    const JobSpec& spec = jobs().at(job);
    const Fault& f = Faults.at(fault);
    if (f.effect == Fault::Vanishes && test::underWine())
        QSKIP(test::WineSeesNoHangUp);

    Relay relay;
    QVERIFY(relay.plug(spec.sim + QStringList{QStringLiteral("--fault"), ruleFor(f, spec)}));
    Engine engine(new SerialPort);
    engine.setPortName(relay.link);

    const Ending hit = run(engine, spec, relay.dir.path());
    std::printf("matrix %s %s %s\n", spec.name, f.name, qPrintable(outcomeOf(hit)));
    std::fflush(stdout);
    QVERIFY2(hit.ended, "the job never ended");
    QVERIFY(!hit.portOpen);

    // One answer lost or spoilt is asked for again, by the engine or by the job's own round.
    const bool recovers = spec.ridesOut || spec.repeats;
    switch (f.effect == Fault::Spoils && recovers ? Fault::Harmless : f.effect) {
    case Fault::Harmless:
        QCOMPARE(hit.failureBoxes, 0);
        QCOMPARE(hit.successes, 1);
        QVERIFY(hit.holds);
        // The poll asked again for a lost answer: one request more than the one left in
        // flight when it was stopped.
        if (f.effect == Fault::Spoils && !f.late && qstrcmp(spec.name, "poll") == 0)
            QVERIFY(engine.framesSent() > engine.framesReceived() + 1);
        // A job on the engine's time-outs sent that one request once more, and only that.
        if (f.effect == Fault::Spoils && f.late && spec.timed)
            QVERIFY(hit.repeats <= 1);
        else if (f.effect == Fault::Spoils && spec.repeats && !spec.ridesOut)
            QCOMPARE(hit.repeats, 1);
        else if (f.effect == Fault::Harmless && !spec.ridesOut)
            QCOMPARE(hit.repeats, 0);
        break;
    case Fault::Spoils:
        QCOMPARE(hit.successes, 0);
        QCOMPARE(hit.failureBoxes, 1);
        QCOMPARE(*hit.failure, Failure::NoAnswer);
        QCOMPARE(hit.box.message.caption, spec.noAnswer.caption);
        QCOMPARE(hit.box.message.text, spec.noAnswer.text);
        break;
    case Fault::Vanishes:
        QCOMPARE(hit.successes, 0);
        QCOMPARE(hit.failureBoxes, 1);
        QCOMPARE(*hit.failure, Failure::LineLost);
        QCOMPARE(hit.box.message.text, msg::deviceLost().text);
        QCOMPARE(hit.box.detail, msg::lostDetail(relay.link));
        break;
    }
    // The same job again, with nothing wrong on the line: a relay still busy with a late
    // answer is let finish it first, a vanished one is plugged in again.
    if (f.effect == Fault::Vanishes)
        QVERIFY(relay.plug(spec.sim));
    else if (f.late && hit.failure)
        QTRY_VERIFY_WITH_TIMEOUT(relay.logged(" tx ") >= relay.logged(" rx "), 10000);
    const Ending again = run(engine, spec, relay.dir.path());
    QCOMPARE(outcomeOf(again), QStringLiteral("succeeded"));
    QCOMPARE(again.successes, 1);
    QVERIFY(!again.portOpen);
}

// A relay that answers the write but stores something else: the answer or the read-back
// shows it, and neither the job nor the command line ever calls it written.
void TestFaultMatrix::misstoredWriteNeverWritten_data() {
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("cli");
    QTest::addColumn<QString>("says");
    QTest::newRow("configuration")
        << QStringLiteral("config-write") << QStringLiteral("misstore")
        << QStringList{QStringLiteral("config"), QStringLiteral("write"),
                       QStringLiteral("settings.json"), QStringLiteral("--yes")}
        << QStringLiteral("Umax: записано 400, считано 7000");
    // The relay keeps Ua's coefficient one count low: 569 for the 570 written.
    QTest::newRow("calibration") << QStringLiteral("calibration")
                                 << QStringLiteral("misstore:at=28:bytes=0239")
                                 << QStringList{QStringLiteral("calibrate"),
                                                QStringLiteral("--ref"), QStringLiteral("ua=392"),
                                                QStringLiteral("--yes")}
                                 << QStringLiteral("Ua: записано 570, считано 569");
}

void TestFaultMatrix::misstoredWriteNeverWritten() {
    QFETCH(QString, job);
    QFETCH(QString, fault);
    QFETCH(QStringList, cli);
    QFETCH(QString, says);
    // By name: rows of the job table come and go.
    const auto found = std::find_if(jobs().cbegin(), jobs().cend(), [&job](const JobSpec& j) {
        return job == QLatin1String(j.name);
    });
    QVERIFY(found != jobs().cend());
    const JobSpec& spec = *found;
    Relay relay;
    QVERIFY(relay.plug({QStringLiteral("--fault"), fault}));
    Engine engine(new SerialPort);
    engine.setPortName(relay.link);
    const Ending hit = run(engine, spec, relay.dir.path());
    std::printf("matrix %s misstore %s\n", spec.name, qPrintable(outcomeOf(hit)));
    std::fflush(stdout);
    QCOMPARE(hit.successes, 0);
    QCOMPARE(hit.failureBoxes, 1);
    QCOMPARE(*hit.failure, Failure::Mismatch);
    QVERIFY2(hit.box.detail.contains(says), qPrintable(hit.box.detail));
    QVERIFY(!hit.portOpen);

    // The command line against a relay as it came, with the same fault.
    QVERIFY(relay.plug({QStringLiteral("--fault"), fault}));
    QFile file(relay.dir.filePath(QStringLiteral("settings.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"z_umax_v": 400})");
    file.close();
    cli.replaceInStrings(QStringLiteral("settings.json"), file.fileName());
    QProcess process;
    process.start(qEnvironmentVariable("KLIV_CLI"),
                  cli + QStringList{QStringLiteral("--port"), relay.link});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), QString());
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(says));
}

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
