// kliv-cli as scripts use it: its exit codes and its output, against the simulated relay.

#include "common/comtradereader.h"
#include "common/simprocess.h"
#include "model/configschema.h"
#include "protocol/frame.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <cstdio>

using kliv::test::SimProcess;

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

// The change journal of every run goes here, never into the user's own.
QString sharedDataDir() {
    static QTemporaryDir dir;
    return dir.path();
}

Run cli(const QStringList& args, const QString& dataDir = sharedDataDir()) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("KLIV_DATA_DIR"), dataDir);
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("KLIV_CLI"), args);
    p.waitForFinished(20000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString writeFile(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Every field away from the simulated relay's start-up value.
const QByteArray AllFieldsChanged = R"({"cb_rs485": 7, "z_umin_v": 180, "st_zumin_t": 1.1,
    "z_umax_v": 260, "st_zumax_t": 1.2, "z_uasm": 31, "st_zuasm_t": 1.3, "z_ihol_a": 1.4,
    "z_ihol_t": 61, "z_iasm": 26, "st_ziasm_t": 1.5, "z_inom_a": 15.1, "z_vtz_t": 301,
    "z_izkl_a": 45.1, "st_zizakl_t": 3.1, "z_idif_a": 1.1, "st_zidif_t": 0.6, "z_iso_r": 1,
    "z_iso_ok": false, "p_uf_c": 2, "p_if_c": 3, "blok_z": true, "z_umin_ok": true,
    "z_umax_ok": true, "z_uasm_ok": false, "z_ihol_ok": true, "z_iasm_ok": false,
    "z_ivtz_ok": false, "z_zakl_ok": false, "z_idif_ok": false, "pcosf": -12, "st_kua": 571,
    "st_kub": 572, "st_kuc": 573, "st_kia": 201, "st_kib": 202, "st_kic": 203,
    "st_kidif": 5001, "tipo_text": "Насос", "oust_text": "Цех", "cb_uprotbus": 1,
    "sp_uaddr": 17, "sp_utb": 9, "sp_ute": 4})";
constexpr int FieldCount = 44;

const QString NoReply =
    QStringLiteral("Устройство не отвечает! Повторите попытку или обратитесь к разработчику.");

// The summary line of the poll: records, seconds and rate, as numbers.
struct Summary {
    int records = -1;
    double seconds = -1, rate = -1;
};
Summary summaryOf(const QString& line) {
    static const QRegularExpression re(
        QStringLiteral("^Записей: (\\d+) за ([0-9.]+) с, ([0-9.]+) записей/с$"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return {};
    return {m.captured(1).toInt(), m.captured(2).toDouble(), m.captured(3).toDouble()};
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void outcomes_data();
    void outcomes();
    void statusAsJson();
    void statusAsksExactlyOnce();
    void pollEndsWithItsRate();
    void pollRateIsItsRecordsOverItsTime();
    void pollGivenUpStillEndsWithItsRate();
    void pollStoppedByCtrlCEndsWithItsRate();
    void configReadThenWriteBack();
    void configWriteRefusals_data();
    void configWriteRefusals();
    void configWriteOfSomeFields();
    void configWriteMisstored();
    void rs485SpeedAndCalibration_data();
    void rs485SpeedAndCalibration();
    void eventsAsCsv_data();
    void eventsAsCsv();
    void eventsAsText_data();
    void eventsAsText();
    void accountingResetNeedsYes();
    void searchFindsTheRelay();
    void searchEndings_data();
    void searchEndings();
    void portsListTheGivenPathFirst();
    void configDiff_data();
    void configDiff();
    void configWriteFromAnotherRelay();
    void configReadWritesAHeader();
    void journalOfWrites();
    void lostAnswersAreAskedForAgain_data();
    void lostAnswersAreAskedForAgain();
    void clockSetAfterLostAnswersNamesItsOwnSecond();
    void everyRelayBlockIsUsable_data();
    void everyRelayBlockIsUsable();
    void replyPausedAfterAFrameInsideIsReadWhole();
    void traceHoldsEveryFrame();
    void recordingsAndSnapshots();
    void optionsOfEachCommand_data();
    void optionsOfEachCommand();
    void pollRecordingThatCannotGoOn_data();
    void pollRecordingThatCannotGoOn();

  private:
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<SimProcess> m_listening; // logs every frame it hears
    QTemporaryDir m_dir;
};

void TestCli::initTestCase() {
    m_sim = std::make_unique<SimProcess>();
    QVERIFY(m_sim->ok());
}

void TestCli::outcomes_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says"); // in stdout or stderr

    QTest::newRow("version") << QStringList{QStringLiteral("version")} << 0
                             << QStringLiteral("КЛИВ-1M v3.07");
    QTest::newRow("serial number in hex")
        << QStringList{QStringLiteral("version"), QStringLiteral("--serial"),
                       QStringLiteral("0x258")}
        << 0 << QStringLiteral("КЛИВ-1M v3.07");
    QTest::newRow("argument a command does not take")
        << QStringList{QStringLiteral("version"), QStringLiteral("now")} << 2
        << QStringLiteral("now");
    QTest::newRow("raw version") << QStringList{QStringLiteral("raw"), QStringLiteral("15")} << 0
                                 << QStringLiteral("AA 06 02 58 0F 10 CA CB C8 C2");
    QTest::newRow("protection reset") << QStringList{QStringLiteral("protection-reset")} << 0
                                      << QStringLiteral("Защита сброшена!");
    QTest::newRow("clock set") << QStringList{QStringLiteral("clock-set"),
                                              QStringLiteral("--calibration"), QStringLiteral("-3")}
                               << 0 << QStringLiteral("Корректировка выполнена!");
    QTest::newRow("another relay")
        << QStringList{QStringLiteral("version"), QStringLiteral("--serial"), QStringLiteral("601")}
        << 1 << NoReply;
    QTest::newRow("raw status read")
        << QStringList{QStringLiteral("raw"), QStringLiteral("1"), QStringLiteral("00")} << 0
        << QStringLiteral("AA 06 02 58 01 35 00");
    QTest::newRow("unknown kind refused") << QStringList{QStringLiteral("raw"), QStringLiteral("9")}
                                          << 2 << QStringLiteral("неизвестен");
    QTest::newRow("kind 200 refused")
        << QStringList{QStringLiteral("raw"), QStringLiteral("200"), QStringLiteral("--yes")} << 2
        << QStringLiteral("неизвестен");
    QTest::newRow("short configuration write refused")
        << QStringList{QStringLiteral("raw"), QStringLiteral("3"), QStringLiteral("0001"),
                       QStringLiteral("--yes")}
        << 2 << QStringLiteral("неизвестен");
    QTest::newRow("a change needs --yes")
        << QStringList{QStringLiteral("raw"), QStringLiteral("5")} << 2 << QStringLiteral("--yes");
    QTest::newRow("a change with --yes")
        << QStringList{QStringLiteral("raw"), QStringLiteral("5"), QStringLiteral("--yes")} << 0
        << QStringLiteral("AA 06 02 58 05");
    QTest::newRow("serial too small")
        << QStringList{QStringLiteral("version"), QStringLiteral("--serial"), QStringLiteral("99")}
        << 2 << QStringLiteral("100 до 65535");
    QTest::newRow("a speed the relay does not use")
        << QStringList{QStringLiteral("version"), QStringLiteral("--baud"), QStringLiteral("2400")}
        << 1 << NoReply;
    QTest::newRow("speed not a number")
        << QStringList{QStringLiteral("version"), QStringLiteral("--baud"), QStringLiteral("fast")}
        << 2 << QStringLiteral("115200");
    QTest::newRow("the fastest speed")
        << QStringList{QStringLiteral("version"), QStringLiteral("--baud"),
                       QStringLiteral("115200")}
        << 0 << QStringLiteral("КЛИВ-1M v3.07");
    QTest::newRow("speed not in the list")
        << QStringList{QStringLiteral("version"), QStringLiteral("--baud"), QStringLiteral("12345")}
        << 2 << QStringLiteral("115200");
    QTest::newRow("calibration out of range")
        << QStringList{QStringLiteral("clock-set"), QStringLiteral("--calibration"),
                       QStringLiteral("32")}
        << 2 << QStringLiteral("-31");
    QTest::newRow("bad hex") << QStringList{QStringLiteral("raw"), QStringLiteral("1"),
                                            QStringLiteral("0G")}
                             << 2 << QStringLiteral("HEX");
    QTest::newRow("payload too long")
        << QStringList{QStringLiteral("raw"), QStringLiteral("3"), QString(160, QLatin1Char('0'))}
        << 2 << QStringLiteral("79");
    QTest::newRow("unknown command")
        << QStringList{QStringLiteral("reboot")} << 2 << QStringLiteral("reboot");
    QTest::newRow("view") << QStringList{QStringLiteral("poll"), QStringLiteral("--view"),
                                         QStringLiteral("D")}
                          << 2 << QStringLiteral("--view");
    // Help ends the program: the poll without a count would otherwise run on.
    QTest::newRow("a command's help")
        << QStringList{QStringLiteral("poll"), QStringLiteral("--help")} << 0
        << QStringLiteral("--count");
    QTest::newRow("a command's help with Qt's options")
        << QStringList{QStringLiteral("poll"), QStringLiteral("--help-all")} << 0
        << QStringLiteral("--count");
    QTest::newRow("the program's version")
        << QStringList{QStringLiteral("--version")} << 0 << QStringLiteral("kliv-cli ");
}

void TestCli::outcomes() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);
    const Run r = cli(args << QStringLiteral("--port") << m_sim->path());
    QCOMPARE(r.code, code);
    QVERIFY2((r.out + r.err).contains(says), qPrintable(r.out + r.err));
}

void TestCli::statusAsJson() {
    const Run r = cli({QStringLiteral("status"), QStringLiteral("--json"), QStringLiteral("--port"),
                       m_sim->path()});
    QCOMPARE(r.code, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QVERIFY(o.value(QStringLiteral("ua")).toInt() > 300);
    QVERIFY(o.value(QStringLiteral("ia")).toDouble() > 1.0);
    QVERIFY(o.value(QStringLiteral("clock")).toObject().contains(QStringLiteral("time")));

    const Run gone = cli({QStringLiteral("status"), QStringLiteral("--json"),
                          QStringLiteral("--port"), QStringLiteral("/nonexistent/tty")});
    QCOMPARE(gone.code, 3);
    QVERIFY(QJsonDocument::fromJson(gone.out.toUtf8()).object().contains(QStringLiteral("error")));
}

// One record, one request: the relay's log shows a single status request.
void TestCli::statusAsksExactlyOnce() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sim.log"));
    SimProcess sim({QStringLiteral("--log-file"), log});
    QVERIFY(sim.ok());
    const Run r = cli({QStringLiteral("status"), QStringLiteral("--port"), sim.path()});
    QCOMPARE(r.code, 0);
    QTest::qWait(300); // the relay would log a late second request here
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QCOMPARE(text.count(QStringLiteral(" rx AA 06 02 58 01 01 00")), 1);
}

void TestCli::pollEndsWithItsRate() {
    const Run r = cli({QStringLiteral("poll"), QStringLiteral("--count"), QStringLiteral("5"),
                       QStringLiteral("--view"), QStringLiteral("ABC"), QStringLiteral("--port"),
                       m_sim->path()});
    QCOMPARE(r.code, 0);
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines.last().startsWith(QStringLiteral("Записей: 5 за ")));
    QVERIFY(lines.last().endsWith(QStringLiteral("записей/с")));
}

// The rate is the records over the time they took, which is no longer than the run.
void TestCli::pollRateIsItsRecordsOverItsTime() {
    const QStringList args = {QStringLiteral("poll"), QStringLiteral("--count"),
                              QStringLiteral("5"), QStringLiteral("--port"), m_sim->path()};
    QElapsedTimer run;
    run.start();
    const Run text = cli(args);
    const double textRun = run.nsecsElapsed() / 1e9;
    QCOMPARE(text.code, 0);
    const Summary s = summaryOf(text.out.trimmed().split(QLatin1Char('\n')).last());
    QCOMPARE(s.records, 5);
    QVERIFY2(s.seconds > 0 && s.seconds <= textRun, qPrintable(text.out));
    QVERIFY2(qAbs(s.rate * s.seconds - 5) < 0.3, qPrintable(text.out)); // both are rounded

    run.restart();
    const Run json = cli(args + QStringList{QStringLiteral("--json")});
    const double jsonRun = run.nsecsElapsed() / 1e9;
    QCOMPARE(json.code, 0);
    const QJsonObject o =
        QJsonDocument::fromJson(json.out.trimmed().split(QLatin1Char('\n')).last().toUtf8())
            .object();
    QCOMPARE(o.value(QStringLiteral("records")).toInt(), 5);
    const double seconds = o.value(QStringLiteral("seconds")).toDouble();
    QVERIFY2(seconds > 0 && seconds <= jsonRun, qPrintable(json.out));
    QCOMPARE(o.value(QStringLiteral("recordsPerSecond")).toDouble(), 5 / seconds);
}

// A poll without a count runs until Ctrl+C, and then ends as a poll with a count does.
void TestCli::pollStoppedByCtrlCEndsWithItsRate() {
#ifdef Q_OS_WIN
    QSKIP("Ctrl+C reaches a Windows console program through its console, which no test can "
          "press for a child");
#else
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("KLIV_DATA_DIR"), sharedDataDir());
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("KLIV_CLI"),
            {QStringLiteral("poll"), QStringLiteral("--port"), m_sim->path()});
    QVERIFY(p.waitForStarted());
    QByteArray out;
    while (!out.contains('\n') && p.waitForReadyRead(10000))
        out += p.readAllStandardOutput();
    QVERIFY2(out.contains('\n'), "no record before the interrupt");
    ::kill(pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(10000));
    out += p.readAllStandardOutput();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(out).trimmed().split(QLatin1Char('\n'));
    QVERIFY2(lines.last().startsWith(QStringLiteral("Записей: ")), qPrintable(lines.last()));
#endif
}

// A relay that never answers: the poll gives up, and its rate line still ends the output.
void TestCli::pollGivenUpStillEndsWithItsRate() {
    SimProcess silent({QStringLiteral("--serial"), QStringLiteral("601")});
    QVERIFY(silent.ok());
    const Run r = cli({QStringLiteral("poll"), QStringLiteral("--port"), silent.path()});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(NoReply), qPrintable(r.err));
    QCOMPARE(r.out, QStringLiteral("Записей: 0 за 0.000 с, 0.0 записей/с\n"));
}

// A configuration read into a file and written back leaves the relay as it was.
void TestCli::configReadThenWriteBack() {
    SimProcess sim;
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.json"));
    // A file from an earlier read is replaced, not refused.
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    const Run read = cli({QStringLiteral("config"), QStringLiteral("read"), QStringLiteral("--out"),
                          file, QStringLiteral("--port"), sim.path()});
    QCOMPARE(read.code, 0);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    QCOMPARE(o.value(QStringLiteral("z_umax_v")).toInt(), 250);
    QCOMPARE(o.value(QStringLiteral("st_zumin_t")).toDouble(), 10.0);
    QCOMPARE(o.value(QStringLiteral("cb_rs485")).toInt(), 5);

    const Run write = cli({QStringLiteral("config"), QStringLiteral("write"), file,
                           QStringLiteral("--yes"), QStringLiteral("--port"), sim.path()});
    QCOMPARE(write.code, 0);
    QCOMPARE(write.out, QStringLiteral("Конфигурация записана\nКонфигурация считана\n"));
}

void TestCli::configWriteRefusals_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("says");
    QTest::newRow("no --yes") << "{}" << false << "--yes";
    QTest::newRow("current too large") << R"({"z_inom_a": 7000.0})" << true << "Iном";
    QTest::newRow("unknown key") << R"({"z_foo": 1})" << true << "z_foo";
    QTest::newRow("wrong type") << R"({"blok_z": 1})" << true << "blok_z";
    QTest::newRow("not JSON") << "{z_umax_v: 400" << true << "JSON";
    QTest::newRow("a field named twice")
        << R"({"z_umax_v": 99999, "z_umax_v": 171})" << true << "z_umax_v: ключ указан";
}

// Bad files are refused before anything reaches the relay, naming what is wrong.
void TestCli::configWriteRefusals() {
    QFETCH(QString, json);
    QFETCH(bool, yes);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.json"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(json.toUtf8());
    f.close();
    QStringList args{QStringLiteral("config"), QStringLiteral("write"), file,
                     QStringLiteral("--port"), QStringLiteral("/nonexistent/tty")};
    if (yes)
        args << QStringLiteral("--yes");
    const Run r = cli(args);
    QCOMPARE(r.code, 2);
    QVERIFY2((r.out + r.err).contains(says), qPrintable(r.out + r.err));
}

// A file with some fields takes the others from the relay.
void TestCli::configWriteOfSomeFields() {
    SimProcess sim;
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.json"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(R"({"z_umax_v": 400, "tipo_text": "Насос 3"})");
    f.close();
    QCOMPARE(cli({QStringLiteral("config"), QStringLiteral("write"), file, QStringLiteral("--yes"),
                  QStringLiteral("--port"), sim.path()})
                 .code,
             0);
    const Run read = cli(
        {QStringLiteral("config"), QStringLiteral("read"), QStringLiteral("--port"), sim.path()});
    const QJsonObject o = QJsonDocument::fromJson(read.out.toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("z_umax_v")).toInt(), 400);
    QCOMPARE(o.value(QStringLiteral("tipo_text")).toString(), QStringLiteral("Насос 3         "));
    QCOMPARE(o.value(QStringLiteral("z_umin_v")).toInt(), 170);
}

// A relay that stores something else is reported, field by field, never as written.
void TestCli::configWriteMisstored() {
    SimProcess sim({QStringLiteral("--fault"), QStringLiteral("misstore")});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.json"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(R"({"z_umax_v": 250})");
    f.close();
    const Run r = cli({QStringLiteral("config"), QStringLiteral("write"), file,
                       QStringLiteral("--yes"), QStringLiteral("--port"), sim.path()});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("записано 250, считано 7000")), qPrintable(r.err));
    QVERIFY(!r.out.contains(QStringLiteral("Конфигурация считана")));
}

void TestCli::rs485SpeedAndCalibration_data() {
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    const QStringList plain;
    const QStringList inputs = {QStringLiteral("--reference"),
                                QStringLiteral("ua=230,ub=230,uc=230,ia=5,ib=5,ic=5,iut=0.5")};
    const QString yes = QStringLiteral("--yes");
    const QString ref = QStringLiteral("--ref");

    QTest::newRow("rs485 needs --yes")
        << plain << QStringList{QStringLiteral("rs485-speed"), QStringLiteral("9600")} << 2
        << QStringLiteral("--yes");
    QTest::newRow("rs485 speed not in the list")
        << plain << QStringList{QStringLiteral("rs485-speed"), QStringLiteral("12345"), yes} << 2
        << QStringLiteral("115200");
    QTest::newRow("rs485, relay keeps its line")
        << plain << QStringList{QStringLiteral("rs485-speed"), QStringLiteral("9600"), yes} << 0
        << QStringLiteral("Процесс изменения скорости RS485 успешно завершен!");
    QTest::newRow("rs485, relay followed")
        << QStringList{QStringLiteral("--follow")}
        << QStringList{QStringLiteral("rs485-speed"), QStringLiteral("57600"), yes} << 0
        << QStringLiteral("Реле отвечает на скорости 57600 бод.");
    QTest::newRow("rs485, silent relay")
        << QStringList{QStringLiteral("--serial"), QStringLiteral("601")}
        << QStringList{QStringLiteral("rs485-speed"), QStringLiteral("9600"), yes} << 1
        << QStringLiteral("Процесс изменения скорости RS485 остановлен!");

    QTest::newRow("calibrate needs --yes")
        << inputs << QStringList{QStringLiteral("calibrate"), ref, QStringLiteral("ua=230")} << 2
        << QStringLiteral("--yes");
    QTest::newRow("calibrate needs references")
        << inputs << QStringList{QStringLiteral("calibrate"), yes} << 2 << QStringLiteral("--ref");
    QTest::newRow("calibrate, reference not a number")
        << inputs
        << QStringList{QStringLiteral("calibrate"), ref, QStringLiteral("ua=230,ia=abc"), yes} << 2
        << QStringLiteral("Ia: эталонное значение «abc»");
    QTest::newRow("calibrate, zero reference")
        << inputs << QStringList{QStringLiteral("calibrate"), ref, QStringLiteral("iut=0,0"), yes}
        << 2 << QStringLiteral("Iут: эталонное значение «0,0»");
    QTest::newRow("calibrate, unknown channel")
        << inputs << QStringList{QStringLiteral("calibrate"), ref, QStringLiteral("ux=1"), yes} << 2
        << QStringLiteral("«ux»");
    QTest::newRow("calibrate, decimal comma")
        << inputs
        << QStringList{QStringLiteral("calibrate"), ref, QStringLiteral("ua=115,ia=2,5"), yes} << 0
        << QStringLiteral("Ua=1140 Ub=570 Uc=570 Ia=400 Ib=200 Ic=200 Iут=5000");
    QTest::newRow("calibrate, no signal")
        << QStringList{QStringLiteral("--reference"), QStringLiteral("ua=230")}
        << QStringList{QStringLiteral("calibrate"), ref, QStringLiteral("ua=230,ub=230"), yes} << 2
        << QStringLiteral("Ub: нет сигнала");
}

// Each prints the words of its window's boxes; input that cannot be used sends nothing.
void TestCli::rs485SpeedAndCalibration() {
    QFETCH(QStringList, sim);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);
    SimProcess relay(sim);
    QVERIFY(relay.ok());
    const Run r = cli(args << QStringLiteral("--port") << relay.path());
    QCOMPARE(r.code, code);
    QVERIFY2((r.out + r.err).contains(says), qPrintable(r.out + r.err));
    if (code == 0 && args.first() == QLatin1String("calibrate"))
        QVERIFY(r.out.contains(
            QStringLiteral("Внимание! Калибровка завершена. Защита заблокирована.")));
}

// Every spelling of standard output, and a file, which then holds the same bytes while
// standard output says where they went as the window's box does.
void TestCli::eventsAsCsv_data() {
    QTest::addColumn<QStringList>("args"); // PORT and FILE stand for the relay and the file
    QTest::addColumn<QString>("says");     // with a file, all of standard output
    const auto l = [](const char* text) { return QString::fromUtf8(text).split(u' '); };
    QTest::newRow("bare, before another option") << l("events --csv --port PORT") << QString();
    QTest::newRow("bare, last") << l("events --port PORT --csv") << QString();
    QTest::newRow("a dash") << l("events --csv - --port PORT") << QString();
    QTest::newRow("a dash, joined") << l("events --csv=- --port PORT") << QString();
    QTest::newRow("before the command") << l("--csv - events --port PORT") << QString();
    QTest::newRow("into a file") << l("events --csv FILE --port PORT")
                                 << QStringLiteral("Протокол сохранен в файл FILE\n");
    QTest::newRow("into a file, as JSON")
        << l("events --json --csv FILE --port PORT")
        << QStringLiteral("{\"result\":\"Протокол сохранен в файл FILE\"}\n");
}

// The CSV is the grid: the 13 headers, then a row a line numbered from 1, the same
// rows as the JSON list.
void TestCli::eventsAsCsv() {
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("протокол.csv"));
    args.replaceInStrings(QStringLiteral("PORT"), m_sim->path());
    args.replaceInStrings(QStringLiteral("FILE"), file);
    const Run r = cli(args);
    QCOMPARE(r.code, 0);
    QByteArray csv = r.out.toUtf8();
    if (!says.isEmpty()) {
        QCOMPARE(r.out, QString(says).replace(QStringLiteral("FILE"), file));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        csv = f.readAll();
    }
    QVERIFY(csv.endsWith("\r\n"));
    const QStringList lines =
        QString::fromUtf8(csv).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("№ п/п;Дата/Время;КЛИВ;Обор.;Защита;Ua, В;Ub, В;Uc, "
                                           "В;Ia, A;Ib, A;Ic, A;Iут, А;cos f"));
    QCOMPARE(lines.size(), 1 + 93); // seven of the simulated relay's slots are spoilt
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const QStringList fields = lines[k].split(QLatin1Char(';'));
        QCOMPARE(fields.size(), 13);
        QCOMPARE(fields.first(), QString::number(k));
        QCOMPARE(fields.at(1).size(), 20);
    }
    static const QByteArray first = csv; // every spelling writes the same bytes
    QCOMPARE(csv, first);

    static const Run json = cli({QStringLiteral("events"), QStringLiteral("--json"),
                                 QStringLiteral("--port"), m_sim->path()});
    QCOMPARE(json.code, 0);
    QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).array().size(), lines.size() - 1);
}

void TestCli::eventsAsText_data() {
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<int>("lines");
    QTest::newRow("wrapped log") << QStringList() << 1 + 93 + 1;
    QTest::newRow("empty log") << QStringList{QStringLiteral("--events"), QStringLiteral("empty")}
                               << 2;
}

// The grid as text, headers first, then the box's words.
void TestCli::eventsAsText() {
    QFETCH(QStringList, sim);
    QFETCH(int, lines);
    SimProcess relay(sim);
    QVERIFY(relay.ok());
    const Run r = cli({QStringLiteral("events"), QStringLiteral("--port"), relay.path()});
    QCOMPARE(r.code, 0);
    const QStringList out = r.out.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(out.size(), lines);
    QVERIFY(out.first().startsWith(QStringLiteral("№ п/п  Дата/Время")));
    QVERIFY(out.first().endsWith(QStringLiteral("cos f")));
    QCOMPARE(out.last(), QStringLiteral("Протокол считан!"));
    QCOMPARE(cli({QStringLiteral("events"), QStringLiteral("--csv"), QStringLiteral("--json"),
                  QStringLiteral("--port"), relay.path()})
                 .code,
             2);
}

// Without --yes nothing is sent and the counts stay; with it they start again from zero.
void TestCli::accountingResetNeedsYes() {
    SimProcess sim;
    QVERIFY(sim.ok());
    const auto counts = [&sim] {
        const Run r = cli({QStringLiteral("accounting"), QStringLiteral("--json"),
                           QStringLiteral("--port"), sim.path()});
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    };
    const Run refused =
        cli({QStringLiteral("accounting-reset"), QStringLiteral("--port"), sim.path()});
    QCOMPARE(refused.code, 2);
    QVERIFY2(refused.err.contains(QStringLiteral("--yes")), qPrintable(refused.err));
    QVERIFY(counts().value(QStringLiteral("switchOns")).toInt() > 0);

    const Run read = cli({QStringLiteral("accounting"), QStringLiteral("--port"), sim.path()});
    QCOMPARE(read.code, 0);
    QVERIFY(read.out.startsWith(QStringLiteral("Начало учета:")));
    QVERIFY(read.out.endsWith(QStringLiteral("Учетная запись считана!\n")));

    const Run reset = cli({QStringLiteral("accounting-reset"), QStringLiteral("--yes"),
                           QStringLiteral("--port"), sim.path()});
    QCOMPARE(reset.code, 0);
    QVERIFY(reset.out.contains(QStringLiteral("К-во включений оборуд.:   0\n")));
    QVERIFY(reset.out.endsWith(QStringLiteral("Учетная запись обнулена!\n")));
    const QJsonObject after = counts();
    QCOMPARE(after.value(QStringLiteral("switchOns")).toInt(), 0);
    QCOMPARE(after.value(QStringLiteral("trips")).toInt(), 0);
    QVERIFY(after.value(QStringLiteral("start")).isString());
}

// The progress line as the search window shows it, then the speed found; a script gets
// the speed alone. The relay then answers at that speed.
void TestCli::searchFindsTheRelay() {
    SimProcess relay({QStringLiteral("--serial"), QStringLiteral("1234"), QStringLiteral("--baud"),
                      QStringLiteral("2400")});
    QVERIFY(relay.ok());
    const QStringList where = {QStringLiteral("--serial"), QStringLiteral("1234"),
                               QStringLiteral("--port"), relay.path()};
    const Run r = cli(QStringList{QStringLiteral("search")} + where);
    QCOMPARE(r.code, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 10);
    QCOMPARE(lines.first(), QStringLiteral("Процесс:... "));
    QCOMPARE(lines.at(1), QStringLiteral("Процесс:     300 бод/сек   повтор №1"));
    QCOMPARE(lines.at(7), QStringLiteral("Процесс:   2400 бод/сек   повтор №1"));
    QCOMPARE(lines.last(), QStringLiteral("Найдено устройство: скорость   2400 бод/сек"));

    const Run json = cli(QStringList{QStringLiteral("search"), QStringLiteral("--json")} + where);
    QCOMPARE(json.code, 0);
    QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).object(),
             QJsonObject({{QStringLiteral("baud"), 2400}}));

    const Run version = cli(
        QStringList{QStringLiteral("version"), QStringLiteral("--baud"), QStringLiteral("2400")} +
        where);
    QCOMPARE(version.out.trimmed(), QStringLiteral("КЛИВ-1M v3.07"));
}

void TestCli::searchEndings_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    QTest::newRow("no relay of that number")
        << QStringList{QStringLiteral("--serial"), QStringLiteral("601")} << 1
        << QStringLiteral("Процесс поиска завершен! Устройство не обнаружено!");
    QTest::newRow("port does not open")
        << QStringList{QStringLiteral("--port"), QStringLiteral("/nonexistent/tty")} << 3
        << QStringLiteral("Ошибка открытия порта !");
    QTest::newRow("a speed makes no sense")
        << QStringList{QStringLiteral("--baud"), QStringLiteral("9600")} << 2
        << QStringLiteral("--baud");
}

void TestCli::searchEndings() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);
    // The last --port wins, so a row's own port comes after the relay's.
    const Run r =
        cli(QStringList{QStringLiteral("search"), QStringLiteral("--port"), m_sim->path()} + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(says), qPrintable(r.out + r.err));
}

// The ports command lists a path it is given first, as the windows' port lists do.
void TestCli::portsListTheGivenPathFirst() {
    const Run r = cli({QStringLiteral("ports"), QStringLiteral("--port"), m_sim->path(),
                       QStringLiteral("--port"), QStringLiteral("/tmp/kliv-not-there")});
    QCOMPARE(r.code, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.at(0), m_sim->path());
    QCOMPARE(lines.at(1), QStringLiteral("/tmp/kliv-not-there"));
}

// Equal, one field and every field off: the exit code says which, the table names each.
void TestCli::configDiff_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("rows");
    QTest::newRow("equal") << QByteArray(R"({"z_umax_v": 250, "tipo_text": ""})") << 0;
    QTest::newRow("one field")
        << QByteArray(R"({"header": {"format": 1, "serial": 600}, "z_umax_v": 300})") << 1;
    QTest::newRow("every field") << AllFieldsChanged << FieldCount;
}

void TestCli::configDiff() {
    QFETCH(QByteArray, json);
    QFETCH(int, rows);
    SimProcess sim;
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString file = writeFile(dir, json);
    const QStringList args{QStringLiteral("config"), QStringLiteral("diff"), file,
                           QStringLiteral("--port"), sim.path()};
    const Run text = cli(args);
    QCOMPARE(text.code, rows == 0 ? 0 : 1);
    const QStringList lines = text.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), rows == 0 ? 1 : rows + 1);
    if (rows == 1)
        QVERIFY2(lines.at(1).contains(QRegularExpression(QStringLiteral("^Umax +300 +250$"))),
                 qPrintable(lines.at(1)));
    const Run json2 = cli(args + QStringList{QStringLiteral("--json")});
    QCOMPARE(json2.code, text.code);
    const QJsonObject o = QJsonDocument::fromJson(json2.out.toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("equal")).toBool(), rows == 0);
    QCOMPARE(o.value(QStringLiteral("differences")).toArray().size(), rows);
    // Comparing changes nothing: the relay still holds its start-up values.
    QCOMPARE(cli({QStringLiteral("config"), QStringLiteral("diff"),
                  writeFile(dir, R"({"z_umax_v": 250})"), QStringLiteral("--port"), sim.path()})
                 .code,
             0);
}

// A file saved from relay 601 goes to relay 600 only when the user says so.
void TestCli::configWriteFromAnotherRelay() {
    SimProcess sim;
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString file =
        writeFile(dir, R"({"header": {"format": 1, "serial": 601}, "z_umax_v": 300})");
    const QStringList args{QStringLiteral("config"), QStringLiteral("write"),  file,
                           QStringLiteral("--yes"),  QStringLiteral("--port"), sim.path()};
    const Run refused = cli(args);
    QCOMPARE(refused.code, 2);
    QVERIFY2(refused.err.contains(QStringLiteral("№ 601")) &&
                 refused.err.contains(QStringLiteral("--any-serial")),
             qPrintable(refused.err));
    QCOMPARE(cli(args + QStringList{QStringLiteral("--any-serial")}).code, 0);
    const Run diff = cli({QStringLiteral("config"), QStringLiteral("diff"), file,
                          QStringLiteral("--port"), sim.path()});
    QCOMPARE(diff.code, 0);
}

void TestCli::configReadWritesAHeader() {
    SimProcess sim;
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("read.json"));
    QCOMPARE(cli({QStringLiteral("config"), QStringLiteral("read"), QStringLiteral("--out"), file,
                  QStringLiteral("--port"), sim.path()})
                 .code,
             0);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject header =
        QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("header")).toObject();
    QCOMPARE(header.value(QStringLiteral("format")).toInt(), 1);
    QCOMPARE(header.value(QStringLiteral("serial")).toInt(), 600);
    QCOMPARE(header.value(QStringLiteral("firmware")).toString(), QStringLiteral("КЛИВ-1M v3.07"));
    QVERIFY(QDateTime::fromString(header.value(QStringLiteral("saved")).toString(), Qt::ISODate)
                .isValid());
}

// A verified write and a misstored one each leave their line; a line a crash cut short is
// skipped with a warning and the rest is listed.
void TestCli::journalOfWrites() {
    QTemporaryDir data;
    QTemporaryDir dir;
    const QString file = writeFile(dir, R"({"z_umax_v": 300})");
    {
        SimProcess sim;
        QVERIFY(sim.ok());
        // The relay's block is read first to fill the fields the file leaves out; the
        // write that follows still says what it did.
        const Run written = cli({QStringLiteral("config"), QStringLiteral("write"), file,
                                 QStringLiteral("--yes"), QStringLiteral("--port"), sim.path()},
                                data.path());
        QCOMPARE(written.code, 0);
        QVERIFY2(written.out.contains(QStringLiteral("Конфигурация записана")),
                 qPrintable(written.out));
    }
    {
        SimProcess sim({QStringLiteral("--fault"), QStringLiteral("misstore")});
        QVERIFY(sim.ok());
        QCOMPARE(cli({QStringLiteral("config"), QStringLiteral("write"), file,
                      QStringLiteral("--yes"), QStringLiteral("--port"), sim.path()},
                     data.path())
                     .code,
                 1);
    }
    QFile journal(QDir(data.path()).filePath(QStringLiteral("changes.jsonl")));
    QVERIFY(journal.open(QIODevice::Append));
    journal.write(R"({"time":"2026-01-01T00:00)");
    journal.close();

    const QStringList list{QStringLiteral("journal"), QStringLiteral("--json")};
    const Run all = cli(list, data.path());
    QCOMPARE(all.code, 0);
    QVERIFY2(all.err.contains(QStringLiteral("строка 3")), qPrintable(all.err));
    const QStringList lines = all.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    const QJsonObject done = QJsonDocument::fromJson(lines.at(0).toUtf8()).object();
    const QJsonObject mismatch = QJsonDocument::fromJson(lines.at(1).toUtf8()).object();
    QCOMPARE(done.value(QStringLiteral("job")).toString(), QStringLiteral("config-write"));
    QCOMPARE(done.value(QStringLiteral("outcome")).toString(), QStringLiteral("done"));
    QCOMPARE(done.value(QStringLiteral("serial")).toInt(), 600);
    QCOMPARE(done.value(QStringLiteral("before")).toString().size(), 2 * 78);
    QCOMPARE(done.value(QStringLiteral("after")).toString().mid(8, 4), QStringLiteral("012c"));
    QCOMPARE(mismatch.value(QStringLiteral("outcome")).toString(), QStringLiteral("mismatch"));
    QVERIFY(mismatch.value(QStringLiteral("detail")).toString().contains(QStringLiteral("7000")));

    QCOMPARE(
        cli(list + QStringList{QStringLiteral("--serial"), QStringLiteral("601")}, data.path()).out,
        QString());
    // The journal is this computer's file: it is read with no serial port at hand.
    const Run text =
        cli({QStringLiteral("journal"), QStringLiteral("--serial"), QStringLiteral("600")},
            data.path());
    QCOMPARE(text.code, 0);
    QVERIFY2(text.out.contains(QStringLiteral("№600  ")) &&
                 text.out.contains(QStringLiteral("config-write  mismatch")) &&
                 text.out.contains(QStringLiteral("считано 7000")),
             qPrintable(text.out));
}

// A lost answer costs a repeat, told on stderr, not the job; a relay that never answers
// is given up after 1 + N tries, with one message.
void TestCli::lostAnswersAreAskedForAgain_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("repeats");
    const QStringList version{QStringLiteral("version")};
    QTest::newRow("one event block lost, report written")
        << QStringLiteral("drop:kind=6:nth=7")
        << QStringList{QStringLiteral("report"), QStringLiteral("OUT")} << 0 << 1;
    QTest::newRow("never answered") << QStringLiteral("drop:kind=15") << version << 1 << 2;
    QTest::newRow("never answered, no retries")
        << QStringLiteral("drop:kind=15")
        << (version + QStringList{QStringLiteral("--retries"), QStringLiteral("0")}) << 1 << 0;
    QTest::newRow("never answered, five retries")
        << QStringLiteral("drop:kind=15")
        << (version + QStringList{QStringLiteral("--retries"), QStringLiteral("5")}) << 1 << 5;
    QTest::newRow("two answers spoilt of three tries")
        << QStringLiteral("corrupt:kind=15:every=1") << version << 1 << 2;
    QTest::newRow("retries out of range")
        << QString() << (version + QStringList{QStringLiteral("--retries"), QStringLiteral("10")})
        << 2 << 0;
}

void TestCli::lostAnswersAreAskedForAgain() {
    QFETCH(QString, fault);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(int, repeats);
    SimProcess sim(fault.isEmpty() ? QStringList() : QStringList{QStringLiteral("--fault"), fault});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    args.replaceInStrings(QStringLiteral("OUT"), dir.filePath(QStringLiteral("report.docx")));
    const Run r = cli(args << QStringLiteral("--port") << sim.path());
    QCOMPARE(r.code, code);
    const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto repeatLines = lines.filter(QStringLiteral("отправлен снова"));
    QCOMPARE(repeatLines.size(), repeats);
    for (int i = 0; i < repeats; ++i)
        QVERIFY2(
            repeatLines.at(i).endsWith(
                QStringLiteral("(попытка %1 из %2)").arg(i + 2).arg(code == 0 ? 3 : repeats + 1)),
            qPrintable(repeatLines.at(i)));
    if (code == 1)
        QCOMPARE(lines.filter(NoReply).size(), 1);
    if (code == 0)
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("report.docx"))).size() > 0);
}

// Two requests lost at 1200 baud cost five seconds of time-outs; the try that gets through
// still sets the relay to the PC's clock (the relay's log says how far off it is).
void TestCli::clockSetAfterLostAnswersNamesItsOwnSecond() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sim.log"));
    const QString baud = QStringLiteral("1200");
    SimProcess sim({QStringLiteral("--baud"), baud, QStringLiteral("--log-file"), log,
                    QStringLiteral("--fault"), QStringLiteral("drop:kind=4:nth=1"),
                    QStringLiteral("--fault"), QStringLiteral("drop:kind=4:nth=2")});
    QVERIFY(sim.ok());
    const Run r = cli({QStringLiteral("clock-set"), QStringLiteral("--baud"), baud,
                       QStringLiteral("--port"), sim.path()});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains(QStringLiteral("Корректировка выполнена!")));
    const std::optional<int> offset = kliv::test::lastClockOffset(log);
    QVERIFY(offset);
    QVERIFY2(qAbs(*offset) < 1000, qPrintable(QString::number(*offset)));
}

// Whatever a relay holds can be shown, saved, compared, written back and reported: blank
// memories, a configuration whose block holds a whole frame, and texts of every byte.
void TestCli::everyRelayBlockIsUsable_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("writable"); // no coefficient is zero
    using kliv::Configuration;
    const QByteArray start = kliv::config::encode(Configuration{});
    QTest::newRow("all 0x00") << QByteArray(kliv::config::BlockSize, '\0') << false;
    QTest::newRow("all 0xFF") << QByteArray(kliv::config::BlockSize, char(0xFF)) << true;
    Configuration lockout; // Umin 17,0 s, Uасм 1,0 s, Iзкл 107,0 A: a frame inside the block
    lockout.st_zumin_t = 170;
    lockout.st_zuasm_t = 10;
    lockout.z_izkl_a = 1070;
    QTest::newRow("frame inside the block") << kliv::config::encode(lockout) << true;
    // What the page shows otherwise than the relay holds it: a speed the list lacks, Umax
    // 9000 V, an idle-current delay of 60,5 s, cos f 0x00, bytes after a text's zero.
    QTest::newRow("held beyond the page") << QByteArray(start)
                                                 .replace(0, 1, QByteArray::fromHex("c8"))
                                                 .replace(4, 2, QByteArray::fromHex("2328"))
                                                 .replace(11, 2, QByteArray::fromHex("025d"))
                                                 .replace(27, 1, QByteArray::fromHex("00"))
                                                 .replace(44, 3, QByteArray::fromHex("004142"))
                                          << true;
    constexpr int TipoAt = 42, Texts = 2 * kliv::config::TextSize;
    for (int first = 1; first < 256; first += Texts) {
        QByteArray b = start;
        for (int i = 0; i < Texts; ++i)
            b[TipoAt + i] = char(qMin(255, first + i));
        QTest::addRow("text bytes %d..%d", first, qMin(255, first + Texts - 1)) << b << true;
    }
    QRandomGenerator rng(78);
    for (int i = 0; i < 3; ++i) {
        QByteArray b(kliv::config::BlockSize, '\0');
        for (char& c : b)
            c = char(rng.bounded(1, 256));
        QTest::addRow("random %d", i) << b << true;
    }
}

void TestCli::everyRelayBlockIsUsable() {
    QFETCH(QByteArray, block);
    QFETCH(bool, writable);
    SimProcess sim({QStringLiteral("--config-hex"), QString::fromLatin1(block.toHex())});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("relay.json"));
    const QStringList port{QStringLiteral("--port"), sim.path()};
    const Run read = cli(QStringList{QStringLiteral("config"), QStringLiteral("read"),
                                     QStringLiteral("--out"), file} +
                         port);
    QCOMPARE(read.code, 0);
    const Run diff =
        cli(QStringList{QStringLiteral("config"), QStringLiteral("diff"), file} + port);
    QVERIFY2(diff.code == 0, qPrintable(diff.out + diff.err));
    const Run write = cli(QStringList{QStringLiteral("config"), QStringLiteral("write"), file,
                                      QStringLiteral("--yes")} +
                          port);
    // A zero coefficient would blind its channel: the write command never sends one.
    QVERIFY2(write.code == (writable ? 0 : 2), qPrintable(write.out + write.err));
    // Written back, what was read changes nothing on the relay.
    const Run held = cli(QStringList{QStringLiteral("raw"), QStringLiteral("2")} + port);
    bool hex = false;
    const QByteArray reply = kliv::frame::fromHex(held.out.trimmed(), &hex);
    QVERIFY2(hex, qPrintable(held.out + held.err));
    QCOMPARE(kliv::frame::payloadOf(reply).toHex(' '), block.toHex(' '));
    const Run again =
        cli(QStringList{QStringLiteral("config"), QStringLiteral("diff"), file} + port);
    QVERIFY2(again.code == 0, qPrintable(again.out + again.err));
    const Run report = cli(
        QStringList{QStringLiteral("report"), dir.filePath(QStringLiteral("report.docx"))} + port);
    QVERIFY2(report.code == 0, qPrintable(report.out + report.err));
}
// An adapter that holds the reply back for 40 ms just after a frame of the same relay and
// kind inside its block: the configuration is still read whole, on the first try, with the
// relay's own values.
void TestCli::replyPausedAfterAFrameInsideIsReadWhole() {
    QByteArray block = kliv::config::encode(kliv::Configuration{});
    constexpr int At = 10; // block byte; the reply's header comes before it
    const QByteArray inner = kliv::frame::build(600, kliv::KindConfigRead, {});
    block.replace(At, inner.size(), inner);
    QString outputs[2];
    for (const bool paused : {false, true}) {
        QStringList args{QStringLiteral("--config-hex"), QString::fromLatin1(block.toHex())};
        if (paused)
            args << QStringLiteral("--fault")
                 << QStringLiteral("pause=40:at=%1:kind=2")
                        .arg(kliv::frame::HeaderSize + At + inner.size());
        SimProcess sim(args);
        QVERIFY(sim.ok());
        const Run read = cli({QStringLiteral("config"), QStringLiteral("read"),
                              QStringLiteral("--port"), sim.path()});
        QVERIFY2(read.code == 0, qPrintable(read.err));
        QVERIFY(read.err.isEmpty()); // not even a repeat
        outputs[paused] = read.out;
    }
    QCOMPARE(outputs[1], outputs[0]);
}

// --trace writes the monitor's lines: the request, its repeat after the lost answer, the
// answer; a trace that cannot be written stops the command before anything is sent.
void TestCli::traceHoldsEveryFrame() {
    SimProcess sim({QStringLiteral("--fault"), QStringLiteral("drop:kind=15:nth=1")});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.txt"));
    const Run r = cli({QStringLiteral("version"), QStringLiteral("--trace"), trace,
                       QStringLiteral("--port"), sim.path()});
    QCOMPARE(r.code, 0);
    QFile f(trace);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    const QStringList expected{QStringLiteral("TX    600   15     8  норма"),
                               QStringLiteral("TX    600   15     8  повтор"),
                               QStringLiteral("RX    600   15    24  норма")};
    for (int i = 0; i < 3; ++i)
        QVERIFY2(lines.at(i).contains(expected.at(i)), qPrintable(lines.at(i)));
    QVERIFY(lines.at(2).endsWith(QStringLiteral("06 51")));

    const Run refused = cli({QStringLiteral("version"), QStringLiteral("--trace"),
                             dir.filePath(QStringLiteral("no/such/folder/trace.txt")),
                             QStringLiteral("--port"), sim.path()});
    QCOMPARE(refused.code, 2);
    QVERIFY2(refused.err.contains(QStringLiteral("--trace")), qPrintable(refused.err));
}

// poll --csv writes a row for every record it printed; snapshot writes a COMTRADE pair the
// standard's reader takes; what they cannot do is refused before anything is sent.
void TestCli::recordingsAndSnapshots() {
    SimProcess sim;
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("запись.csv"));
    const QStringList port{QStringLiteral("--port"), sim.path()};
    const Run poll = cli(QStringList{QStringLiteral("poll"), QStringLiteral("--count"),
                                     QStringLiteral("30"), QStringLiteral("--csv"), csv} +
                         port);
    QCOMPARE(poll.code, 0);
    QVERIFY2(poll.out.contains(QStringLiteral("Записано 30 из 30")), qPrintable(poll.out));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count('\n'), 31);

    const Run snapshot =
        cli(QStringList{QStringLiteral("snapshot"), dir.filePath(QStringLiteral("снимок")),
                        QStringLiteral("--view"), QStringLiteral("ABC")} +
            port);
    QCOMPARE(snapshot.code, 0);
    QFile cfg(dir.filePath(QStringLiteral("снимок.cfg"))),
        dat(dir.filePath(QStringLiteral("снимок.dat")));
    QVERIFY(cfg.open(QIODevice::ReadOnly) && dat.open(QIODevice::ReadOnly));
    kliv::test::comtrade::Config c;
    QCOMPARE(kliv::test::comtrade::readConfig(QString::fromLatin1(cfg.readAll()), c), QString());
    QVERIFY(c.station.contains(QStringLiteral("600")));
    QList<kliv::test::comtrade::Row> rows;
    QCOMPARE(kliv::test::comtrade::readData(QString::fromLatin1(dat.readAll()), c, rows),
             QString());
    QCOMPARE(rows.size(), 100);

    for (const QStringList& refused :
         {QStringList{QStringLiteral("poll"), QStringLiteral("--csv")},
          QStringList{QStringLiteral("poll"), QStringLiteral("--csv"), QStringLiteral("-")},
          QStringList{QStringLiteral("poll"), csv},
          QStringList{QStringLiteral("snapshot"), dir.filePath(QStringLiteral("x")),
                      QStringLiteral("--view"), QStringLiteral("none")},
          QStringList{QStringLiteral("snapshot"), dir.filePath(QStringLiteral("no/dir/x"))}})
        QCOMPARE(cli(refused + port).code, 2);
}

// Every command against every option: its own are taken (it gets as far as the port, or
// does its offline work), its --help lists them; any other is refused with exit 2 naming
// the command and the option, before a relay that would answer hears anything.
void TestCli::optionsOfEachCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<bool>("offline");

    const QString settings = writeFile(m_dir, R"({"z_umax_v": 300})");
    const auto in = [this](const char* name) { return m_dir.filePath(QString::fromUtf8(name)); };
    const QList<std::pair<QString, QString>> values = {
        {"port", "/nonexistent/tty"},
        {"serial", "600"},
        {"baud", "9600"},
        {"retries", "1"},
        {"trace", in("t")},
        {"json", {}},
        {"count", "5"},
        {"view", "A"},
        {"csv", in("x.csv")},
        {"stop", {}},
        {"calibration", "1"},
        {"auto-dst", {}},
        {"yes", {}},
        {"out", in("o.json")},
        {"any-serial", {}},
        {"ref", "ua=230"},
        {"template", settings},
        {"from", "100"},
        {"to", "200"},
        {"serials", "600"},
        {"all", in("all")},
    };
    const QString line = QStringLiteral("port serial baud retries trace json ");
    struct Use {
        QString command;
        QStringList args; // what it needs besides the option
        QString own;
        bool offline = false;
    };
    const QString yes = QStringLiteral("--yes");
    const QList<Use> uses = {
        {"ports", {}, "port json", true},
        {"journal", {}, "serial json", true},
        {"version", {}, line},
        {"status", {}, line},
        {"poll", {}, line + "count view csv"},
        {"snapshot", {in("snap")}, line + "view"},
        {"clock-set", {}, line + "stop calibration auto-dst"},
        {"protection-reset", {}, line},
        {"raw", {"15"}, line + "yes"},
        {"config read", {}, line + "out all from to serials"},
        {"config write", {settings, yes}, line + "yes any-serial"},
        {"config diff", {settings}, line},
        {"events", {}, line + "csv"},
        {"accounting", {}, line},
        {"accounting-reset", {yes}, line + "yes"},
        {"rs485-speed", {"9600", yes}, line + "yes"},
        {"calibrate", {"--ref", "ua=230", yes}, line + "ref yes"},
        {"search", {}, line}, // refuses --baud with its own reason
        {"scan", {}, line + "from to serials"},
        {"report", {"--all", in("reports")}, line + "template all from to serials"},
    };
    for (const Use& use : uses)
        for (const auto& [option, value] : values) {
            if (use.command == QLatin1String("search") && option == QLatin1String("baud"))
                continue;
            QStringList args = use.command.split(u' ') + use.args;
            args << QStringLiteral("--") + option;
            if (!value.isEmpty())
                args << value;
            QTest::addRow("%s --%s", qPrintable(use.command), qPrintable(option))
                << use.command << args << option << use.own.split(u' ').contains(option)
                << use.offline;
        }
}

void TestCli::optionsOfEachCommand() {
    QFETCH(QString, command);
    QFETCH(QStringList, args);
    QFETCH(QString, option);
    QFETCH(bool, taken);
    QFETCH(bool, offline);
    static QHash<QString, QString> helps;
    if (!helps.contains(command))
        helps[command] = cli(command.split(u' ') << QStringLiteral("--help")).out;
    const QRegularExpression listed(QStringLiteral("^ +--%1 ").arg(option),
                                    QRegularExpression::MultilineOption);
    QVERIFY2(helps[command].contains(listed) == taken, qPrintable(helps[command]));

    // Taken, it goes no further than a port that is not there; refused, it is told of a
    // relay that would answer.
    const QString log = m_dir.filePath(QStringLiteral("sim.log"));
    if (!m_listening)
        m_listening = std::make_unique<SimProcess>(QStringList{QStringLiteral("--log-file"), log});
    QVERIFY(m_listening->ok());
    if (!offline)
        args << QStringLiteral("--port")
             << (taken ? QStringLiteral("/nonexistent/tty") : m_listening->path());
    const Run r = cli(args);
    QVERIFY2(!r.err.contains(QStringLiteral("QCommandLineParser")), qPrintable(r.err));
    if (taken) {
        QVERIFY2(offline ? r.code == 0
                         : (r.out + r.err).contains(QStringLiteral("Ошибка открытия порта")),
                 qPrintable(r.out + r.err));
        return;
    }
    QCOMPARE(r.code, 2);
    QCOMPARE(r.out, QString());
    QVERIFY2(
        r.err.startsWith(QStringLiteral("%1: неизвестный параметр --%2\n").arg(command, option)),
        qPrintable(r.err));
    QFile heard(log);
    QVERIFY(!heard.open(QIODevice::ReadOnly) || !heard.readAll().contains(" rx "));
}

void TestCli::pollRecordingThatCannotGoOn_data() {
    QTest::addColumn<QString>("sabotage");
    QTest::addColumn<QString>("why");
    QTest::newRow("a full disk") << "/dev/full"
                                 << "No space left on device";
    QTest::newRow("its folder removed") << "folder"
                                        << "удален";
    QTest::newRow("another file moved onto it") << "replace"
                                                << "удален";
}

// A poll with no count runs on until its recording fails: it ends then, with the reason
// and 1, and never says the records were written.
void TestCli::pollRecordingThatCannotGoOn() {
    QFETCH(QString, sabotage);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("записи"));
    QVERIFY(QDir().mkpath(folder));
    const QString csv = sabotage.startsWith(u'/') ? sabotage : folder + QStringLiteral("/x.csv");
    if (sabotage.startsWith(u'/') && !QFileInfo::exists(csv))
        QSKIP("no such device here");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("KLIV_DATA_DIR"), sharedDataDir());
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("KLIV_CLI"), {QStringLiteral("poll"), QStringLiteral("--csv"), csv,
                                               QStringLiteral("--port"), m_sim->path()});
    QVERIFY(p.waitForStarted());
    if (!sabotage.startsWith(u'/')) {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(csv).size() > 0, 10000); // recording
        const QString other = dir.filePath(QStringLiteral("другой.csv"));
        QFile(other).open(QIODevice::WriteOnly);
        const bool done = sabotage == QLatin1String("folder")
                              ? QDir(folder).removeRecursively()
                              : std::rename(QFile::encodeName(other).constData(),
                                            QFile::encodeName(csv).constData()) == 0;
        if (!done) {
            p.kill();
            p.waitForFinished();
            QSKIP("this system keeps an open file from being removed or replaced");
        }
    }
    QVERIFY(p.waitForFinished(20000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains(csv + QStringLiteral(" прервана!")), qPrintable(err));
    QVERIFY2(err.contains(why), qPrintable(err));
    QVERIFY2(!out.contains(QStringLiteral("Записано")), qPrintable(out));
    QVERIFY2(out.trimmed().split(u'\n').last().startsWith(QStringLiteral("Записей: ")),
             qPrintable(out));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
