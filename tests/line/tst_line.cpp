// Several relays on one line, on a line without a device: the scan's probes and what it
// lists, the overview's turns, the batch's relays, the overview's rows and the lists of
// serial numbers the user gives.

#include "common/fakeport.h"
#include "common/livesamples.h"
#include "line/overviewrows.h"
#include "link/engine.h"
#include "link/jobs/linescanjob.h"
#include "link/jobs/overviewjob.h"
#include "link/jobs/searchjob.h"
#include "link/jobs/versionjob.h"
#include "link/linebatch.h"
#include "model/seriallist.h"
#include "protocol/frame.h"
#include "texts/linetexts.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kliv;
using kliv::test::FakePort;

namespace {

int serialOf(const QByteArray& f) {
    return quint8(f.at(2)) << 8 | quint8(f.at(3));
}

QByteArray presence(int serial, const QByteArray& payload = QByteArray::fromHex("0A01")) {
    return frame::build(quint16(serial), KindPresence, payload);
}

QByteArray version(int serial, const QByteArray& text) {
    return frame::build(quint16(serial), KindVersion, text + QByteArray(16 - text.size(), '\0'));
}

QByteArray live(int serial) {
    return frame::build(quint16(serial), KindStatus, status::encodeLive(test::liveSample()));
}

// The frames of one kind the tool has sent, by the serial number each was for.
QList<int> sentTo(const FakePort& port, quint8 kind) {
    QList<int> out;
    for (const QByteArray& f : port.written)
        if (frame::kindOf(f) == kind)
            out.append(serialOf(f));
    return out;
}

struct Line {
    FakePort* port = new FakePort;
    Engine engine{port};
    Line(int retries = 0) {
        engine.setPortName(QStringLiteral("/dev/fake"));
        engine.setRetries(retries);
    }
};

using Pushes = QList<QPair<int, QByteArray>>; // after that many probes, these bytes arrive
using Listed = QList<QPair<int, int>>;        // serial number, number it answered
using Damaged = QList<LineScanJob::Damaged>;

QByteArray badSum(const QByteArray& frame) {
    QByteArray bad = frame;
    bad[bad.size() - 1] = char(bad.back() ^ 1);
    return bad;
}

} // namespace

Q_DECLARE_METATYPE(Pushes)
Q_DECLARE_METATYPE(Listed)
Q_DECLARE_METATYPE(Damaged)

class TestLine : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void scanProbesEachNumberOnceOnItsSchedule_data();
    void scanProbesEachNumberOnceOnItsSchedule();
    void scanListsWhoAnsweredAndNoOneElse_data();
    void scanListsWhoAnsweredAndNoOneElse();
    void scanReadsVersionsOfWhoAnswered();
    void scanStopKeepsWhatWasFound();
    void overviewAsksEachRelayInTurn();
    void overviewRowsMarkTheSilentOnly();
    void batchGoesOnPastARelayThatFails();
    void batchEndsWithTheLine();
    void serialLists_data();
    void serialLists();
};

void TestLine::scanProbesEachNumberOnceOnItsSchedule_data() {
    QTest::addColumn<int>("speedIndex");
    QTest::newRow("115200") << 10;
    QTest::newRow("2400") << 3;
    QTest::newRow("300") << 0;
}

// A silent number is the common case: its probe goes out once, at the line's speed, and
// the next follows after the search's presence time-out whatever the retries say.
void TestLine::scanProbesEachNumberOnceOnItsSchedule() {
    QFETCH(int, speedIndex);
    Line line(2);
    line.engine.applySpeed(speedIndex);
    auto* job = new LineScanJob({598, 599, 600});
    QSignalSpy progress(job, &LineScanJob::progressChanged);
    QSignalSpy done(job, &Job::succeeded);
    line.engine.start(job);

    const int interval = SearchJob::intervalMs(speedIndex);
    QCOMPARE(job->timer().interval(), interval);
    QVERIFY(job->timer().isActive());
    QCOMPARE(progress.last(), (QList<QVariant>{1, 3, 3 * interval}));
    line.engine.onReplyTimeout(); // no reply time-out runs, so nothing is repeated
    job->onTick();
    QCOMPARE(progress.last(), (QList<QVariant>{2, 3, 2 * interval}));
    job->onTick();
    job->onTick();
    QCOMPARE(sentTo(*line.port, KindPresence), (QList<int>{598, 599, 600}));
    QCOMPARE(line.port->written.size(), 3);
    QCOMPARE(line.engine.repeats(), 0);
    QCOMPARE(done.size(), 1);
    QVERIFY(job->relays().isEmpty());
}

void TestLine::scanListsWhoAnsweredAndNoOneElse_data() {
    QTest::addColumn<Pushes>("pushes");
    QTest::addColumn<Listed>("listed");
    QTest::addColumn<Damaged>("damaged");
    const QByteArray noise("\x01\x02\x03");
    QTest::newRow("each its own") << Pushes{{1, presence(598)}, {3, presence(600)}}
                                  << Listed{{598, 598}, {600, 600}} << Damaged{};
    QTest::newRow("one-byte presence")
        << Pushes{{2, presence(599, "\x05")}} << Listed{{599, 599}} << Damaged{};
    QTest::newRow("another relay answers")
        << Pushes{{1, presence(599)}} << Listed{{599, 598}} << Damaged{};
    QTest::newRow("then answers its own")
        << Pushes{{1, presence(599)}, {2, presence(599)}} << Listed{{599, 599}} << Damaged{};
    QTest::newRow("late, during the next probe")
        << Pushes{{2, presence(598)}} << Listed{{598, 599}} << Damaged{};
    QTest::newRow("twice in one probe")
        << Pushes{{1, presence(598) + presence(598)}} << Listed{{598, 598}} << Damaged{};
    QTest::newRow("behind noise") << Pushes{{3, noise + presence(600)}} << Listed{{600, 600}}
                                  << Damaged{};
    QTest::newRow("empty presence reply")
        << Pushes{{1, presence(598, {})}} << Listed{} << Damaged{};
    QTest::newRow("another kind") << Pushes{{1, version(598, "v")}} << Listed{} << Damaged{};
    QTest::newRow("a request on the line")
        << Pushes{{2, frame::build(599, KindPresence, {})}} << Listed{} << Damaged{};
    // Two relays of one number garble each other: whatever comes back damaged during a
    // number's probe is that number's, and no other's.
    QTest::newRow("bad sum") << Pushes{{2, badSum(presence(599))}} << Listed{} << Damaged{{599, 1}};
    QTest::newRow("two bad frames")
        << Pushes{{1, badSum(presence(598)) + badSum(presence(598, "\x05"))}} << Listed{}
        << Damaged{{598, 2}};
    QTest::newRow("bad frame beside a good one")
        << Pushes{{3, badSum(presence(600)) + presence(600)}} << Listed{{600, 600}}
        << Damaged{{600, 1}};
    QTest::newRow("cut at the last probe's end")
        << Pushes{{3, presence(600).left(7)}} << Listed{} << Damaged{{600, 1}};
    QTest::newRow("noise alone") << Pushes{{2, noise}} << Listed{} << Damaged{{599, 1}};
    QTest::newRow("noise, then another number answers")
        << Pushes{{1, noise}, {2, presence(599)}} << Listed{{599, 599}} << Damaged{{598, 1}};
    QTest::newRow("a cut frame's tail in the next probe")
        << Pushes{{1, presence(598).left(4)}, {2, presence(598).mid(4)}} << Listed{}
        << Damaged{{598, 1}};
}

// What the scan lists is exactly who answered, under the number its reply carries, and
// the numbers whose answers came back damaged.
void TestLine::scanListsWhoAnsweredAndNoOneElse() {
    QFETCH(Pushes, pushes);
    QFETCH(Listed, listed);
    QFETCH(Damaged, damaged);
    Line line;
    auto* job = new LineScanJob({598, 599, 600});
    QSignalSpy probesDone(job, &LineScanJob::probesDone);
    line.engine.start(job);
    for (int probe = 1; probesDone.isEmpty(); ++probe) {
        for (const auto& [after, bytes] : pushes)
            if (after == probe)
                line.port->push(bytes);
        job->onTick();
    }
    Listed got;
    for (const LineScanJob::Relay& r : job->relays())
        got.append({r.serial, r.probed});
    QCOMPARE(got, listed);
    QCOMPARE(job->damaged(), damaged);
}

// A relay that answers its presence but not the version request stays listed, without
// a version; each version request goes to its own relay.
void TestLine::scanReadsVersionsOfWhoAnswered() {
    Line line;
    auto* job = new LineScanJob({598, 599, 600});
    QSignalSpy done(job, &Job::succeeded);
    line.engine.start(job);
    line.port->push(presence(598));
    job->onTick();
    job->onTick();
    line.port->push(presence(600));
    job->onTick();
    QCOMPARE(sentTo(*line.port, KindVersion), QList<int>{598});
    line.port->push(version(598, "v3.07"));
    QCOMPARE(sentTo(*line.port, KindVersion), (QList<int>{598, 600}));
    line.engine.onReplyTimeout();
    QCOMPARE(done.size(), 1);
    QCOMPARE(job->relays(), (QList<LineScanJob::Relay>{{598, 598, QStringLiteral("v3.07"), true},
                                                       {600, 600, {}, false}}));
    QCOMPARE(msg::versionText(job->relays().at(1)), msg::silentMark());
}

void TestLine::scanStopKeepsWhatWasFound() {
    Line line;
    auto* job = new LineScanJob(serials::range(100, 999));
    QSignalSpy done(job, &Job::succeeded);
    line.engine.start(job);
    line.port->push(presence(100));
    job->onTick();
    job->stop();
    QVERIFY(!job->timer().isActive());
    QCOMPARE(sentTo(*line.port, KindPresence), (QList<int>{100, 101}));
    QCOMPARE(sentTo(*line.port, KindVersion), QList<int>{100});
    job->stop(); // while the versions are read: at once
    QCOMPARE(done.size(), 1);
    QVERIFY(job->stopped());
    QCOMPARE(job->relays().size(), 1);
}

// One request at a time, relay after relay; a silent one costs its own turn only and is
// asked again on its next one.
void TestLine::overviewAsksEachRelayInTurn() {
    Line line(1);
    auto* job = new OverviewJob({600, 601, 602});
    QSignalSpy answered(job, &OverviewJob::answered);
    QSignalSpy silent(job, &OverviewJob::silent);
    QSignalSpy repeated(job, &OverviewJob::repeated);
    line.engine.start(job);
    QVERIFY(line.engine.pollRunning());

    line.port->push(live(600));
    line.port->push(live(600));   // the same answer again is no one's
    line.engine.onReplyTimeout(); // 601 is asked again, then given up
    line.engine.onReplyTimeout();
    line.port->push(live(602));
    QCOMPARE(sentTo(*line.port, KindStatus), (QList<int>{600, 601, 601, 602}));
    QCOMPARE(answered.size(), 2);
    QCOMPARE(answered.at(0).at(0).toInt(), 600);
    QCOMPARE(answered.at(1).at(0).toInt(), 602);
    QCOMPARE(answered.at(1).at(1).value<LiveStatus>(), test::liveSample());
    QCOMPARE(silent.size(), 1);
    QCOMPARE(silent.at(0).at(0).toInt(), 601);
    QCOMPARE(repeated.size(), 1);
    QCOMPARE(repeated.at(0).at(0).toInt(), 601);

    QVERIFY(job->pause().isActive()); // between rounds nothing is asked
    QCOMPARE(line.port->written.size(), 4);
    job->onPause();
    line.port->push(live(600));
    line.port->push(live(601));
    QCOMPARE(sentTo(*line.port, KindStatus).mid(4), (QList<int>{600, 601, 602}));
    QCOMPARE(answered.last().at(0).toInt(), 601);
    line.engine.stopPoll();
    QCOMPARE(job->phase(), Job::Phase::Succeeded);
}

void TestLine::overviewRowsMarkTheSilentOnly() {
    OverviewRows rows({600, 601, 602});
    const NumberLocale loc = NumberLocale::c();
    QCOMPARE(rows.answered(600, test::liveSample(), 1000), 0);
    QCOMPARE(rows.answered(601, test::liveSample(), 1000), 1);
    QCOMPARE(rows.silent(601), 1);
    QCOMPARE(rows.repeated(601), 1);
    QCOMPARE(rows.silent(700), -1);
    QCOMPARE(rows.answered(602, test::liveSample(), 1500), 2);

    const QStringList fresh = rows.cells(0, 4000, loc);
    QCOMPARE(fresh.size(), OverviewRows::headers().size());
    QCOMPARE(fresh.at(OverviewRows::Serial), QStringLiteral("600"));
    QCOMPARE(fresh.at(OverviewRows::Ua), QStringLiteral("380"));
    QCOMPARE(fresh.at(OverviewRows::Ia), QStringLiteral("99.9"));
    QCOMPARE(fresh.at(OverviewRows::Protection), QStringLiteral("сработала: Перегруз"));
    QCOMPARE(fresh.at(OverviewRows::Link), QString());
    QCOMPARE(fresh.at(OverviewRows::Age), msg::replyAge(3000));

    // The silent row keeps its last values and counts its losses until it answers again.
    const QStringList gone = rows.cells(1, 4000, loc);
    QCOMPARE(gone.at(OverviewRows::Ua), QStringLiteral("380"));
    QCOMPARE(gone.at(OverviewRows::Link), msg::silentMark());
    QCOMPARE(gone.at(OverviewRows::Repeats), QStringLiteral("1"));
    QCOMPARE(gone.at(OverviewRows::Losses), QStringLiteral("1"));
    QCOMPARE(rows.cells(2, 4000, loc).at(OverviewRows::Link), QString());
    rows.answered(601, test::liveSample(), 5000);
    QCOMPARE(rows.cells(1, 5000, loc).at(OverviewRows::Link), QString());
    QCOMPARE(rows.cells(1, 5000, loc).at(OverviewRows::Losses), QStringLiteral("1"));
}

// Each relay gets its own job for its own number; a silent one is noted quietly and the
// next one is read.
void TestLine::batchGoesOnPastARelayThatFails() {
    Line line;
    QSignalSpy announced(&line.engine, &Engine::jobFailed);
    LineBatch batch(line.engine, {600, 601, 602}, [] { return new VersionJob; });
    QList<QPair<int, Job::Phase>> ended;
    connect(&batch, &LineBatch::relayEnded, this, [&ended](int serial, Job* job) {
        ended.append({serial, job->phase()});
    });
    QSignalSpy finished(&batch, &LineBatch::finished);
    batch.start();
    line.port->push(version(600, "a"));
    line.engine.onReplyTimeout();
    line.port->push(version(602, "c"));
    QCOMPARE(sentTo(*line.port, KindVersion), (QList<int>{600, 601, 602}));
    QCOMPARE(ended, (QList<QPair<int, Job::Phase>>{{600, Job::Phase::Succeeded},
                                                   {601, Job::Phase::Failed},
                                                   {602, Job::Phase::Succeeded}}));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 3);
    QVERIFY(announced.isEmpty());
    QCOMPARE(line.engine.serial(), 600); // the pages' relay is left alone
}

void TestLine::batchEndsWithTheLine() {
    Line line;
    LineBatch batch(line.engine, {600, 601, 602}, [] { return new VersionJob; });
    QSignalSpy finished(&batch, &LineBatch::finished);
    batch.start();
    line.port->push(version(600, "a"));
    line.port->vanish();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 2);
    QCOMPARE(sentTo(*line.port, KindVersion), (QList<int>{600, 601}));
}

void TestLine::serialLists_data() {
    using P = serials::ListProblem;
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("serials");
    QTest::addColumn<int>("problem");
    QTest::newRow("commas") << "600,601,602" << QList<int>{600, 601, 602} << int(P::None);
    QTest::newRow("blanks") << " 150  987, 100 " << QList<int>{150, 987, 100} << int(P::None);
    QTest::newRow("limits") << "100,65535" << QList<int>{100, 65535} << int(P::None);
    QTest::newRow("empty") << " , " << QList<int>{} << int(P::Empty);
    QTest::newRow("letter") << "600,60a" << QList<int>{} << int(P::NotANumber);
    QTest::newRow("range form") << "600-610" << QList<int>{} << int(P::NotANumber);
    QTest::newRow("below") << "99" << QList<int>{} << int(P::OutOfRange);
    QTest::newRow("above") << "65536" << QList<int>{} << int(P::OutOfRange);
    QTest::newRow("twice") << "600,601,600" << QList<int>{} << int(P::Repeated);
}

void TestLine::serialLists() {
    QFETCH(QString, text);
    QFETCH(QList<int>, serials);
    QFETCH(int, problem);
    const serials::ParsedList p = serials::parseList(text);
    QCOMPARE(p.serials, serials);
    QCOMPARE(int(p.problem), problem);
    QCOMPARE(msg::serialListProblem(p).isEmpty(), problem == int(serials::ListProblem::None));
    QCOMPARE(serials::range(100, 999).size(), 900);
    QVERIFY(serials::range(700, 600).isEmpty());
    QVERIFY(serials::range(99, 600).isEmpty());
}

QTEST_MAIN(TestLine)
#include "tst_line.moc"
