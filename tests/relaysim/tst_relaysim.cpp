#include "faults.h"
#include "lineup.h"
#include "ptyrelay.h"
#include "relaymodel.h"
#include "requestassembler.h"
#include "responder.h"

#include "model/configschema.h"
#include "protocol/accounting.h"
#include "protocol/clock.h"
#include "protocol/eventlog.h"
#include "protocol/frame.h"
#include "protocol/status.h"
#include "protocol/waveform.h"
#include "texts/accountingtexts.h"
#include "texts/clocktexts.h"
#include "texts/configtexts.h"
#include "texts/eventtexts.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>
#include <algorithm>
#include <deque>

using namespace kliv;
using namespace kliv::sim;

Q_DECLARE_METATYPE(kliv::sim::FaultRule)

namespace {

const QDateTime Start(QDate(2026, 12, 6), QTime(9, 5, 7), Qt::UTC);

RelaySettings settings(quint16 serial = 600, bool follow = false) {
    RelaySettings s;
    s.serial = serial;
    s.follow = follow;
    s.clockStart = Start;
    return s;
}

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}
QByteArray request(quint8 kind, const QByteArray& payload = {}) {
    return frame::build(600, kind, payload);
}
QByteArray statusRequest(int selector) {
    return request(KindStatus, QByteArray(1, char(selector)));
}

LiveStatus live(RelayModel& m, qint64 nowMs) {
    const QByteArray r = m.reply(statusRequest(0), nowMs);
    const auto s = status::decodeLive(frame::payloadOf(r));
    return s ? *s : LiveStatus{};
}

// Phase of the fundamental of one period of samples, in degrees.
double phaseOf(const std::array<quint8, 100>& x) {
    double re = 0, im = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double a = 2 * M_PI * double(i) / double(x.size());
        re += x[i] * std::sin(a);
        im += x[i] * std::cos(a);
    }
    return std::atan2(im, re) * 180 / M_PI;
}

// How far b lags behind a, 0..360 degrees.
double lagOf(const std::array<quint8, 100>& a, const std::array<quint8, 100>& b) {
    return std::fmod(phaseOf(a) - phaseOf(b) + 720, 360);
}

} // namespace

namespace {

QByteArray eventRequest(int index) {
    return request(KindEventRecord, QByteArray(1, char(index)));
}

// The whole log as the tool reads it, block by block; slot k is log position k + 1.
std::array<QByteArray, eventlog::LogSize> readLog(RelayModel& m, qint64 nowMs) {
    std::array<QByteArray, eventlog::LogSize> images;
    for (int b = 0; b < eventlog::BlockCount; ++b) {
        const QByteArray p = frame::payloadOf(m.reply(eventRequest(b), nowMs));
        for (int i = 0; i < eventlog::RecordsPerBlock; ++i)
            images[std::size_t(b * 10 + i)] =
                p.mid(1 + eventlog::RecordSize * i, eventlog::RecordSize);
    }
    return images;
}

QList<EventRow> orderedLog(RelayModel& m, qint64 nowMs) {
    std::array<EventRecord, eventlog::LogSize> store;
    const auto images = readLog(m, nowMs);
    for (std::size_t k = 0; k < images.size(); ++k)
        store[k] = eventlog::decodeRecord(images[k].constData());
    return eventlog::ordered(store);
}

QDateTime timeOf(const EventRecord& r) {
    return QDateTime(QDate(2000 + r.year, r.month, r.day), QTime(r.hours, r.minutes, r.seconds),
                     Qt::UTC);
}

AccountingRecord accountingOf(const QByteArray& reply) {
    return accounting::decode(frame::payloadOf(reply));
}

} // namespace

class TestRelaySim : public QObject {
    Q_OBJECT
  private slots:
    void replies_data();
    void replies();
    void speedChangeIsRemembered();
    void liveRecord();
    void countersGrow();
    void overloadEpisodes();
    void clockSetThenStatus();
    void waveformBlocks_data();
    void waveformBlocks();
    void waveformPhases();
    void calibrationMeasurement();
    void faultParsing_data();
    void faultParsing();
    void faultCounting();
    void lineUpAimsRules();
    void relaysOfALineDiffer();
    void faultApplication();
    void assembler_data();
    void assembler();
#ifndef KLIV_NO_PTY
    void ptySharedLine();
    void ptyRoundTrip();
    void ptyVanish();
    void ptySplit();
#endif
    void configReadAfterWrite();
    void configAtStart();
    void configWriteLengths_data();
    void configWriteLengths();
    void misstore();
    void calibrationWrite();
    void speedChange_data();
    void speedChange();
    void referenceReadings();
    void readingsGiveCoefficientsBack_data();
    void readingsGiveCoefficientsBack();
    void referenceParsing_data();
    void referenceParsing();
#ifndef KLIV_NO_PTY
    void ptyFollowsSpeedChange();
#endif
    void eventBlocks_data();
    void eventBlocks();
    void eventLogAtStart();
    void eventLogOption_data();
    void eventLogOption();
    void plantEventsAreLogged();
    void accountingGrows();
    void accountingReset();
};

void TestRelaySim::replies_data() {
    QTest::addColumn<int>("serial");
    QTest::addColumn<bool>("follow");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    const QByteArray version600 = hex("AA0602580F10CACBC8C22D314D2076332E3037000000 0651");
    QTest::newRow("version") << 600 << false << hex("AA0602580F000119") << version600;
    QTest::newRow("version 65535") << 65535 << false << hex("AA06FFFF0F0002BD")
                                   << hex("AA06FFFF0F10CACBC8C22D314D2076332E3037000000 07F5");
    QTest::newRow("presence") << 600 << false << hex("AA0602580000010A")
                              << hex("AA06025800020501 0112");
    QTest::newRow("presence, follow")
        << 600 << true << hex("AA0602580000010A") << hex("AA060258000105 0110");
    QTest::newRow("speed change 57600")
        << 600 << false << hex("AA060258000109 0114") << hex("AA06025800020901 0116");
    QTest::newRow("protection reset")
        << 600 << false << hex("AA0602580500010F") << hex("AA0602580500010F");
    QTest::newRow("other serial") << 600 << false << hex("AA0602590000010B") << QByteArray();
    QTest::newRow("bad sum") << 600 << false << hex("AA0602580F000118") << QByteArray();
    QTest::newRow("cut short") << 600 << false << hex("AA0602580F0001") << QByteArray();
    QTest::newRow("speed index 11") << 600 << false << hex("AA06025800010B0116") << QByteArray();
    QTest::newRow("unknown kind 9") << 600 << false << hex("AA06025809000114") << QByteArray();
    QTest::newRow("clock set too short")
        << 600 << false << hex("AA060258040100010F") << QByteArray();
}

void TestRelaySim::replies() {
    QFETCH(int, serial);
    QFETCH(bool, follow);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    RelayModel m(settings(quint16(serial), follow));
    QCOMPARE(frame::hex(m.reply(request, 100)), frame::hex(reply));
}

void TestRelaySim::speedChangeIsRemembered() {
    RelayModel m(settings());
    QCOMPARE(m.rs485SpeedIndex(), 5);
    m.reply(request(KindPresence, QByteArray(1, char(9))), 0);
    QCOMPARE(m.rs485SpeedIndex(), 9);
    m.reply(request(KindPresence, QByteArray(1, char(11))), 0);
    QCOMPARE(m.rs485SpeedIndex(), 9);
}

void TestRelaySim::liveRecord() {
    RelayModel m(settings());
    const QByteArray r = m.reply(statusRequest(0), 1000);
    QCOMPARE(r.size(), 53 + frame::Overhead);
    QVERIFY(frame::check(r));
    QCOMPARE(frame::kindOf(r), quint8(KindStatus));
    QCOMPARE(r.at(6), '\0');
    const LiveStatus s = *status::decodeLive(frame::payloadOf(r));

    QCOMPARE(clock::timeText(s.clock), QStringLiteral("09:05:08"));
    QCOMPARE(clock::dateText(s.clock), QStringLiteral("06.12.2026г."));
    QCOMPARE(s.clock.dayOfWeek, 1); // a Sunday
    for (quint16 u : {s.ua, s.ub, s.uc})
        QVERIFY2(u >= 380 && u <= 400, qPrintable(QString::number(u)));
    for (quint16 i : {s.ia, s.ib, s.ic})
        QVERIFY2(i >= 170 && i <= 190, qPrintable(QString::number(i)));
    QVERIFY(s.ia != s.ib || s.ib != s.ic);
    QVERIFY(s.iasm > 0 && s.iasm < 15);
    QVERIFY(s.cosf & 0x80);
    QVERIFY(qAbs((s.cosf & 0x7F) - 85) <= 1);
    QVERIFY(s.idif >= 4 && s.idif <= 6);
    QVERIFY(s.power > 80 && s.power < 130); // about 10 kW
    QCOMPARE(s.stateBits, quint8(0x01));
    QCOMPARE(s.conditionBits, quint8(0));
    QCOMPARE(s.operatedBits, quint8(0));
    QVERIFY(s.overload <= 10);
}

void TestRelaySim::countersGrow() {
    RelayModel m(settings());
    const LiveStatus a = live(m, 1000);
    const LiveStatus b = live(m, 11000);
    QCOMPARE(b.running - a.running, 10u);
    // About 10 kW for ten seconds: some 28 Wh.
    QVERIFY2(b.energy - a.energy > 20000 && b.energy - a.energy < 40000,
             qPrintable(QString::number(b.energy - a.energy)));
    QVERIFY(a.ua != b.ua || a.ia != b.ia || a.ib != b.ib); // the values move
}

void TestRelaySim::overloadEpisodes() {
    RelayModel m(settings());
    const int bit = 1 << Plant::OverloadBit;
    const qint64 first = Plant::EpisodeStartMs;

    LiveStatus s = live(m, first + 2050);
    QCOMPARE(s.conditionBits, quint8(bit));
    QVERIFY2(qAbs(int(s.timers[5]) - 20) <= 1, qPrintable(QString::number(s.timers[5])));
    QVERIFY(s.overload > 10);

    s = live(m, first + Plant::ShortEpisodeMs + 1000); // dropped out, not operated
    QCOMPARE(s.conditionBits, quint8(0));
    QCOMPARE(s.timers[5], quint16(0));
    QCOMPARE(s.operatedBits, quint8(0));

    const qint64 trip =
        (Plant::LongEpisodeEvery - 1) * Plant::EpisodePeriodMs + first + Plant::OverloadDelayMs;
    s = live(m, trip + 500);
    QCOMPARE(s.operatedBits, quint8(bit));
    QCOMPARE(s.stateBits & 0x01, 0); // the motor stands
    QCOMPARE(s.ia, quint16(0));

    s = live(m, trip + Plant::RestartDelayMs + 1000); // running again, still marked
    QCOMPARE(s.stateBits & 0x01, 1);
    QCOMPARE(s.operatedBits, quint8(bit));

    QCOMPARE(frame::payloadLength(m.reply(request(KindProtectionReset), trip + 30000)), 0);
    QCOMPARE(live(m, trip + 30100).operatedBits, quint8(0));
}

void TestRelaySim::clockSetThenStatus() {
    RelayModel m(settings());
    const QDateTime t(QDate(2030, 5, 17), QTime(23, 59, 58));
    const QByteArray set = request(KindClockSet, clock::setPayload(t, -3, false, true));
    QCOMPARE(frame::hex(m.reply(set, 5000)), QStringLiteral("AA 06 02 58 04 00 01 0E"));

    ClockBlock c = live(m, 7500).clock; // runs on over midnight
    QCOMPARE(clock::timeText(c), QStringLiteral("00:00:00"));
    QCOMPARE(clock::dateText(c), QStringLiteral("18.05.2030г."));
    QCOMPARE(c.dayOfWeek, 7); // a Saturday
    QCOMPARE(c.calibration, -3);
    QVERIFY(c.autoDst);
    QVERIFY(!c.stopped);

    m.reply(request(KindClockSet, clock::setPayload(t, 31, true, false)), 8000);
    c = live(m, 60000).clock; // stopped: stands at the time it was set to
    QCOMPARE(clock::timeText(c), QStringLiteral("23:59:58"));
    QVERIFY(c.stopped);
    QCOMPARE(c.calibration, 31);
    QVERIFY(!c.autoDst);

    // Month 13 names no date: the relay keeps its time and takes the settings.
    QByteArray bad = clock::setPayload(t, 0, false, false);
    bad[6] = char(0x13);
    m.reply(request(KindClockSet, bad), 61000);
    c = live(m, 63000).clock;
    QCOMPARE(clock::timeText(c), QStringLiteral("00:00:00"));
    QVERIFY(!c.stopped);
}

void TestRelaySim::waveformBlocks_data() {
    QTest::addColumn<int>("selector");
    QTest::addColumn<bool>("answered");
    for (int s : {1, 2, 3, 17, 18, 19})
        QTest::addRow("selector %d", s) << s << true;
    for (int s : {5, 16, 20, 33, 255})
        QTest::addRow("selector %d", s) << s << false;
}

void TestRelaySim::waveformBlocks() {
    QFETCH(int, selector);
    QFETCH(bool, answered);
    RelayModel m(settings());
    const QByteArray r = m.reply(statusRequest(selector), 1234);
    if (!answered) {
        QVERIFY(r.isEmpty());
        return;
    }
    QCOMPARE(r.size(), 201 + frame::Overhead);
    QVERIFY(frame::check(r));
    const auto b = waveform::decode(frame::payloadOf(r));
    QVERIFY(b);
    QCOMPARE(b->selector, selector);
    for (const auto& samples : {b->voltage, b->current}) {
        const auto [lo, hi] = std::minmax_element(samples.begin(), samples.end());
        QVERIFY(*lo > 0 && *hi < 255);
        QVERIFY2(qAbs((*hi + *lo) / 2 - 128) <= 2, "centred on 128");
        QVERIFY(*hi - *lo > 60);
    }
    // The current lags the voltage by about acos(0.85) = 31.8 degrees.
    const double lag = lagOf(b->voltage, b->current);
    QVERIFY2(qAbs(lag - 31.8) < 3, qPrintable(QString::number(lag)));
}

void TestRelaySim::waveformPhases() {
    RelayModel m(settings());
    const WaveformBlock a = m.waveformBlock(1, 5000);
    const WaveformBlock b = m.waveformBlock(2, 5000);
    const WaveformBlock c = m.waveformBlock(3, 5000);
    QVERIFY(qAbs(lagOf(a.voltage, b.voltage) - 120) < 2);
    QVERIFY(qAbs(lagOf(a.voltage, c.voltage) - 240) < 2);
    QVERIFY(qAbs(lagOf(a.current, b.current) - 120) < 2);
}

void TestRelaySim::calibrationMeasurement() {
    RelayModel m(settings());
    const QByteArray r = m.reply(statusRequest(SelectorCalibration), 2000);
    QCOMPARE(r.size(), 22 + frame::Overhead);
    QVERIFY(frame::check(r));
    const QByteArray p = frame::payloadOf(r);
    QCOMPARE(p.at(0), char(4));
    const auto raw = [&p](int k) {
        return quint32(quint8(p.at(1 + 3 * k))) << 16 | quint32(quint8(p.at(2 + 3 * k))) << 8 |
               quint8(p.at(3 + 3 * k));
    };
    // The tool's auto-calibration with the steady values as references (ten equal
    // readings: the mean is one reading) gives back the factory coefficients.
    const double refs[7] = {392, 388, 396, 18.0, 18.5, 17.5, 0.5};
    const int expected[7] = {570, 570, 570, 200, 200, 200, 5000};
    for (int k = 0; k < 7; ++k) {
        const double mean = raw(k);
        const double factor = k >= 3 && k < 6 ? 2.0 : 1.0;
        QCOMPARE(int(factor * mean / refs[k]), expected[k]);
    }
}

void TestRelaySim::faultParsing_data() {
    using A = FaultRule::Action;
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<FaultRule>("rule");
    const auto rule = [](A a, int kind, int nth, int every, int delay, int at = 0,
                         const char* bytes = "", int gapUs = 0) {
        return FaultRule{a, kind, nth, every, delay, at, hex(bytes), gapUs};
    };
    QTest::newRow("drop kind every")
        << "drop:kind=1:every=10" << true << rule(A::Drop, 1, 0, 10, 0);
    QTest::newRow("corrupt nth") << "corrupt:nth=3" << true << rule(A::Corrupt, -1, 3, 1, 0);
    QTest::newRow("delay kind") << "delay=500:kind=15" << true << rule(A::Delay, 15, 0, 1, 500);
    QTest::newRow("noise every") << "noise:every=5" << true << rule(A::Noise, -1, 0, 5, 0);
    QTest::newRow("vanish nth") << "vanish:nth=20" << true << rule(A::Vanish, -1, 20, 1, 0);
    QTest::newRow("bare drop") << "drop" << true << rule(A::Drop, -1, 0, 1, 0);
    QTest::newRow("noise inside") << "noise-inside:kind=2" << true
                                  << rule(A::NoiseInside, 2, 0, 1, 0);
    QTest::newRow("split, its own gap")
        << "split" << true << rule(A::Split, -1, 0, 1, 0, 0, "", 500);
    QTest::newRow("split, a gap given")
        << "split=2000:kind=6" << true << rule(A::Split, 6, 0, 1, 0, 0, "", 2000);
    QTest::newRow("other serial") << "other-serial:nth=1" << true
                                  << rule(A::OtherSerial, -1, 1, 1, 0);
    QTest::newRow("kind 0") << "Drop:Kind=0" << true << rule(A::Drop, 0, 0, 1, 0);
    QTest::newRow("bare misstore")
        << "misstore" << true << rule(A::Misstore, KindConfigWrite, 0, 1, 0, 4, "1B58");
    QTest::newRow("misstore coefficient")
        << "misstore:at=28:bytes=0000:nth=2" << true
        << rule(A::Misstore, KindConfigWrite, 2, 1, 0, 28, "0000");
    QTest::newRow("misstore last byte") << "misstore:at=77:bytes=FF" << true
                                        << rule(A::Misstore, KindConfigWrite, 0, 1, 0, 77, "FF");
    FaultRule silenced = rule(A::Drop, 1, 0, 1, 0);
    silenced.serial = 601;
    silenced.from = 5;
    QTest::newRow("one relay from its fifth")
        << "drop:serial=601:kind=1:from=5" << true << silenced;

    const FaultRule none;
    for (const char* bad : {"",
                            "explode",
                            "delay",
                            "delay=0",
                            "delay=x",
                            "delay=60001",
                            "corrupt=5",
                            "drop:kind=256",
                            "drop:kind=-1",
                            "drop:nth=0",
                            "drop:every=0",
                            "drop:every",
                            "drop:nth=2:every=3",
                            "drop:kind=1:kind=2",
                            "drop:colour=red",
                            "drop:nth=1x",
                            "drop::",
                            "drop:from=0",
                            "drop:nth=2:from=3",
                            "drop:every=2:from=3",
                            "drop:serial=99",
                            "drop:serial=65536",
                            "drop:serial=600:serial=601"})
        QTest::addRow("bad \"%s\"", bad) << QString::fromLatin1(bad) << false << none;
    for (const char* bad : {"split=0", "split=x", "split=1000001", "split=5:ms=6", "noise-inside=3",
                            "other-serial=1", "other"})
        QTest::addRow("bad \"%s\"", bad) << QString::fromLatin1(bad) << false << none;
    for (const char* bad :
         {"drop:at=4", "misstore:kind=3", "misstore:at=78", "misstore:at=77:bytes=1B58",
          "misstore:bytes=xyz", "misstore:bytes=", "misstore:bytes=1B5", "misstore=4"})
        QTest::addRow("bad \"%s\"", bad) << QString::fromLatin1(bad) << false << none;
}

void TestRelaySim::faultParsing() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(FaultRule, rule);
    QString error;
    const auto parsed = parseFaultRule(text, &error);
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QVERIFY(*parsed == rule);
    else
        QVERIFY(!error.isEmpty());
}

void TestRelaySim::faultCounting() {
    FaultInjector f({*parseFaultRule(QStringLiteral("drop:kind=1:every=3")),
                     *parseFaultRule(QStringLiteral("corrupt:nth=2"))});
    QString got;
    for (int kind : {1, 0, 1, 1, 15, 1, 1, 1}) {
        const FaultVerdict v = f.judge(kind);
        got += v.drop ? u'D' : v.corrupt ? u'C' : u'-';
    }
    // Every third status request is dropped; the second request of all is corrupted.
    QCOMPARE(got, QStringLiteral("-C-D---D"));
}

// Each relay of a line counts only its own requests; a rule that names one relay is its
// alone, and a rule that names none is on the line.
void TestRelaySim::lineUpAimsRules() {
    const auto rules = [](std::initializer_list<const char*> texts) {
        QList<FaultRule> out;
        for (const char* t : texts)
            out.append(*parseFaultRule(QString::fromLatin1(t)));
        return out;
    };
    const QList<FaultRule> given =
        rules({"drop:serial=601:from=2", "corrupt:every=2", "misstore:serial=602"});
    const QList<RelayOnLine> line = lineUp(settings(), {600, 601, 602}, given);
    QCOMPARE(line.size(), 3);
    for (int place = 0; place < 3; ++place) {
        QCOMPARE(int(line.at(place).settings.serial), 600 + place);
        QCOMPARE(line.at(place).settings.place, place);
    }
    QCOMPARE(line.at(0).faults, given.mid(1, 1));
    QCOMPARE(line.at(1).faults, given.mid(0, 2));
    QCOMPARE(line.at(2).faults, given.mid(1, 1));
    QVERIFY(line.at(1).settings.misstores.isEmpty());
    QCOMPARE(line.at(2).settings.misstores, given.mid(2, 1));

    QString error;
    QVERIFY(lineUp(settings(), {600, 601}, rules({"drop:serial=602"}), &error).isEmpty());
    QVERIFY(error.contains(QLatin1String("602")));
}

// Relays of one line tell apart by everything a tool reads: settings, past and motor.
void TestRelaySim::relaysOfALineDiffer() {
    std::deque<RelayModel> models;
    for (int place = 0; place < 3; ++place) {
        RelaySettings s = settings(quint16(600 + place));
        s.place = place;
        models.emplace_back(s);
    }
    QCOMPARE(models[0].configBlock(), config::encode(Configuration{}));
    QSet<QByteArray> blocks, pasts;
    QSet<int> currents;
    for (RelayModel& m : models) {
        blocks.insert(m.configBlock());
        const QByteArray newest = frame::build(m.serial(), KindEventRecord, QByteArray(1, '\0'));
        pasts.insert(m.reply(newest, 0));
        currents.insert(m.liveStatus(1000).ia / 10);
        const QByteArray toOther = frame::build(quint16(m.serial() + 1), KindVersion, {});
        QVERIFY(m.reply(toOther, 0).isEmpty());
    }
    QCOMPARE(blocks.size(), 3);
    QCOMPARE(pasts.size(), 3);
    QCOMPARE(currents.size(), 3);
}

void TestRelaySim::faultApplication() {
    const QByteArray version = request(KindVersion);
    const QByteArray good = RelayModel(settings()).reply(version, 0);

    { // corrupt: whole length, bad sum
        RelayModel m(settings());
        FaultInjector f({*parseFaultRule(QStringLiteral("corrupt:nth=2"))});
        QCOMPARE(respond(m, f, version, 0).bytes, good);
        QVERIFY(respond(m, f, frame::build(601, KindVersion, {}), 0).forOther); // not counted
        const Response r = respond(m, f, version, 0);
        QCOMPARE(r.bytes.size(), good.size());
        QCOMPARE(r.bytes.left(22), good.left(22));
        QVERIFY(!frame::check(r.bytes));
    }
    { // noise: a few bytes that are never a start byte, then the good frame
        RelayModel m(settings());
        FaultInjector f({*parseFaultRule(QStringLiteral("noise"))}, 7);
        for (int i = 0; i < 50; ++i) {
            const QByteArray b = respond(m, f, version, 0).bytes;
            const qsizetype n = b.size() - good.size();
            QVERIFY(n >= 1 && n <= 8);
            QVERIFY(!b.left(n).contains(char(0xAA)));
            QCOMPARE(b.mid(n), good);
        }
    }
    { // noise inside: the header and the length stay, the noise sits in front of the sum
        RelayModel m(settings());
        FaultInjector f({*parseFaultRule(QStringLiteral("noise-inside"))}, 7);
        for (int i = 0; i < 50; ++i) {
            const QByteArray b = respond(m, f, version, 0).bytes;
            const qsizetype n = b.size() - good.size();
            QVERIFY(n >= 1 && n <= 8);
            QCOMPARE(b.left(12), good.left(12)); // cut in the middle of 24 bytes
            QVERIFY(!b.mid(12, n).contains(char(0xAA)));
            QCOMPARE(b.mid(12 + n), good.mid(12));
            QVERIFY(!frame::check(b.left(good.size())));
        }
        // A reply without payload keeps its whole header.
        const QByteArray reset = RelayModel(settings()).reply(request(KindProtectionReset), 0);
        const QByteArray b = respond(m, f, request(KindProtectionReset), 0).bytes;
        QCOMPARE(b.left(frame::HeaderSize), reset.left(frame::HeaderSize));
        QCOMPARE(b.right(2), reset.right(2));
    }
    { // another relay's answer: a good frame, only the serial number differs
        RelayModel m(settings());
        FaultInjector f({*parseFaultRule(QStringLiteral("other-serial:kind=15"))});
        const QByteArray b = respond(m, f, version, 0).bytes;
        QCOMPARE(b.size(), good.size());
        QVERIFY(frame::check(b));
        QCOMPARE(frame::hex(b.left(5)), QStringLiteral("AA 06 02 59 0F"));
        QCOMPARE(frame::payloadOf(b), frame::payloadOf(good));
        QCOMPARE(respond(m, f, request(KindPresence), 0).bytes.mid(2, 2), hex("0258"));
    }
    { // a split answer is the answer itself; the line takes it apart
        RelayModel m(settings());
        FaultInjector f({*parseFaultRule(QStringLiteral("split=800"))});
        const Response r = respond(m, f, version, 0);
        QCOMPARE(r.bytes, good);
        QCOMPARE(r.faults.splitGapUs, 800);
    }
    { // a dropped clock set never reaches the relay
        RelayModel m(settings());
        FaultInjector f({*parseFaultRule(QStringLiteral("drop:kind=4"))});
        const QDateTime t(QDate(2031, 1, 1), QTime(12, 0));
        const Response r = respond(m, f, request(KindClockSet, clock::setPayload(t, 0, 0, 0)), 0);
        QVERIFY(r.bytes.isEmpty() && r.faults.drop);
        QCOMPARE(clock::dateText(live(m, 100).clock), QStringLiteral("06.12.2026г."));
    }
    { // delay and vanish
        RelayModel m(settings());
        FaultInjector f({*parseFaultRule(QStringLiteral("delay=250:kind=15")),
                         *parseFaultRule(QStringLiteral("vanish:nth=2"))});
        const Response delayed = respond(m, f, version, 0);
        QCOMPARE(delayed.bytes, good);
        QCOMPARE(delayed.delayMs, 250);
        const Response gone = respond(m, f, request(KindPresence), 0);
        QVERIFY(gone.vanish);
        QVERIFY(gone.bytes.isEmpty());
    }
}

void TestRelaySim::assembler_data() {
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QStringList>("frames");
    const QString version = QStringLiteral("AA 06 02 58 0F 00 01 19");
    const QString status = QStringLiteral("AA 06 02 58 01 01 00 01 0C");
    QTest::newRow("whole") << QStringList{version} << QStringList{version};
    QTest::newRow("split") << QStringList{"AA 06 02", "58 0F 00 01", "19"} << QStringList{version};
    QTest::newRow("noise ahead") << QStringList{"00 13 FF " + version} << QStringList{version};
    QTest::newRow("two in one read")
        << QStringList{version + " " + status} << QStringList{version, status};
    QTest::newRow("false start") << QStringList{"AA " + version} << QStringList{version};
    QTest::newRow("wrong marker") << QStringList{"AA 07 " + version} << QStringList{version};
    // A length beyond any request must not make the assembler wait for 200 bytes.
    QTest::newRow("length too long")
        << QStringList{"AA 06 02 58 0F C8", version} << QStringList{version};
    QTest::newRow("bad sum") << QStringList{"AA 06 02 58 0F 00 01 18 " + version}
                             << QStringList{version};
    // Only a complete broken frame shows that it is broken; then the frame inside it counts.
    QTest::newRow("frame inside broken frame")
        << QStringList{"AA 06 02 58 02 08 " + version, "00 00"} << QStringList{version};
    QTest::newRow("longest request")
        << QStringList{frame::hex(frame::build(600, KindConfigWrite, QByteArray(79, char(0xFF))))}
        << QStringList{frame::hex(frame::build(600, KindConfigWrite, QByteArray(79, char(0xFF))))};
}

void TestRelaySim::assembler() {
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, frames);
    RequestAssembler a;
    QStringList got;
    qint64 t = 0;
    for (const QString& c : chunks)
        for (const auto& r : a.feed(frame::fromHex(c, nullptr), t += 10))
            got << frame::hex(r.frame);
    QCOMPARE(got, frames);
    QCOMPARE(a.pending(), 0);
}

// The pseudo-terminal line is Linux's; a Windows build of the simulator has only the model.
#ifndef KLIV_NO_PTY
// On a shared line each request is answered by the relay it names, and by no other.
void TestRelaySim::ptySharedLine() {
    PtyRelay sim(lineUp(settings(), {150, 600, 987}, {}), PtyOptions{});
    const QString device = sim.start();
    QVERIFY(!device.isEmpty());
    QSerialPort port;
    port.setPortName(device);
    port.setBaudRate(115200);
    QVERIFY(port.open(QIODevice::ReadWrite));
    QByteArray got;
    connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
    // The presence reply carries each relay's own field-bus address, 1 + its place.
    for (auto [serial, address] :
         {std::pair<quint16, char>{987, 3}, {151, 0}, {150, 1}, {600, 2}}) {
        got.clear();
        port.write(frame::build(serial, KindPresence, {}));
        if (address == 0) {
            QTest::qWait(100);
            QVERIFY(got.isEmpty());
            continue;
        }
        QTRY_VERIFY_WITH_TIMEOUT(got.size() >= frame::Overhead + 2, 5000);
        QCOMPARE(got, frame::build(serial, KindPresence, QByteArray("\x05") + address));
    }
    QCOMPARE(sim.model(987)->serial(), 987);
    QVERIFY(!sim.model(151));
}

void TestRelaySim::ptyRoundTrip() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("relay"));
    PtyOptions options;
    options.linkPath = link;
    PtyRelay sim(settings(), options);
    QString error;
    const QString device = sim.start(&error);
    QVERIFY2(!device.isEmpty(), qPrintable(error));
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);

    QSerialPort port;
    port.setPortName(link);
    port.setBaudRate(115200);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    QByteArray got;
    connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
    port.write(hex("AA0602580F000119"));
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 24, 5000);
    QCOMPARE(frame::hex(got), frame::hex(hex("AA0602580F10CACBC8C22D314D2076332E3037000000 0651")));

    port.close();
    sim.stop();
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void TestRelaySim::ptyVanish() {
    PtyRelay sim(settings(), PtyOptions{}, {*parseFaultRule(QStringLiteral("vanish:nth=2"))});
    QSignalSpy vanished(&sim, &PtyRelay::vanished);
    QSignalSpy replies(&sim, &PtyRelay::replySent);
    const QString device = sim.start();
    QVERIFY(!device.isEmpty());
    QSerialPort port;
    port.setPortName(device);
    port.setBaudRate(115200); // the relay's own speed: it ignores frames sent at others
    QVERIFY(port.open(QIODevice::ReadWrite));
    int portErrors = 0;
    connect(&port, &QSerialPort::errorOccurred, this,
            [&](QSerialPort::SerialPortError e) { portErrors += e != QSerialPort::NoError; });
    port.write(hex("AA0602580000010A"));
    QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 1, 5000);
    port.write(hex("AA0602580000010A"));
    QTRY_COMPARE_WITH_TIMEOUT(vanished.size(), 1, 5000);
    QVERIFY(!sim.isRunning());
    QCOMPARE(replies.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(portErrors > 0, 5000); // the tool notices the lost line
}

// A split answer reaches the tool a byte at a time, whole and in order.
void TestRelaySim::ptySplit() {
    PtyRelay sim(settings(), PtyOptions{}, {*parseFaultRule(QStringLiteral("split:kind=15"))});
    QSignalSpy replies(&sim, &PtyRelay::replySent);
    const QString device = sim.start();
    QVERIFY(!device.isEmpty());
    QSerialPort port;
    port.setPortName(device);
    port.setBaudRate(115200);
    QVERIFY(port.open(QIODevice::ReadWrite));
    QByteArray got;
    int reads = 0;
    connect(&port, &QSerialPort::readyRead, this, [&] {
        got += port.readAll();
        ++reads;
    });
    port.write(hex("AA0602580F000119"));
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 24, 5000);
    QCOMPARE(got, RelayModel(settings()).reply(hex("AA0602580F000119"), 0));
    QCOMPARE(replies.size(), 1);
    // Each byte left in a write of its own; the reads may still now and then take two.
    QVERIFY2(reads >= 12, qPrintable(QString::number(reads)));
}
#endif

void TestRelaySim::eventBlocks_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("answered");
    for (int b = 0; b < 10; ++b)
        QTest::addRow("block %d", b) << QByteArray(1, char(b)) << true;
    QTest::newRow("block 10") << QByteArray(1, char(10)) << false;
    QTest::newRow("block 255") << QByteArray(1, char(255)) << false;
    QTest::newRow("no index") << QByteArray() << false;
    QTest::newRow("two bytes") << QByteArray(2, '\0') << false;
}

void TestRelaySim::eventBlocks() {
    QFETCH(QByteArray, payload);
    QFETCH(bool, answered);
    RelayModel m(settings());
    const QByteArray r = m.reply(request(KindEventRecord, payload), 100);
    if (!answered) {
        QVERIFY(r.isEmpty());
        return;
    }
    QCOMPARE(r.size(), 241 + frame::Overhead);
    QVERIFY(frame::check(r));
    QCOMPARE(frame::kindOf(r), quint8(KindEventRecord));
    const auto block = eventlog::decodeBlock(frame::payloadOf(r));
    QVERIFY(block);
    QCOMPARE(block->index, int(quint8(payload.at(0))));
}

void TestRelaySim::eventLogAtStart() {
    RelayModel m(settings());
    const auto images = readLog(m, 100);
    QCOMPARE(std::count(images.begin(), images.end(), QByteArray(24, '\0')), 2);
    QCOMPARE(std::count(images.begin(), images.end(), QByteArray(24, char(0xFF))), 2);

    const QList<EventRow> rows = orderedLog(m, 100);
    QCOMPARE(rows.size(), 93); // two erased each way and three damaged

    // Damaged entries: 31 February, 29 February of a common year, hour 24.
    QStringList damaged;
    for (const QByteArray& s : images) {
        const EventRecord r = eventlog::decodeRecord(s.constData());
        if (!eventlog::isValid(r) && s != QByteArray(24, '\0') && s != QByteArray(24, char(0xFF)))
            damaged << (r.hours == 24                               ? QStringLiteral("hour 24")
                        : r.day == 31 && r.month == 2               ? QStringLiteral("31.02")
                        : r.day == 29 && r.month == 2 && r.year % 4 ? QStringLiteral("29.02")
                                                                    : eventlog::dateTimeText(r));
    }
    damaged.sort();
    QCOMPARE(damaged, (QStringList{"29.02", "31.02", "hour 24"}));

    // The newest entry is the motor's start at the relay's start time, at a low
    // position; the oldest sits right above it: the log has gone round.
    const EventRow newest = rows.last();
    QCOMPARE(eventlog::dateTimeText(newest.record), QStringLiteral("06.12.26  09:05:07:0"));
    QCOMPARE(newest.record.state, quint8(0x81));
    QVERIFY(newest.position < 50);
    QVERIFY(rows.first().position > newest.position);
    int wraps = 0;
    for (qsizetype k = 1; k < rows.size(); ++k)
        wraps += rows[k].position < rows[k - 1].position;
    QCOMPARE(wraps, 1);

    // Every protection has acted once at least; several events share a second.
    quint8 acted = 0;
    int sameSecond = 0, maxOrder = 0;
    for (qsizetype k = 0; k < rows.size(); ++k) {
        acted |= rows[k].record.protection;
        maxOrder = std::max(maxOrder, rows[k].record.order);
        if (k > 0 && timeOf(rows[k].record) == timeOf(rows[k - 1].record)) {
            ++sameSecond;
            QCOMPARE(rows[k].record.order, rows[k - 1].record.order + 1);
        }
        QVERIFY(timeOf(rows[k].record) <= Start);
        const EventTexts t = eventlog::texts(rows[k].record, NumberLocale::c());
        QVERIFY(t[1] == QStringLiteral("Вкл.") || rows[k].record.state == 0);
    }
    QCOMPARE(acted, quint8(0xFF));
    QVERIFY(sameSecond >= 3);
    QCOMPARE(maxOrder, 2);

    // The same log every time.
    RelayModel again(settings());
    QVERIFY(readLog(again, 5000) == images);
}

void TestRelaySim::eventLogOption_data() {
    QTest::addColumn<int>("events");
    QTest::newRow("empty") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("25") << 25;
    QTest::newRow("full") << 100;
}

void TestRelaySim::eventLogOption() {
    QFETCH(int, events);
    RelaySettings s = settings();
    s.events = events;
    RelayModel m(s);
    const auto images = readLog(m, 100);
    for (int k = events; k < 100; ++k)
        QCOMPARE(images[std::size_t(k)], QByteArray(24, char(0xFF)));
    const QList<EventRow> rows = orderedLog(m, 100);
    QCOMPARE(rows.size(), events);
    for (int k = 0; k < events; ++k) // oldest first at position 1
        QCOMPARE(rows[k].position, k + 1);
    if (events > 0)
        QCOMPARE(timeOf(rows.last().record), Start);
}

void TestRelaySim::plantEventsAreLogged() {
    RelaySettings s = settings();
    s.events = 25;
    RelayModel m(s);
    const qint64 trip = (Plant::LongEpisodeEvery - 1) * Plant::EpisodePeriodMs +
                        Plant::EpisodeStartMs + Plant::OverloadDelayMs;
    QCOMPARE(orderedLog(m, trip - 1000).size(), 25);

    const QList<EventRow> rows = orderedLog(m, trip + Plant::RestartDelayMs + 1000);
    QCOMPARE(rows.size(), 27);
    const EventRow tripped = rows[25], restarted = rows[26];
    QCOMPARE(tripped.position, 26);
    QCOMPARE(restarted.position, 27);

    QCOMPARE(tripped.record.state, quint8(0x80)); // relay on, motor stopped
    QCOMPARE(eventlog::protectionName(tripped.record.protection), QStringLiteral("Перегруз"));
    QVERIFY2(tripped.record.ia > 240 && tripped.record.ia < 290,
             qPrintable(QString::number(tripped.record.ia))); // 130 % of 20 A
    QVERIFY(qAbs(Start.msecsTo(timeOf(tripped.record)) - trip) <= 1000);

    QCOMPARE(restarted.record.state, quint8(0x81));
    QCOMPARE(restarted.record.protection, quint8(0));
    QVERIFY(restarted.record.ia > 1000); // starting current
    QVERIFY(qAbs(Start.msecsTo(timeOf(restarted.record)) - trip - Plant::RestartDelayMs) <= 1000);

    // Protection reset starts the stopped motor at once; that start is logged too.
    const qint64 nextTrip = trip + Plant::RestartDelayMs + 2 * Plant::EpisodePeriodMs +
                            Plant::EpisodeStartMs + Plant::OverloadDelayMs;
    m.reply(request(KindProtectionReset), nextTrip + 2000);
    const QList<EventRow> after = orderedLog(m, nextTrip + 3000);
    QCOMPARE(after.size(), 29);
    QCOMPARE(after.last().record.state, quint8(0x81));
    QVERIFY(qAbs(Start.msecsTo(timeOf(after.last().record)) - nextTrip - 2000) <= 1000);
}

void TestRelaySim::accountingGrows() {
    RelayModel m(settings());
    QVERIFY(m.reply(request(KindAccountingRead, QByteArray(1, '\0')), 500).isEmpty());

    const QByteArray first = m.reply(request(KindAccountingRead), 1000);
    QCOMPARE(first.size(), 19 + frame::Overhead);
    QVERIFY(frame::check(first));
    QCOMPARE(frame::kindOf(first), quint8(KindAccountingRead));
    const AccountingRecord a = accountingOf(first);
    QCOMPARE(accounting::startText(a), QStringLiteral("26.10.2026г/02:47:34"));

    const AccountingRecord b = accountingOf(m.reply(request(KindAccountingRead), 11000));
    QCOMPARE(b.runningSeconds - a.runningSeconds, 10u);
    QVERIFY2(b.energy - a.energy > 20000 && b.energy - a.energy < 40000,
             qPrintable(QString::number(b.energy - a.energy)));
    QCOMPARE(b.switchOns, a.switchOns);
    QCOMPARE(b.trips, a.trips);

    // One overload trip, then the operator's restart: the motor stood for 20 s.
    const qint64 trip = (Plant::LongEpisodeEvery - 1) * Plant::EpisodePeriodMs +
                        Plant::EpisodeStartMs + Plant::OverloadDelayMs;
    const qint64 later = trip + Plant::RestartDelayMs + 1000;
    const AccountingRecord c = accountingOf(m.reply(request(KindAccountingRead), later));
    QCOMPARE(c.trips, quint16(a.trips + 1));
    QCOMPARE(c.switchOns, quint16(a.switchOns + 1));
    const qint64 ran = c.runningSeconds - a.runningSeconds;
    QVERIFY2(qAbs(ran - (later - 1000 - Plant::RestartDelayMs) / 1000) <= 1,
             qPrintable(QString::number(ran)));
    QVERIFY(accounting::startText(c) == accounting::startText(a));
}

void TestRelaySim::accountingReset() {
    RelayModel m(settings());
    QVERIFY(m.reply(request(KindAccountingReset, QByteArray(1, '\0')), 4000).isEmpty());
    QVERIFY(accountingOf(m.reply(request(KindAccountingRead), 4500)).runningSeconds > 600000);

    const QByteArray r = m.reply(request(KindAccountingReset), 5000);
    QCOMPARE(r.size(), 19 + frame::Overhead);
    QVERIFY(frame::check(r));
    QCOMPARE(frame::kindOf(r), quint8(KindAccountingReset));
    const AccountingRecord zero = accountingOf(r);
    QCOMPARE(zero.runningSeconds, 0u);
    QCOMPARE(zero.switchOns, quint16(0));
    QCOMPARE(zero.trips, quint16(0));
    QCOMPARE(zero.energy, quint64(0));
    QCOMPARE(accounting::startText(zero), QStringLiteral("06.12.2026г/09:05:12"));

    const AccountingRecord grown = accountingOf(m.reply(request(KindAccountingRead), 15000));
    QCOMPARE(grown.runningSeconds, 10u);
    QVERIFY(grown.energy > 20000 && grown.energy < 40000);
    QCOMPARE(accounting::startText(grown), accounting::startText(zero));

    // The start is the relay's own time, as set.
    const QDateTime t(QDate(2030, 5, 17), QTime(23, 59, 58));
    m.reply(request(KindClockSet, clock::setPayload(t, 0, false, false)), 20000);
    const AccountingRecord again = accountingOf(m.reply(request(KindAccountingReset), 21000));
    QCOMPARE(accounting::startText(again), QStringLiteral("17.05.2030г/23:59:59"));
    QCOMPARE(again.runningSeconds, 0u);
}

namespace {

QByteArray replyPayload(RelayModel& m, quint8 kind, const QByteArray& payload = {},
                        qint64 nowMs = 100) {
    const QByteArray r = m.reply(request(kind, payload), nowMs);
    return r.isEmpty() ? QByteArray() : frame::payloadOf(r);
}

QStringList differenceTexts(const Configuration& sent, const QByteArray& block) {
    QStringList out;
    for (const config::FieldDifference& d : config::differences(sent, config::decode(block)))
        out << config::differenceText(d, NumberLocale{});
    return out;
}

} // namespace

void TestRelaySim::configReadAfterWrite() {
    RelayModel m(settings());
    const QByteArray read = m.reply(request(KindConfigRead), 100);
    QCOMPARE(read.size(), config::BlockSize + frame::Overhead);
    QCOMPARE(frame::hex(frame::payloadOf(read)), frame::hex(config::encode(Configuration{})));

    Configuration c;
    c.cb_rs485 = 9;
    c.z_umax_v = 300;
    c.tipo_text = QStringLiteral("Насос");
    c.sp_uaddr = 17;
    QCOMPARE(frame::hex(m.reply(request(KindConfigWrite, config::writePayload(c)), 200)),
             QStringLiteral("AA 06 02 58 03 01 00 01 0E"));
    QCOMPARE(frame::hex(replyPayload(m, KindConfigRead)), frame::hex(config::encode(c)));
    // The presence reply tells the stored speed and field-bus address.
    QCOMPARE(frame::hex(replyPayload(m, KindPresence)), QStringLiteral("09 11"));
}

void TestRelaySim::configAtStart() {
    RelaySettings s = settings();
    // Values the page cannot show: the relay hands them out as they are.
    s.configBlock = config::encode(Configuration{});
    s.configBlock[config::SpeedByte] = char(200);
    s.configBlock[27] = char(0xFF);
    RelayModel m(s);
    QCOMPARE(frame::hex(replyPayload(m, KindConfigRead)), frame::hex(s.configBlock));
    QCOMPARE(m.rs485SpeedIndex(), 200);
}

void TestRelaySim::configWriteLengths_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("payload");
    const QByteArray block = config::encode(Configuration{});
    QTest::newRow("full write one short")
        << int(KindConfigWrite) << QByteArray(1, '\0') + block.left(77);
    QTest::newRow("full write one long")
        << int(KindConfigWrite) << QByteArray(1, '\0') + block + '\0';
    QTest::newRow("calibration write of full length")
        << int(KindConfigWrite) << QByteArray(1, '\1') + block;
    QTest::newRow("calibration write one short") << int(KindConfigWrite) << QByteArray(14, '\1');
    QTest::newRow("sub-mode 2") << int(KindConfigWrite) << QByteArray(1, '\2') + block.left(14);
    QTest::newRow("no sub-mode") << int(KindConfigWrite) << QByteArray();
    QTest::newRow("read with a payload") << int(KindConfigRead) << QByteArray(1, '\0');
}

void TestRelaySim::configWriteLengths() {
    QFETCH(int, kind);
    QFETCH(QByteArray, payload);
    RelayModel m(settings());
    QVERIFY(m.reply(request(quint8(kind), payload), 100).isEmpty());
    QCOMPARE(frame::hex(m.configBlock()), frame::hex(config::encode(Configuration{})));
}

void TestRelaySim::misstore() {
    RelaySettings s = settings();
    s.misstores = {*parseFaultRule(QStringLiteral("misstore:nth=2"))};
    RelayModel m(s);
    Configuration c;
    c.z_umax_v = 300;
    for (int write = 1; write <= 3; ++write) {
        // Each write is answered as written, the misstored one too.
        QCOMPARE(replyPayload(m, KindConfigWrite, config::writePayload(c)), QByteArray(1, '\0'));
        const QStringList expected =
            write == 2 ? QStringList{"Umax: записано 300, считано 7000"} : QStringList();
        QCOMPARE(differenceTexts(c, replyPayload(m, KindConfigRead)), expected);
    }

    // A calibration write reports what the relay then holds, the misstored coefficient too.
    s.misstores = {*parseFaultRule(QStringLiteral("misstore:at=28:bytes=0000"))};
    RelayModel calibrated(s);
    const QByteArray reply =
        replyPayload(calibrated, KindConfigWrite, hex("01 023B 023C 023D 00C9 00CA 00CB 1389"));
    QCOMPARE(frame::hex(reply), QStringLiteral("01 00 00 02 3C 02 3D 00 C9 00 CA 00 CB 13 89 FF"));
}

void TestRelaySim::calibrationWrite() {
    RelayModel m(settings());
    const QByteArray coefficients = hex("023B 023C 023D 00C9 00CA 00CB 1389");
    const QByteArray reply = m.reply(request(KindConfigWrite, '\1' + coefficients), 100);
    QVERIFY(frame::check(reply));
    // Sub-mode, the seven coefficients held now, the flags byte with the blocking (bit 7) on.
    QCOMPARE(frame::hex(frame::payloadOf(reply)),
             QStringLiteral("01 02 3B 02 3C 02 3D 00 C9 00 CA 00 CB 13 89 FF"));

    QByteArray expected = config::encode(Configuration{});
    expected.replace(config::CoefficientsByte, coefficients.size(), coefficients);
    expected[config::FlagsByte] = char(0xFF); // the defaults' 7F and the blocking
    QCOMPARE(frame::hex(replyPayload(m, KindConfigRead)), frame::hex(expected));
    QVERIFY(config::decode(expected).blok_z);
}

void TestRelaySim::speedChange_data() {
    QTest::addColumn<bool>("follow");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<std::optional<int>>("lineMove");
    QTest::newRow("stays") << false << "09 01" << std::optional<int>();
    QTest::newRow("follow") << true << "09" << std::optional<int>(9);
}

void TestRelaySim::speedChange() {
    QFETCH(bool, follow);
    QFETCH(QString, reply);
    QFETCH(std::optional<int>, lineMove);
    RelayModel m(settings(600, follow));
    QCOMPARE(frame::hex(replyPayload(m, KindPresence, QByteArray(1, char(9)))), reply);
    QCOMPARE(m.takeLineSpeedChange(), lineMove);
    QCOMPARE(m.takeLineSpeedChange(), std::optional<int>()); // told once
    QCOMPARE(quint8(m.configBlock().at(config::SpeedByte)), quint8(9));
    QCOMPARE(frame::hex(replyPayload(m, KindPresence)), reply); // a presence request moves nothing
    QCOMPARE(m.takeLineSpeedChange(), std::optional<int>());
}

void TestRelaySim::referenceReadings() {
    RelaySettings s = settings();
    s.reference = parseCalibrationReference(QStringLiteral("ua=230,ib=5.5,iut=0.5"));
    RelayModel m(s);
    // Channels without a reference read 0; Ib is counted in steps of two amperes.
    const QByteArray p = replyPayload(m, KindStatus, QByteArray(1, char(SelectorCalibration)));
    QCOMPARE(frame::hex(p), QStringLiteral("04 02 00 1C 00 00 00 00 00 00 00 00 00 00 02 26 00 00 "
                                           "00 00 09 C4")); // 570 × 230, 200 × 5.5 / 2, 5000 × 0.5

    // A calibration changes the readings that follow.
    m.reply(request(KindConfigWrite, hex("01 023B 023A 023A 00C8 00C9 00C8 1388")), 200);
    const std::array<quint32, 7> expected = {571 * 230, 0, 0, 0, 553, 0, 2500};
    QCOMPARE(m.calibrationReadings(300), expected);
}

void TestRelaySim::readingsGiveCoefficientsBack_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("coefficient");
    QTest::addColumn<double>("reference");
    QTest::newRow("Ua 570 at 392.3 V") << 0 << 570 << 392.3;
    QTest::newRow("Uc 571 at 230.1 V") << 2 << 571 << 230.1;
    QTest::newRow("Ub 1 at 1 V") << 1 << 1 << 1.0;
    QTest::newRow("Ia 200 at 18.5 A") << 3 << 200 << 18.5;
    QTest::newRow("Ib 201 at 17.7 A") << 4 << 201 << 17.7;
    QTest::newRow("Ic 333 at 2.1 A") << 5 << 333 << 2.1;
    QTest::newRow("Iут 5000 at 0.5 A") << 6 << 5000 << 0.5;
    QTest::newRow("Iут 4321 at 1.3 A") << 6 << 4321 << 1.3;
}

void TestRelaySim::readingsGiveCoefficientsBack() {
    QFETCH(int, channel);
    QFETCH(int, coefficient);
    QFETCH(double, reference);
    const auto k = std::size_t(channel);
    std::array<int, 7> coefficients{};
    coefficients[k] = coefficient;
    CalibrationReference ref;
    ref[k] = reference;
    const quint32 raw = calibrationReadings(coefficients, ref)[k];
    // The tool's arithmetic over ten equal readings, truncated.
    const double factor = channel >= 3 && channel < 6 ? 2.0 : 1.0;
    const auto coefficientFrom = [&](quint32 reading) {
        const qint32 sum = qint32(reading) * 10;
        return int(factor * sum / 10 / reference);
    };
    QCOMPARE(coefficientFrom(raw), coefficient);
    QVERIFY(coefficientFrom(raw - 1) < coefficient); // no other reading would do
}

void TestRelaySim::referenceParsing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("value");
    QTest::newRow("one") << "ua=230" << true << 0 << 230.0;
    QTest::newRow("all") << "ua=230,ub=231.5,uc=0,ia=5,ib=5.5,ic=6,iut=0.5" << true << 6 << 0.5;
    QTest::newRow("case and blanks") << " IUT = 0.25" << true << 6 << 0.25;
    QTest::newRow("Ic") << "ic=17.5" << true << 5 << 17.5;
    for (const char* bad : {"", "ua", "ua=", "ua=x", "ua=-1", "ua=1,ua=2", "uq=1", "ua=1e6",
                            "ua=nan", "ua=inf", "ua=230;ub=230", "ua=2,30"})
        QTest::addRow("bad \"%s\"", bad) << QString::fromLatin1(bad) << false << 0 << 0.0;
}

void TestRelaySim::referenceParsing() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, channel);
    QFETCH(double, value);
    QString error;
    const auto r = parseCalibrationReference(text, &error);
    QCOMPARE(r.has_value(), ok);
    if (!ok) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE((*r)[std::size_t(channel)], std::optional<double>(value));
}

#ifndef KLIV_NO_PTY
void TestRelaySim::ptyFollowsSpeedChange() {
    PtyRelay sim(settings(600, true), PtyOptions{});
    const QString device = sim.start();
    QVERIFY(!device.isEmpty());
    QSerialPort port;
    port.setPortName(device);
    port.setBaudRate(115200);
    QVERIFY(port.open(QIODevice::ReadWrite));
    QByteArray got;
    connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });

    port.write(request(KindPresence, QByteArray(1, char(5)))); // to 9600 baud
    QTRY_COMPARE_WITH_TIMEOUT(frame::hex(got), QStringLiteral("AA 06 02 58 00 01 05 01 10"), 5000);
    QCOMPARE(sim.lineBaud(), 9600); // once the reply has left
    got.clear();
    port.setBaudRate(9600);
    port.write(request(KindPresence));
    QTRY_COMPARE_WITH_TIMEOUT(frame::hex(got), QStringLiteral("AA 06 02 58 00 01 05 01 10"), 5000);
    QCOMPARE(sim.model().rs485SpeedIndex(), 5);
}
#endif

QTEST_GUILESS_MAIN(TestRelaySim)
#include "tst_relaysim.moc"
