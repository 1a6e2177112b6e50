// The "Протокол" page and its jobs: the exchanges on a fake line, then end to end
// against the simulated relay, and kliv-cli beside the page.

#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "common/silentrelay.h"
#include "common/simprocess.h"
#include "eventlog/eventlogpage.h"
#include "link/engine.h"
#include "link/jobs/eventlogreader.h"
#include "link/serialport.h"
#include "protocol/frame.h"
#include "texts/accountingtexts.h"
#include "texts/eventtexts.h"
#include "texts/messages.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace kliv;

namespace {

constexpr quint16 Serial = 600;

QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

QByteArray reply(quint8 kind, const QByteArray& payload) {
    return frame::build(Serial, kind, payload);
}

// The relay's log as slot images, log position k + 1 at index k.
using Log = std::array<QByteArray, eventlog::LogSize>;

const QByteArray Erased(eventlog::RecordSize, char(0xFF));

Log erasedLog() {
    Log log;
    log.fill(Erased);
    return log;
}

// An entry told apart from the others by its Ua.
QByteArray entry(int ua, int day, int month, int year, int hours, int minutes, int seconds,
                 int order = 0) {
    EventRecord r;
    r.day = day, r.month = month, r.year = year;
    r.hours = hours, r.minutes = minutes, r.seconds = seconds, r.order = order;
    r.state = 0x81;
    r.protection = 0x20;
    r.ua = quint16(ua), r.ub = 388, r.uc = 396;
    r.ia = 180, r.ib = 1000, r.ic = 999, r.idif = 5;
    r.cosf = 0xD5;
    return eventlog::encodeRecord(r);
}

QByteArray blockPayload(const Log& log, int slotsFrom, int index) {
    std::array<QByteArray, eventlog::RecordsPerBlock> records;
    for (int i = 0; i < eventlog::RecordsPerBlock; ++i)
        records[std::size_t(i)] = log[std::size_t(slotsFrom * eventlog::RecordsPerBlock + i)];
    return eventlog::encodeBlock(index, records);
}

QByteArray blockPayload(const Log& log, int index) {
    return blockPayload(log, index, index);
}

EventTexts textsOf(const QByteArray& image) {
    return eventlog::texts(eventlog::decodeRecord(image.constData()), NumberLocale::system());
}

// A log that has gone round: the newest entries at the lowest positions. Among them
// erased and impossible slots, three events of one second whose order digits are not
// in log order, and two entries with equal keys.
Log wrappedLog() {
    Log log = erasedLog();
    log[0] = entry(1, 6, 6, 26, 8, 15, 0, 0);
    log[1] = entry(2, 6, 6, 26, 8, 15, 0, 2);
    log[2] = entry(3, 6, 6, 26, 8, 15, 0, 1);
    log[3] = QByteArray(eventlog::RecordSize, '\0');
    log[46] = entry(47, 31, 2, 26, 12, 0, 0);
    log[47] = entry(48, 28, 2, 26, 23, 59, 59);
    log[59] = entry(60, 1, 3, 26, 24, 0, 0);
    log[60] = entry(61, 1, 3, 26, 0, 0, 0);
    log[61] = entry(62, 1, 3, 26, 0, 0, 0);
    log[69] = entry(70, 29, 2, 25, 10, 0, 0); // not a leap year
    log[70] = entry(71, 29, 2, 24, 10, 0, 0);
    log[99] = entry(100, 31, 12, 25, 23, 59, 59, 5);
    return log;
}
const QList<int> WrappedOrder = {71, 100, 48, 61, 62, 1, 3, 2}; // log positions

Log smallLog(int n, int ua) {
    Log log = erasedLog();
    for (int k = 0; k < n; ++k)
        log[std::size_t(k)] = entry(ua + k, 1, 1, 26, 10, k, 0);
    return log;
}

QList<EventTexts> textsAt(const Log& log, const QList<int>& positions) {
    QList<EventTexts> out;
    for (int p : positions)
        out.append(textsOf(log[std::size_t(p - 1)]));
    return out;
}

QList<int> firstPositions(int n) {
    QList<int> out;
    for (int k = 1; k <= n; ++k)
        out.append(k);
    return out;
}

QByteArray accountingPayload() {
    // 3725 s, 12 switch-ons, 3 trips, 123 456 789 millionths of a kWh, since
    // 05.03.2009 14:22:07.
    return hx("00 00 0E 8D 00 0C 00 03 00 07 5B CD 15 07 22 14 05 03 09");
}

QString dec(const char* text) {
    return QString::fromLatin1(text).replace(QLatin1Char('.'), NumberLocale::system().decimal);
}

// Records each box, and lets a test look at the page at the moment a box comes up.
class Prompter : public test::RecordingPrompt {
  public:
    std::function<void()> onShow;
    void show(const Message& m, const QString& detail = {}) override {
        if (onShow)
            onShow();
        RecordingPrompt::show(m, detail);
    }
};

// The page bound to an engine, as the main window sets it up: on a fake line, or on the
// real serial port class against the simulated relay.
struct Rig {
    test::FakePort* port;
    Engine engine;
    Prompter prompt;
    EventLogPage page{engine, prompt};
    QSignalSpy failures{&engine, &Engine::jobFailed};

    Rig() : port(new test::FakePort), engine(port) {
        engine.setPortName(QStringLiteral("/dev/fake"));
    }
    explicit Rig(const QString& path) : port(nullptr), engine(new SerialPort) {
        engine.setPortName(path);
    }

    template <class T> T* child(const char* name) const {
        T* w = page.findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    void click(const char* name) const { child<QPushButton>(name)->click(); }
    QString text(const char* name) const { return child<QLabel>(name)->text(); }
    QTableWidget* grid() const { return child<QTableWidget>("StGr_prot"); }

    // The grid's rows as the texts of columns 1..12, checking the row numbers.
    QList<EventTexts> gridRows() const {
        QList<EventTexts> rows;
        for (int r = 0; r < grid()->rowCount(); ++r) {
            if (!grid()->item(r, 0) || grid()->item(r, 0)->text() != QString::number(r + 1))
                return {};
            EventTexts t;
            for (int c = 1; c < EventLogPage::Columns; ++c)
                t[std::size_t(c - 1)] = grid()->item(r, c)->text();
            rows.append(t);
        }
        return rows;
    }

    int askedBlock() const { return quint8(port->written.last().at(6)); }
    // Answers the block asked for, `blocks` times.
    void answer(const Log& log, int blocks = eventlog::BlockCount) {
        for (int b = 0; b < blocks; ++b)
            port->push(reply(KindEventRecord, blockPayload(log, askedBlock())));
    }
    void readLog(const Log& log) {
        click("Button1");
        answer(log);
    }
    Failure failure(int i = 0) const { return failures.at(i).at(1).value<Outcome>().reason; }
};

struct CliRun {
    int code = -1;
    QString out, err;
};

// kliv-cli inherits this process's environment, so it formats numbers as the page does.
CliRun cli(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("KLIV_CLI"), args);
    p.waitForFinished(20000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// "dd.MM.yy  hh:mm:ss:o" as a key that sorts by time, then by the order digit.
QString timeKey(const QString& dateTime) {
    return dateTime.mid(6, 2) + dateTime.mid(3, 2) + dateTime.left(2) + dateTime.mid(10);
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void readsTheLogBlockByBlock();
    void gridShowsTheLogInTimeOrder();
    void emptyLogLeavesTheHeaderRowOnly();
    void timeOutKeepsTheGridAndTheNextReadCompletes();
    void strayBlockIsNotStored_data();
    void strayBlockIsNotStored();
    void strayBlockIsTurnedAway_data();
    void strayBlockIsTurnedAway();
    void accountingRead();
    void accountingReset_data();
    void accountingReset();
    void csvFileName();
    void saveCsv_data();
    void saveCsv();

    void simulatorLogInTimeOrderAndTheCliAgrees();
    void simulatorLostBlockKeepsTheGrid();
    void simulatorEmptyLog();
    void simulatorAccountingReset();
};

void TestJournal::readsTheLogBlockByBlock() {
    Rig r;
    QList<int> progress;
    connect(r.page.progress(), &QProgressBar::valueChanged, this,
            [&progress](int v) { progress.append(v); });
    r.click("Button1");
    QCOMPARE(r.port->written.size(), 1);
    QCOMPARE(r.port->written.first(), hx("AA 06 02 58 06 01 00 01 11"));
    r.answer(wrappedLog());

    QCOMPARE(r.port->written.size(), 10);
    for (int b = 0; b < 10; ++b)
        QCOMPARE(quint8(r.port->written[b].at(6)), quint8(b));
    QCOMPARE(r.port->written.last(), hx("AA 06 02 58 06 01 09 01 1A"));
    QCOMPARE(progress, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    QCOMPARE(r.page.progress()->value(), 10);
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.failures.count(), 0);
    QCOMPARE(r.prompt.shown.size(), 1);
    QCOMPARE(r.prompt.shown.first().message,
             (Message{QStringLiteral("Считывание протокола"), QStringLiteral("Протокол считан!"),
                      Icon::Information}));
}

void TestJournal::gridShowsTheLogInTimeOrder() {
    Rig r;
    const Log log = wrappedLog();
    r.readLog(log);
    const QList<EventTexts> expected = textsAt(log, WrappedOrder);
    QCOMPARE(r.grid()->rowCount(), WrappedOrder.size());
    QCOMPARE(r.gridRows(), expected);
    QCOMPARE(r.page.eventRows(), expected);
    // Spot checks of the texts themselves.
    QCOMPARE(r.grid()->item(6, 1)->text(), QStringLiteral("06.06.26  08:15:00:1"));
    QCOMPARE(r.grid()->item(0, 2)->text(), QStringLiteral("Вкл."));
    QCOMPARE(r.grid()->item(0, 4)->text(), QStringLiteral("Перегруз"));
    QCOMPARE(r.grid()->item(0, 8)->text(), dec("18.0"));
    QCOMPARE(r.grid()->item(0, 9)->text(), QStringLiteral("100"));
    QCOMPARE(r.grid()->item(0, 10)->text(), dec("99.9"));
    QCOMPARE(r.grid()->item(0, 12)->text(), dec("0.85"));
}

void TestJournal::emptyLogLeavesTheHeaderRowOnly() {
    Rig r;
    r.readLog(erasedLog());
    QCOMPARE(r.grid()->rowCount(), 0);
    QCOMPARE(r.grid()->columnCount(), EventLogPage::Columns);
    QCOMPARE(r.grid()->horizontalHeaderItem(1)->text(), QStringLiteral("Дата/Время"));
    QVERIFY(r.page.eventRows().isEmpty());
    QCOMPARE(r.prompt.lastText(), QStringLiteral("Протокол считан!"));
}

// A read that stops early leaves the grid of the last complete read; the next read asks
// for all ten blocks again and replaces the grid, it does not add to it.
void TestJournal::timeOutKeepsTheGridAndTheNextReadCompletes() {
    Rig r;
    const Log first = smallLog(3, 300), second = smallLog(5, 500);
    r.readLog(first);
    const QList<EventTexts> shown = r.gridRows();
    QCOMPARE(shown.size(), 3);

    r.click("Button1");
    r.answer(second, 5);
    QCOMPARE(r.askedBlock(), 5);
    kliv::test::timeOutEveryTry(r.engine);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::NoAnswer);
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.gridRows(), shown);
    QCOMPARE(r.page.eventRows(), textsAt(first, firstPositions(3)));
    QCOMPARE(r.page.progress()->value(), 5);
    QCOMPARE(r.prompt.shown.size(), 1); // the first read's box; the engine reports the failure

    const int sent = int(r.port->written.size());
    r.readLog(second);
    QCOMPARE(r.port->written.size(), sent + 10);
    QCOMPARE(quint8(r.port->written.at(sent).at(6)), quint8(0));
    QCOMPARE(r.gridRows(), textsAt(second, firstPositions(5)));
    QCOMPARE(r.prompt.shown.size(), 2);
}

void TestJournal::strayBlockIsNotStored_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("beyond the log") << 10;
    QTest::newRow("index 255") << 255;
    QTest::newRow("the block before again") << 0;
    QTest::newRow("a block ahead") << 2;
}

// Only the block asked for is stored: a stray one neither writes beyond the log nor
// overwrites or fills in a block of it.
void TestJournal::strayBlockIsNotStored() {
    QFETCH(int, index);
    const Log log = smallLog(25, 100); // blocks 0..2 hold entries
    Log other = erasedLog();
    for (int k = 0; k < 10; ++k)
        other[std::size_t(k)] = entry(900 + k, 2, 2, 26, 9, k, 0);

    EventLogReader reader;
    QCOMPARE(reader.start().payload, QByteArray(1, '\0'));
    QCOMPARE(reader.take(blockPayload(log, 0)), EventLogReader::Step::NextBlock);
    QVERIFY(!reader.expects(blockPayload(other, 0, index)));
    QVERIFY(reader.expects(blockPayload(log, 1)));
    QCOMPARE(reader.take(blockPayload(other, 0, index)), EventLogReader::Step::Ignored);
    QCOMPARE(reader.blocksRead(), 1);
    QCOMPARE(reader.nextRequest().kind, quint8(KindEventRecord));
    QCOMPARE(reader.nextRequest().payload, QByteArray(1, char(1)));
    for (int b = 1; b < 9; ++b)
        QCOMPARE(reader.take(blockPayload(log, b)), EventLogReader::Step::NextBlock);
    QCOMPARE(reader.take(blockPayload(log, 9)), EventLogReader::Step::Complete);
    QCOMPARE(reader.take(blockPayload(log, 9)), EventLogReader::Step::Ignored);
    QCOMPARE(eventlog::texts(reader.rows(), NumberLocale::system()),
             textsAt(log, firstPositions(25)));
}

void TestJournal::strayBlockIsTurnedAway_data() {
    strayBlockIsNotStored_data();
}

// A stray block is turned away and nothing more is asked: the block asked for is still
// taken if it comes in time, and otherwise the request's time-out reports the read as
// failed, the grid as it was.
void TestJournal::strayBlockIsTurnedAway() {
    QFETCH(int, index);
    const Log log = smallLog(25, 100);
    const QByteArray stray = reply(KindEventRecord, blockPayload(log, 1, index));
    {
        Rig r;
        r.click("Button1");
        r.answer(log, 1);
        r.port->push(stray);
        QCOMPARE(r.port->written.size(), 2);
        QVERIFY(r.engine.awaitingReply());
        QVERIFY(r.engine.replyTimer().isActive());
        QCOMPARE(r.engine.framesReceived(), 1);
        r.answer(log, 1); // block 1 after all
        QCOMPARE(r.askedBlock(), 2);
        QCOMPARE(r.page.progress()->value(), 2);
    }
    Rig r;
    r.click("Button1");
    r.answer(log, 1);
    r.port->push(stray);
    kliv::test::timeOutEveryTry(r.engine);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::NoAnswer);
    QVERIFY(!r.engine.current());
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.page.progress()->value(), 1);
    QCOMPARE(r.grid()->rowCount(), EventLogPage::DataRows);
    QVERIFY(!r.grid()->item(0, 0));
    QVERIFY(r.prompt.shown.isEmpty());
}

void TestJournal::accountingRead() {
    Rig r;
    r.click("Button7");
    QCOMPARE(r.port->written, QList<QByteArray>{hx("AA 06 02 58 07 00 01 11")});
    r.port->push(reply(KindAccountingRead, accountingPayload()));
    QCOMPARE(r.text("st_tdv"), QStringLiteral("00001:02:05"));
    QCOMPARE(r.text("st_kvdv"), QStringLiteral("12"));
    QCOMPARE(r.text("st_kzdv"), QStringLiteral("3"));
    QCOMPARE(r.text("st_nwa"), dec("000123.4"));
    QCOMPARE(r.text("st_nuh"), QStringLiteral("05.03.2009г/14:22:07"));
    const AccountingTexts t = r.page.accountingTexts();
    QCOMPARE(t.start, r.text("st_nuh"));
    QCOMPARE(t.energy, r.text("st_nwa"));
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.prompt.shown.size(), 1);
    QCOMPARE(r.prompt.shown.first().message,
             (Message{QStringLiteral("Считывание учетной записи"),
                      QStringLiteral("Учетная запись считана!"), Icon::Information}));

    // A read that times out leaves the fields as they were.
    r.click("Button7");
    kliv::test::timeOutEveryTry(r.engine);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.text("st_tdv"), QStringLiteral("00001:02:05"));
    QCOMPARE(r.prompt.shown.size(), 1);
}

void TestJournal::accountingReset_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("declined") << false;
    QTest::newRow("confirmed") << true;
}

// The question comes first; on No nothing is sent; on Yes the record that the reset's
// reply carries is shown before the box that confirms the reset.
void TestJournal::accountingReset() {
    QFETCH(bool, yes);
    Rig r;
    r.page.showAccounting(accounting::decode(accountingPayload()));
    QStringList runningAtBox;
    r.prompt.onShow = [&] { runningAtBox.append(r.text("st_tdv")); };
    r.prompt.answers = {yes};
    r.click("Button8");
    QCOMPARE(r.prompt.asked,
             QStringList{QStringLiteral(" Вартон Ltd|Внимание учетная запись будет обнулена! "
                                        "Продолжить?")});
    if (!yes) {
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(r.port->opens, 0);
        QCOMPARE(r.prompt.shown.size(), 1);
        QCOMPARE(r.prompt.shown.first().message,
                 (Message{QStringLiteral("Обнуление учетной записи"),
                          QStringLiteral("Обнуление учетной записи отменено"), Icon::Information}));
        QCOMPARE(r.text("st_tdv"), QStringLiteral("00001:02:05"));
        return;
    }
    QCOMPARE(r.port->written, QList<QByteArray>{hx("AA 06 02 58 08 00 01 12")});
    QVERIFY(r.prompt.shown.isEmpty());
    // Counts zeroed, accounting from 07.12.2026 11:30:00.
    r.port->push(reply(KindAccountingReset, hx("00000000 0000 0000 0000000000 00 30 11 07 12 26")));
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.prompt.shown.size(), 1);
    QCOMPARE(r.prompt.shown.first().message,
             (Message{QStringLiteral("Обнуление учетной записи"),
                      QStringLiteral("Учетная запись обнулена!"), Icon::Information}));
    QCOMPARE(runningAtBox, QStringList{QStringLiteral("00000:00:00")});
    QCOMPARE(r.text("st_kvdv"), QStringLiteral("0"));
    QCOMPARE(r.text("st_kzdv"), QStringLiteral("0"));
    QCOMPARE(r.text("st_nwa"), dec("000000.0"));
    QCOMPARE(r.text("st_nuh"), QStringLiteral("07.12.2026г/11:30:00"));
}

void TestJournal::csvFileName() {
    QCOMPARE(EventLogPage::csvFileName(600, QDate(2026, 12, 6)),
             QStringLiteral("КЛИВ_№600_0612_26.csv"));
    QCOMPARE(EventLogPage::csvFileName(65535, QDate(2031, 1, 31)),
             QStringLiteral("КЛИВ_№65535_3101_31.csv"));
}

void TestJournal::saveCsv_data() {
    QTest::addColumn<QString>("where"); // in the temporary directory; empty: cancelled
    QTest::addColumn<bool>("saved");
    QTest::newRow("written") << "log.csv" << true;
    QTest::newRow("no such directory") << "missing/log.csv" << false;
    QTest::newRow("a directory") << "." << false;
    QTest::newRow("cancelled") << "" << false;
}

// The file holds exactly the grid's rows; a failed write names the file and the reason
// and never claims success.
void TestJournal::saveCsv() {
    QFETCH(QString, where);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    Rig r;
    r.readLog(wrappedLog());
    r.engine.setSerial(1234);
    r.prompt.shown.clear();
    QString suggested;
    const QString path = where.isEmpty() ? QString() : dir.filePath(where);
    r.page.setSaveFileAsker([&suggested, &path](const QString& name) {
        suggested = name;
        return path;
    });
    r.click("btn_save_csv");
    QCOMPARE(suggested, EventLogPage::csvFileName(1234, QDate::currentDate()));
    QVERIFY(r.port->written.size() == 10); // nothing goes to the relay

    if (where.isEmpty()) {
        QVERIFY(r.prompt.shown.isEmpty());
        return;
    }
    QCOMPARE(r.prompt.shown.size(), 1);
    const test::RecordingPrompt::Shown box = r.prompt.shown.first();
    QVERIFY(box.message.text.contains(QDir::toNativeSeparators(path)));
    if (!saved) {
        QCOMPARE(box.message.icon, Icon::Error);
        QVERIFY(!box.detail.isEmpty());
        QVERIFY(!QFileInfo(path).isFile());
        return;
    }
    QCOMPARE(box.message.icon, Icon::Information);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QCOMPARE(text, eventlog::csv(r.page.eventRows()));
    const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), WrappedOrder.size() + 1);
    QCOMPARE(lines.first(), QStringLiteral("№ п/п;Дата/Время;КЛИВ;Обор.;Защита;Ua, В;Ub, В;Uc, "
                                           "В;Ia, A;Ib, A;Ic, A;Iут, А;cos f"));
    const EventTexts first = r.gridRows().first();
    QCOMPARE(lines.at(1),
             QStringLiteral("1;") + QStringList(first.begin(), first.end()).join(QLatin1Char(';')));
}

// The simulator's log has gone round and holds erased and impossible slots; the grid
// shows the rest in strict time order, and kliv-cli prints the same rows.
void TestJournal::simulatorLogInTimeOrderAndTheCliAgrees() {
    test::SimProcess sim;
    QVERIFY(sim.ok());
    Rig r(sim.path());
    r.click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(!r.prompt.shown.isEmpty() || r.failures.count(), 10000);
    QCOMPARE(r.failures.count(), 0);
    QCOMPARE(r.prompt.lastText(), QStringLiteral("Протокол считан!"));
    // Seven of the hundred slots are erased or damaged.
    const QList<EventTexts> rows = r.gridRows();
    QCOMPARE(rows.size(), 93);
    QCOMPARE(r.page.eventRows(), rows);
    int sameSecond = 0;
    for (qsizetype k = 1; k < rows.size(); ++k) {
        QVERIFY2(timeKey(rows[k - 1][0]) < timeKey(rows[k][0]),
                 qPrintable(rows[k - 1][0] + QStringLiteral(" / ") + rows[k][0]));
        sameSecond += rows[k - 1][0].left(18) == rows[k][0].left(18);
    }
    QVERIFY(sameSecond >= 2); // the lost phase's three events of one second

    const CliRun run = cli(
        {QStringLiteral("events"), QStringLiteral("--csv"), QStringLiteral("--port"), sim.path()});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, eventlog::csv(rows));
}

// The relay loses the request for block 5 of the second read: that read ends with the
// time-out, the grid keeps the first read's rows, and a third read completes.
void TestJournal::simulatorLostBlockKeepsTheGrid() {
    test::SimProcess sim({QStringLiteral("--events"), QStringLiteral("40"),
                          QStringLiteral("--fault"), QStringLiteral("drop:kind=6:nth=16")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    r.engine.setRetries(0); // the lost block is not asked for again
    for (int read = 1; read <= 3; ++read) {
        r.click("Button1");
        QTRY_VERIFY_WITH_TIMEOUT(r.prompt.shown.size() + r.failures.count() == read, 10000);
        QCOMPARE(r.grid()->rowCount(), 40);
    }
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::NoAnswer);
    QCOMPARE(r.prompt.shown.size(), 2);
    QCOMPARE(r.page.progress()->value(), 10);
}

void TestJournal::simulatorEmptyLog() {
    test::SimProcess sim({QStringLiteral("--events"), QStringLiteral("empty")});
    QVERIFY(sim.ok());
    Rig r(sim.path());
    r.click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(!r.prompt.shown.isEmpty() || r.failures.count(), 10000);
    QCOMPARE(r.prompt.lastText(), QStringLiteral("Протокол считан!"));
    QCOMPARE(r.grid()->rowCount(), 0);
    QCOMPARE(r.page.progress()->value(), 10);
}

void TestJournal::simulatorAccountingReset() {
    test::SimProcess sim;
    QVERIFY(sim.ok());
    Rig r(sim.path());
    r.click("Button7");
    QTRY_VERIFY_WITH_TIMEOUT(!r.prompt.shown.isEmpty() || r.failures.count(), 5000);
    QCOMPARE(r.prompt.lastText(), QStringLiteral("Учетная запись считана!"));
    QVERIFY(r.text("st_kvdv").toInt() > 0);

    r.prompt.answers = {true};
    r.click("Button8");
    QTRY_VERIFY_WITH_TIMEOUT(r.prompt.shown.size() == 2 || r.failures.count(), 5000);
    QCOMPARE(r.failures.count(), 0);
    QCOMPARE(r.prompt.lastText(), QStringLiteral("Учетная запись обнулена!"));
    QCOMPARE(r.text("st_kvdv"), QStringLiteral("0"));
    QCOMPARE(r.text("st_kzdv"), QStringLiteral("0"));
    QVERIFY(r.text("st_tdv").startsWith(QStringLiteral("00000:00:0")));
    // Accounting starts at the relay's present time, which follows the PC's.
    QCOMPARE(r.text("st_nuh").left(10), QDate::currentDate().toString(u"dd.MM.yyyy"));
}

// The page and kliv-cli, which inherits this environment, format numbers alike, with
// the decimal comma the tool is made for.
int main(int argc, char* argv[]) {
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QApplication app(argc, argv);
    TestJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
