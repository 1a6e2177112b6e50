// kliv-cli on a line of three simulated relays and two that share a number: the scan finds
// exactly the three and names the shared number on a line of its own, and the files of
// every relay are each relay's own, one failing relay no stop to the others.

#include "common/simprocess.h"
#include "report/package.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using kliv::test::SimProcess;

namespace {

const QStringList Relays = {QStringLiteral("150"), QStringLiteral("600"), QStringLiteral("987")};
const QString Version = QStringLiteral("КЛИВ-1M v3.07");
const QString Shared = QStringLiteral("601"); // two relays answer it at once

struct Run {
    int code = -1;
    QStringList out; // lines
    QString err;
};

// The scan of 900 numbers takes 45 s at 115200 baud.
Run cli(const QStringList& args, const QString& dataDir) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("KLIV_DATA_DIR"), dataDir);
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("KLIV_CLI"), args);
    p.waitForFinished(180000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return {p.exitCode(), out.isEmpty() ? QStringList() : out.split(u'\n'),
            QString::fromUtf8(p.readAllStandardError())};
}

// The texts a report shows, in document order.
QStringList reportTexts(const QString& path) {
    QFile f(path);
    kliv::docx::Package package;
    QString reason;
    if (!f.open(QIODevice::ReadOnly) || !kliv::docx::readPackage(f.readAll(), &package, &reason))
        return {};
    static const QRegularExpression text(QStringLiteral("<w:t(?: [^>]*)?>([^<]*)</w:t>"));
    QStringList out;
    for (const auto& e : package)
        if (e.name == QLatin1String("word/document.xml"))
            for (const auto& m : text.globalMatch(QString::fromUtf8(e.data)))
                out << m.captured(1).trimmed();
    return out;
}

} // namespace

class TestLineCli : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void scanFindsExactlyTheRelays();
    void scanOfAList_data();
    void scanOfAList();
    void refusedBeforeAnythingIsSent_data();
    void refusedBeforeAnythingIsSent();
    void reportsOfEveryRelay();
    void settingsOfEveryRelayPastAFailure();

  private:
    QStringList on(const QStringList& args) const {
        return args + QStringList{QStringLiteral("--port"), m_sim->path()};
    }
    std::unique_ptr<SimProcess> m_sim;
    QTemporaryDir m_dir;
};

void TestLineCli::initTestCase() {
    m_sim = std::make_unique<SimProcess>(
        QStringList{QStringLiteral("--serial"), (Relays + QStringList{Shared, Shared}).join(u','),
                    QStringLiteral("--no-pace")});
    QVERIFY(m_sim->ok());
}

void TestLineCli::scanFindsExactlyTheRelays() {
    const Run r = cli(on({QStringLiteral("scan")}), m_dir.path());
    QCOMPARE(r.code, 0);
    QStringList expected;
    for (const QString& s : Relays)
        expected << s + u'\t' + Version;
    expected << Shared + QStringLiteral("\t—\tответы искажены (1): возможно, у двух реле номер ") +
                    Shared;
    QCOMPARE(r.out, expected);
    QVERIFY(r.err.contains(QStringLiteral("Проверено 800 из 900")));
}

void TestLineCli::scanOfAList_data() {
    QTest::addColumn<QString>("serials");
    QTest::addColumn<int>("code");
    QTest::addColumn<QList<int>>("found");
    QTest::addColumn<QList<int>>("damaged");
    QTest::newRow("two of four") << "149,987,600,601" << 0 << QList<int>{987, 600}
                                 << QList<int>{601};
    QTest::newRow("none") << "151,152" << 1 << QList<int>{} << QList<int>{};
    QTest::newRow("only a shared number") << "602,601" << 1 << QList<int>{} << QList<int>{601};
}

void TestLineCli::scanOfAList() {
    QFETCH(QString, serials);
    QFETCH(int, code);
    QFETCH(QList<int>, found);
    QFETCH(QList<int>, damaged);
    const Run r = cli(on({QStringLiteral("scan"), QStringLiteral("--json"),
                          QStringLiteral("--serials"), serials}),
                      m_dir.path());
    QCOMPARE(r.code, code);
    QList<int> got, gotDamaged;
    for (const QString& line : r.out) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        if (o.contains(QStringLiteral("error")))
            continue;
        if (o.contains(QStringLiteral("damaged"))) {
            QVERIFY(o.value(QStringLiteral("damaged")).toInt() > 0);
            gotDamaged << o.value(QStringLiteral("serial")).toInt();
            continue;
        }
        QCOMPARE(o.value(QStringLiteral("probed")).toInt(),
                 o.value(QStringLiteral("serial")).toInt());
        QCOMPARE(o.value(QStringLiteral("version")).toString(), Version);
        got << o.value(QStringLiteral("serial")).toInt();
    }
    QCOMPARE(got, found);
    QCOMPARE(gotDamaged, damaged);
}

void TestLineCli::refusedBeforeAnythingIsSent_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("why");
    const auto l = [](const char* text) { return QString::fromUtf8(text).split(u' '); };
    QTest::newRow("letter") << l("scan --serials 600,6o1") << "«6o1»";
    QTest::newRow("twice") << l("scan --serials 600,600") << "указан дважды";
    QTest::newRow("reversed") << l("scan --from 700 --to 600") << "больше конечного";
    QTest::newRow("beyond") << l("scan --to 65536") << "от 100 до 65535";
    QTest::newRow("both forms") << l("scan --serials 600 --from 100") << "не указываются вместе";
    QTest::newRow("report with a file") << l("report x.docx --all d") << "report --all DIR";
    QTest::newRow("settings with --out") << l("config read --out f --all d") << "--out и --all";
}

void TestLineCli::refusedBeforeAnythingIsSent() {
    QFETCH(QStringList, args);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const Run r =
        cli(args + QStringList{QStringLiteral("--port"), QStringLiteral("/dev/null")}, dir.path());
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(why), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

// Each relay's report holds its own number and its own events; after a scan only the
// relays found are read.
void TestLineCli::reportsOfEveryRelay() {
    const QString dir = m_dir.filePath(QStringLiteral("reports"));
    const Run r = cli(on({QStringLiteral("report"), QStringLiteral("--all"), dir,
                          QStringLiteral("--serials"), Relays.join(u',')}),
                      m_dir.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.size(), 4);
    QCOMPARE(r.out.last(), QStringLiteral("Сохранено файлов: 3 из 3."));
    QList<QStringList> texts;
    for (const QString& serial : Relays) {
        texts << reportTexts(dir + u'/' + serial + QStringLiteral(".docx"));
        QVERIFY(texts.last().contains(serial));
        QVERIFY(texts.last().size() > 100);
    }
    // Beyond the number, the events (their dates and values) set each report apart.
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b) {
            QStringList ta = texts.at(a), tb = texts.at(b);
            ta.removeAll(Relays.at(a));
            tb.removeAll(Relays.at(b));
            QVERIFY(ta != tb);
        }
    const Run events150 =
        cli(on({QStringLiteral("events"), QStringLiteral("--csv"), QStringLiteral("--serial"),
                QStringLiteral("150"), QStringLiteral("--baud"), QStringLiteral("115200")}),
            m_dir.path());
    const Run events600 = cli(on({QStringLiteral("events"), QStringLiteral("--csv"),
                                  QStringLiteral("--serial"), QStringLiteral("600")}),
                              m_dir.path());
    QCOMPARE(events150.code, 0);
    QVERIFY(events150.out.mid(2) != events600.out.mid(2));

    const QString scanned = m_dir.filePath(QStringLiteral("scanned"));
    const Run one = cli(
        on({QStringLiteral("report"), QStringLiteral("--all"), scanned, QStringLiteral("--from"),
            QStringLiteral("590"), QStringLiteral("--to"), QStringLiteral("610")}),
        m_dir.path());
    QCOMPARE(one.code, 0);
    QCOMPARE(QDir(scanned).entryList(QDir::Files), QStringList{QStringLiteral("600.docx")});
}

void TestLineCli::settingsOfEveryRelayPastAFailure() {
    const SimProcess sim({QStringLiteral("--serial"), Relays.join(u','),
                          QStringLiteral("--no-pace"), QStringLiteral("--fault"),
                          QStringLiteral("drop:serial=600:kind=2")});
    QVERIFY(sim.ok());
    const QString dir = m_dir.filePath(QStringLiteral("settings"));
    const Run r =
        cli({QStringLiteral("config"), QStringLiteral("read"), QStringLiteral("--all"), dir,
             QStringLiteral("--serials"), Relays.join(u','), QStringLiteral("--retries"),
             QStringLiteral("0"), QStringLiteral("--port"), sim.path()},
            m_dir.path());
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out.size(), 4);
    // The paths as the user's system writes them.
    QVERIFY(r.out.at(0).endsWith(QDir::toNativeSeparators(dir + QStringLiteral("/150.json"))));
    QVERIFY(r.out.at(1).startsWith(QStringLiteral("№ 600: Устройство не отвечает!")));
    QVERIFY(r.out.at(2).endsWith(QDir::toNativeSeparators(dir + QStringLiteral("/987.json"))));
    QCOMPARE(r.out.at(3), QStringLiteral("Сохранено файлов: 2 из 3."));
    QCOMPARE(QDir(dir).entryList(QDir::Files),
             (QStringList{QStringLiteral("150.json"), QStringLiteral("987.json")}));
    QSet<int> addresses;
    for (const QString& serial : {QStringLiteral("150"), QStringLiteral("987")}) {
        QFile f(dir + u'/' + serial + QStringLiteral(".json"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
        const QJsonObject header = o.value(QStringLiteral("header")).toObject();
        QCOMPARE(header.value(QStringLiteral("serial")), QJsonValue(serial.toInt()));
        QVERIFY(
            header.value(QStringLiteral("firmware")).toString().startsWith(QStringLiteral("КЛИВ")));
        addresses.insert(o.value(QStringLiteral("sp_uaddr")).toInt());
    }
    QCOMPARE(addresses.size(), 2);
}

QTEST_GUILESS_MAIN(TestLineCli)
#include "tst_linecli.moc"
