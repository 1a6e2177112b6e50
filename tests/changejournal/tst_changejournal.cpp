// The change journal: its lines, what each job that changes a relay leaves in it, and a
// journal a crash has cut short.

#include "common/fakeport.h"
#include "common/silentrelay.h"
#include "history/changejournal.h"
#include "link/engine.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/configwritejob.h"
#include "link/jobs/protectionresetjob.h"
#include "link/jobs/rawjob.h"
#include "link/jobs/recordedcalibrationjob.h"
#include "link/jobs/rs485speedjob.h"
#include "model/configschema.h"
#include "protocol/calibration.h"
#include "protocol/frame.h"
#include "protocol/status.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kliv;
using changes::ChangeRecord;

namespace {

QByteArray reply(quint8 kind, const QByteArray& payload) {
    return frame::build(600, kind, payload);
}

ChangeRecord sample(int serial, const QByteArray& before = {}) {
    ChangeRecord r;
    r.time = QDateTime(QDate(2026, 5, 4), QTime(10, 20, 30, 400), Qt::OffsetFromUTC, 7200);
    r.serial = serial;
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.job = QString::fromLatin1(changes::ConfigWrite);
    r.outcome = QString::fromLatin1(changes::Done);
    r.before = before;
    r.after = before.isEmpty() ? QByteArray() : QByteArray(config::BlockSize, '\x11');
    return r;
}

Configuration changed() {
    Configuration c;
    c.z_umax_v = 400;
    c.oust_text = QStringLiteral("Цех 2");
    return c;
}

struct Rig {
    QTemporaryDir dir;
    test::FakePort* port = new test::FakePort;
    Engine engine{port};
    ChangeJournal journal{dir.filePath(QStringLiteral("sub/changes.jsonl"))};

    Rig() {
        engine.setPortName(QStringLiteral("/dev/fake"));
        journal.attach(engine);
    }
    QList<ChangeRecord> records() const { return journal.read().records; }
};

} // namespace

class TestChangeJournal : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void lineRoundTrip_data();
    void lineRoundTrip();
    void badLinesAreSkipped_data();
    void badLinesAreSkipped();
    void appendAfterACutLine();
    void appendThatFails();
    void verifiedWrite();
    void refusedWrite();
    void readBackDiffers();
    void shortBlockBeforeWritesNothing();
    void onlyJobsThatChangeAreRecorded();
    void calibrationKeepsBothBlocks();
    void calibrationStoredOtherwise();
    void jobFiledUnderItsOwnRelay();
    void lastWriteOfThisRelay();
};

void TestChangeJournal::lineRoundTrip_data() {
    QTest::addColumn<ChangeRecord>("record");
    QTest::newRow("without blocks") << sample(600);
    QTest::newRow("with blocks") << sample(4321, QByteArray(config::BlockSize, '\xA5'));
    ChangeRecord multi = sample(600);
    multi.outcome = QStringLiteral("mismatch");
    multi.detail = QStringLiteral("Umax: записано 250, считано 7000\nАдрес: записано 1, считано 2");
    QTest::newRow("a detail of two lines") << multi;
}

void TestChangeJournal::lineRoundTrip() {
    QFETCH(ChangeRecord, record);
    const QByteArray line = changes::toLine(record);
    QCOMPARE(line.count('\n'), 1);
    QVERIFY(line.endsWith('\n'));
    const changes::ChangeLog log = changes::readLines(line);
    QVERIFY(log.warnings().isEmpty());
    QCOMPARE(log.records.size(), 1);
    QCOMPARE(log.records.first(), record);
}

void TestChangeJournal::badLinesAreSkipped_data() {
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("why");
    const QByteArray whole = changes::toLine(sample(700));
    QTest::newRow("cut in half") << whole.left(whole.size() / 2) << "оборвана";
    QTest::newRow("no serial")
        << QByteArray(R"({"time":"2026-01-01T00:00:00Z","job":"x","outcome":"done"})")
        << "номера реле";
    QTest::newRow("block not hex")
        << QByteArray(
               R"({"time":"2026-01-01T00:00:00Z","serial":1,"job":"x","outcome":"done","before":"zz"})")
        << "шестнадцатеричном";
    ChangeRecord shortBlock = sample(700, QByteArray(config::BlockSize - 1, '\x01'));
    QTest::newRow("block one byte short") << changes::toLine(shortBlock).trimmed() << "77 байт";
    ChangeRecord afterAlone = sample(700);
    afterAlone.after = QByteArray(config::BlockSize, '\x02');
    QTest::newRow("a block after without the one before")
        << changes::toLine(afterAlone).trimmed() << "без блока до него";
    QTest::newRow("serial with a fraction")
        << QByteArray(
               R"({"time":"2026-01-01T00:00:00Z","serial":600.5,"job":"x","outcome":"done"})")
        << "номера реле";
}

// The bad line, wherever it sits, costs only itself; the warning names its line.
void TestChangeJournal::badLinesAreSkipped() {
    QFETCH(QByteArray, bad);
    QFETCH(QString, why);
    const QByteArray text = changes::toLine(sample(600)) + bad + "\n\n" +
                            changes::toLine(sample(601)) + bad; // the last one without its end
    const changes::ChangeLog log = changes::readLines(text);
    QCOMPARE(log.records.size(), 2);
    QCOMPARE(log.records.at(0).serial, 600);
    QCOMPARE(log.records.at(1).serial, 601);
    QCOMPARE(log.warnings().size(), 2);
    QVERIFY2(log.warnings().at(0).startsWith(QStringLiteral("строка 2 ")),
             qPrintable(log.warnings().at(0)));
    QVERIFY2(log.warnings().at(1).startsWith(QStringLiteral("строка 5 ")),
             qPrintable(log.warnings().at(1)));
    QVERIFY2(log.warnings().at(0).contains(why), qPrintable(log.warnings().at(0)));
}

// A journal whose last line a crash cut off: the next line still starts on its own.
void TestChangeJournal::appendAfterACutLine() {
    Rig r;
    QVERIFY(r.journal.append(sample(600)));
    {
        QFile f(r.journal.path());
        QVERIFY(f.open(QIODevice::Append));
        f.write(changes::toLine(sample(601)).left(30));
    }
    QVERIFY(r.journal.append(sample(602)));
    const changes::ChangeLog log = r.journal.read();
    QCOMPARE(log.records.size(), 2);
    QCOMPARE(log.records.at(1).serial, 602);
    QCOMPARE(log.warnings().size(), 1);
    QVERIFY(log.warnings().first().startsWith(QStringLiteral("строка 2 ")));
}

void TestChangeJournal::appendThatFails() {
    QTemporaryDir dir;
    // The journal's name is taken by a folder: nothing can be appended, and it says why.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("changes.jsonl")));
    ChangeJournal journal(dir.filePath(QStringLiteral("changes.jsonl")));
    QString reason;
    QVERIFY(!journal.append(sample(600), &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(journal.read().records.isEmpty());
}

void TestChangeJournal::verifiedWrite() {
    Rig r;
    r.engine.setSerial(600);
    const QByteArray held = config::encode(Configuration{});
    const QByteArray sent = config::encode(changed());
    r.engine.start(new ConfigWriteJob(changed()));
    QCOMPARE(frame::kindOf(r.port->written.last()), int(KindConfigRead)); // what was there
    r.port->push(reply(KindConfigRead, held));
    QCOMPARE(frame::payloadOf(r.port->written.last()), config::writePayload(changed()));
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    r.port->push(reply(KindConfigRead, sent));
    const QList<ChangeRecord> records = r.records();
    QCOMPARE(records.size(), 1);
    const ChangeRecord& rec = records.first();
    QCOMPARE(rec.job, QStringLiteral("config-write"));
    QCOMPARE(rec.outcome, QStringLiteral("done"));
    QCOMPARE(rec.serial, 600);
    QCOMPARE(rec.port, QStringLiteral("/dev/fake"));
    QCOMPARE(rec.before.toHex(' '), held.toHex(' '));
    QCOMPARE(rec.after.toHex(' '), sent.toHex(' '));
    QVERIFY(qAbs(rec.time.secsTo(QDateTime::currentDateTime())) < 3600);
}

void TestChangeJournal::refusedWrite() {
    Rig r;
    Configuration bad = changed();
    bad.z_umax_v = 9000;
    r.engine.start(new ConfigWriteJob(bad));
    QVERIFY(r.port->written.isEmpty());
    const QList<ChangeRecord> records = r.records();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().outcome, QStringLiteral("refused"));
    QVERIFY(records.first().detail.contains(QStringLiteral("Umax")));
    QVERIFY(records.first().before.isEmpty());
    QVERIFY(records.first().after.isEmpty());
}

// The relay kept something else: the line says so and holds the block as read back.
void TestChangeJournal::readBackDiffers() {
    Rig r;
    const QByteArray held = config::encode(Configuration{});
    QByteArray misstored = config::encode(changed());
    misstored[4] = char(0x1B); // Umax 7000 V
    misstored[5] = char(0x58);
    r.engine.start(new ConfigWriteJob(changed()));
    r.port->push(reply(KindConfigRead, held));
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    r.port->push(reply(KindConfigRead, misstored));
    const ChangeRecord rec = r.records().value(0);
    QCOMPARE(rec.outcome, QStringLiteral("mismatch"));
    QVERIFY2(rec.detail.contains(QStringLiteral("считано 7000")), qPrintable(rec.detail));
    QCOMPARE(rec.before, held);
    QCOMPARE(rec.after, misstored);
}

void TestChangeJournal::shortBlockBeforeWritesNothing() {
    Rig r;
    r.engine.start(new ConfigWriteJob(changed()));
    r.port->push(reply(KindConfigRead, QByteArray(10, '\0')));
    QCOMPARE(r.port->written.size(), 1); // the read only
    QCOMPARE(r.records().value(0).outcome, QStringLiteral("short-reply"));
}

void TestChangeJournal::onlyJobsThatChangeAreRecorded() {
    Rig r;
    r.engine.start(new ConfigReadJob);
    r.port->push(reply(KindConfigRead, config::encode(Configuration{})));
    QVERIFY(r.records().isEmpty());
    r.engine.start(new ProtectionResetJob);
    kliv::test::timeOutEveryTry(r.engine);
    r.engine.start(new Rs485SpeedJob(7));
    r.engine.cancel();
    // A typed request is recorded by what it does, not by how it was sent.
    r.engine.start(new RawJob(KindVersion, {}));
    r.port->push(reply(KindVersion, QByteArray(16, 'v')));
    r.engine.start(new RawJob(KindPresence, QByteArray(1, '\x03')));
    r.port->push(reply(KindPresence, QByteArray(1, '\x03')));
    r.engine.start(new RawJob(KindAccountingReset, {}));
    kliv::test::timeOutEveryTry(r.engine);
    const QList<ChangeRecord> records = r.records();
    QCOMPARE(records.size(), 4);
    QCOMPARE(records.at(2).job, QStringLiteral("raw"));
    QCOMPARE(records.at(2).outcome, QStringLiteral("done"));
    QCOMPARE(records.at(2).detail, QStringLiteral("запрос вида 0: 03"));
    QCOMPARE(records.at(3).outcome, QStringLiteral("no-answer"));
    QCOMPARE(records.at(3).detail, QStringLiteral("запрос вида 8: без данных"));
    QCOMPARE(records.first().job, QStringLiteral("protection-reset"));
    QCOMPARE(records.first().outcome, QStringLiteral("no-answer"));
    QCOMPARE(records.at(1).job, QStringLiteral("rs485-speed"));
    QCOMPARE(records.at(1).outcome, QStringLiteral("cancelled"));
    QCOMPARE(records.at(1).detail, QStringLiteral("скорость RS485 19200 бод"));
}

// A calibration whose write the relay stored otherwise is a mismatch that names the channel,
// and its line keeps what the relay reports holding; the relay's block is read only once.
void TestChangeJournal::calibrationStoredOtherwise() {
    Rig r;
    const QByteArray block = config::encode(Configuration{});
    calibration::References refs{};
    refs[calibration::Ua] = 392;
    auto* job = new RecordedCalibrationJob(refs); // the others keep what the relay holds
    QSignalSpy failed(job, &Job::failed);
    r.engine.start(job);
    r.port->push(reply(KindConfigRead, block));
    QCOMPARE(frame::kindOf(r.port->written.last()), quint8(KindStatus));
    QByteArray measurement(1, char(SelectorCalibration));
    for (quint32 v : {392u * 575, 1u, 2u, 3u, 4u, 5u, 6u})
        measurement += QByteArray::fromHex(QByteArray::number(v, 16).rightJustified(6, '0'));
    for (int i = 0; i < calibration::Measurements; ++i)
        r.port->push(reply(KindStatus, measurement));
    int reads = 0;
    for (const QByteArray& w : r.port->written)
        reads += frame::kindOf(w) == KindConfigRead;
    QCOMPARE(reads, 1);
    // Sent 575 (02 3F) for Ua and the relay's own 570 for the rest; it holds 576 and 571.
    r.port->push(reply(KindConfigWrite, QByteArray::fromHex("010240023B023A00C800C800C8138880")));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(job->failure(), Failure::Mismatch);
    const ChangeRecord rec = r.records().value(0);
    QCOMPARE(rec.outcome, QStringLiteral("mismatch"));
    QCOMPARE(rec.detail, QStringLiteral("Ua: записано 575, считано 576\n"
                                        "Ub: записано 570, считано 571"));
    QCOMPARE(rec.after.mid(config::CoefficientsByte, 4).toHex(' '), QByteArray("02 40 02 3b"));
}

// A number typed while a write runs is for the next job: the write's line names the relay
// it was read from and written to, so that backing it out goes to that relay.
void TestChangeJournal::jobFiledUnderItsOwnRelay() {
    Rig r;
    r.engine.start(new ConfigWriteJob(changed()));
    r.port->push(reply(KindConfigRead, config::encode(Configuration{})));
    r.engine.setSerial(601);
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    r.port->push(reply(KindConfigRead, config::encode(changed())));
    QCOMPARE(frame::hex(r.port->written.last()).left(11), QStringLiteral("AA 06 02 58"));
    const ChangeRecord rec = r.records().value(0);
    QCOMPARE(rec.outcome, QStringLiteral("done"));
    QCOMPARE(rec.serial, 600);
    QVERIFY(r.journal.undo(600).write);
    QVERIFY(!r.journal.undo(601).write);
}

// The calibration's line holds the block before it and that block with the coefficients and
// the blocking the relay reports after the write: what backing it out needs.
void TestChangeJournal::calibrationKeepsBothBlocks() {
    Rig r;
    Configuration held;
    held.z_umax_v = 321;
    const QByteArray block = config::encode(held);
    calibration::References refs{};
    refs[calibration::Ua] = 392;
    r.engine.start(new RecordedCalibrationJob(refs, calibration::coefficientsOf(held)));
    QCOMPARE(frame::kindOf(r.port->written.last()), quint8(KindConfigRead));
    r.port->push(reply(KindConfigRead, block));
    QByteArray measurement(1, char(SelectorCalibration));
    for (quint32 v : {392u * 575, 1u, 2u, 3u, 4u, 5u, 6u})
        measurement += QByteArray::fromHex(QByteArray::number(v, 16).rightJustified(6, '0'));
    for (int i = 0; i < calibration::Measurements; ++i)
        r.port->push(reply(KindStatus, measurement));
    QCOMPARE(frame::kindOf(r.port->written.last()), quint8(KindConfigWrite));
    r.port->push(reply(KindConfigWrite, QByteArray::fromHex("01023F023A023A00C800C800C8138880")));
    const ChangeRecord rec = r.records().value(0);
    QCOMPARE(rec.job, QStringLiteral("calibration-write"));
    QCOMPARE(rec.outcome, QStringLiteral("done"));
    QVERIFY2(rec.detail.contains(QStringLiteral("Ua 575")), qPrintable(rec.detail));
    QCOMPARE(rec.before, block);
    QByteArray after = block;
    after[config::CoefficientsByte] = char(0x02);
    after[config::CoefficientsByte + 1] = char(0x3F);
    after[config::FlagsByte] = char(quint8(after.at(config::FlagsByte)) | config::BlockingFlag);
    QCOMPARE(rec.after.toHex(' '), after.toHex(' '));
    QCOMPARE(r.journal.undo(600).write->before, block);

    // Given up during its measurements, a calibration wrote nothing and is nothing to undo.
    r.engine.start(new RecordedCalibrationJob(refs, calibration::coefficientsOf(held)));
    r.port->push(reply(KindConfigRead, config::encode(Configuration{})));
    r.port->push(reply(KindStatus, measurement));
    kliv::test::timeOutEveryTry(r.engine);
    const ChangeRecord failed = r.records().value(1);
    QCOMPARE(failed.outcome, QStringLiteral("no-answer"));
    QVERIFY(failed.before.isEmpty());
    QCOMPARE(r.journal.undo(600).write->before, block);

    // Its write sent but never answered: the block before is known, what the relay now
    // holds is not.
    r.engine.start(new RecordedCalibrationJob(refs, calibration::coefficientsOf(held)));
    r.port->push(reply(KindConfigRead, block));
    for (int i = 0; i < calibration::Measurements; ++i)
        r.port->push(reply(KindStatus, measurement));
    QCOMPARE(frame::kindOf(r.port->written.last()), quint8(KindConfigWrite));
    kliv::test::timeOutEveryTry(r.engine);
    const ChangeRecord unanswered = r.records().value(2);
    QCOMPARE(unanswered.outcome, QStringLiteral("no-answer"));
    QCOMPARE(unanswered.before, block);
    QVERIFY(unanswered.after.isEmpty());
}

// The last write of this relay that read what was there, whatever came after it.
void TestChangeJournal::lastWriteOfThisRelay() {
    Rig r;
    const QByteArray first(config::BlockSize, '\x01'), second(config::BlockSize, '\x02');
    QVERIFY(!r.journal.undo(600).write);
    r.journal.append(sample(600, first));
    r.journal.append(sample(600, second));
    r.journal.append(sample(601, QByteArray(config::BlockSize, '\x03')));
    ChangeRecord refused = sample(600);
    refused.outcome = QStringLiteral("refused");
    r.journal.append(refused);
    ChangeRecord clock = sample(600, QByteArray(config::BlockSize, '\x04'));
    clock.job = QString::fromLatin1(changes::ClockSet);
    r.journal.append(clock);
    QCOMPARE(r.journal.undo(600).write->before, second);
    QCOMPARE(r.journal.undo(601).write->before, QByteArray(config::BlockSize, '\x03'));
    QVERIFY(!r.journal.undo(602).write);
}

QTEST_GUILESS_MAIN(TestChangeJournal)
#include "tst_changejournal.moc"
