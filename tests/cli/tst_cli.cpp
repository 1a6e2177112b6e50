// kliv-cli as scripts use it: its exit codes and its output, against the simulated relay.

#include "common/simprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using kliv::test::SimProcess;

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run cli(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("KLIV_CLI"), args);
    p.waitForFinished(20000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

const QString NoReply =
    QStringLiteral("Устройство не отвечает! Повторите попытку или обратитесь к разработчику.");

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

  private:
    std::unique_ptr<SimProcess> m_sim;
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

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
