// The settings round of a service visit against the simulated relay: save, edit, open,
// compare (the page and kliv-cli agree), write, the journal line, and undo.

#include "common/recordingprompt.h"
#include "common/simprocess.h"
#include "config/configpage.h"
#include "config/settingsfilegroup.h"
#include "history/changejournal.h"
#include "link/engine.h"
#include "link/serialport.h"
#include "model/configschema.h"
#include "texts/configtexts.h"
#include "texts/settingsmessages.h"
#include "widgets/prompt.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kliv;
using kliv::test::SimProcess;

namespace {

struct Rig {
    QTemporaryDir data;
    Engine engine{new SerialPort};
    test::RecordingPrompt prompt;
    std::unique_ptr<ConfigPage> page;
    QList<config::FieldDifference> offered;

    explicit Rig(const QString& path) {
        qputenv("KLIV_DATA_DIR", data.path().toUtf8()); // kliv-cli inherits it
        QLocale::setDefault(QLocale::c());
        engine.setPortName(path);
        page = std::make_unique<ConfigPage>(engine, prompt);
        page->settingsFiles().setDifferenceChooser([this](const QList<config::FieldDifference>& d) {
            offered = d;
            return QStringList();
        });
    }
    // Clicks a button and waits for the job it starts to end; true when it succeeded.
    bool run(const char* button, QList<bool> answers = {}) {
        prompt.answers = answers;
        QSignalSpy ended(&engine, &Engine::jobEnded);
        QSignalSpy failed(&engine, &Engine::jobFailed);
        page->findChild<QPushButton*>(QLatin1String(button))->click();
        if (ended.isEmpty() && !ended.wait(8000))
            return false;
        return failed.isEmpty();
    }
    Configuration shown() { return *page->configuration(); }
};

struct CliDiff {
    int code = -1;
    QJsonArray differences;
};

CliDiff cliDiff(const QString& port, const QString& file) {
    QProcess p;
    p.start(qEnvironmentVariable("KLIV_CLI"),
            {QStringLiteral("config"), QStringLiteral("diff"), file, QStringLiteral("--json"),
             QStringLiteral("--port"), port});
    p.waitForFinished(20000);
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    return {p.exitCode(), o.value(QStringLiteral("differences")).toArray()};
}

} // namespace

class TestSettingsFlow : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void serviceVisit();
    void fileTextsInABoxThatFits_data();
    void fileTextsInABoxThatFits();
};

void TestSettingsFlow::serviceVisit() {
    SimProcess sim;
    QVERIFY2(sim.ok(), "simulator did not start");
    Rig r(sim.path());
    QTemporaryDir dir;
    const QString held = dir.filePath(QStringLiteral("held.json"));
    const QString planned = dir.filePath(QStringLiteral("planned.json"));

    QVERIFY(r.run("btn_read_konf"));
    const Configuration original = r.shown();
    QVERIFY(r.page->settingsFiles().saveSettings(held));

    Configuration edited = original;
    edited.z_umax_v = 300;
    edited.st_zumax_t = 55;
    edited.oust_text = QStringLiteral("Линия 2");
    r.page->setConfiguration(edited);
    QVERIFY(r.page->settingsFiles().saveSettings(planned));
    QVERIFY(r.page->settingsFiles().openSettings(held));
    QCOMPARE(r.shown(), original);
    QVERIFY(r.page->settingsFiles().openSettings(planned));
    QCOMPARE(r.shown(), edited);

    // The page's comparison and kliv-cli's name the same fields with the same values.
    QVERIFY(r.run("btn_compare"));
    QCOMPARE(r.offered.size(), 3);
    QCOMPARE(r.shown(), edited); // nothing taken
    const CliDiff before = cliDiff(sim.path(), planned);
    QCOMPARE(before.code, 1);
    QCOMPARE(before.differences.size(), r.offered.size());
    const NumberLocale loc = NumberLocale::system();
    for (int i = 0; i < r.offered.size(); ++i) {
        const QJsonObject d = before.differences.at(i).toObject();
        const config::FieldDifference& offered = r.offered.at(i);
        QCOMPARE(d.value(QStringLiteral("key")).toString(), offered.key);
        QCOMPARE(d.value(QStringLiteral("file")).toString(),
                 config::valueText(offered, offered.sent, loc));
        QCOMPARE(d.value(QStringLiteral("relay")).toString(),
                 config::valueText(offered, offered.read, loc));
    }

    QVERIFY(r.run("btn_write_konf", {true}));
    QCOMPARE(r.prompt.shown.at(r.prompt.shown.size() - 2).message, msg::configWritten());
    QCOMPARE(cliDiff(sim.path(), planned).code, 0);
    const changes::ChangeRecord written = r.page->settingsFiles().journal().read().records.last();
    QCOMPARE(written.job, QStringLiteral("config-write"));
    QCOMPARE(written.outcome, QStringLiteral("done"));
    QCOMPARE(written.port, sim.path());
    QCOMPARE(config::decode(written.before).z_umax_v, original.z_umax_v);
    QCOMPARE(config::decode(written.after).z_umax_v, 300);

    QVERIFY(r.run("btn_undo_write", {true}));
    QCOMPARE(cliDiff(sim.path(), held).code, 0);
    QVERIFY(r.run("btn_read_konf"));
    QCOMPARE(r.shown(), original);
    QCOMPARE(r.page->settingsFiles().journal().read().records.size(), 2);
}

void TestSettingsFlow::fileTextsInABoxThatFits_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("literal"); // what the box shows as it stands
    QTest::addColumn<QString>("more");        // the count of lines left out
    QTest::newRow("markup in keys")
        << QByteArray(R"({"<h1>Записано в реле</h1>": 1, "a&amp;b": 2})")
        << QStringList{QStringLiteral("<h1>Записано в реле</h1>: неизвестный ключ"),
                       QStringLiteral("a&amp;b: неизвестный ключ")}
        << QString();
    QByteArray many = "{";
    for (int i = 0; i < 60000; ++i)
        many += "\"k" + QByteArray::number(i) + "\":0,";
    many.back() = '}';
    QTest::newRow("60 000 unknown keys")
        << many << QStringList{QStringLiteral("k0: неизвестный ключ")}
        << QStringLiteral("… и ещё ");
    const QByteArray longKey(900000, 'W');
    QTest::newRow("one key of 900 000 letters") << QByteArray("{\"" + longKey + "\": 1}")
                                                << QStringList{QStringLiteral("WWWW")} << QString();
}

// What a settings file holds is shown as it stands, never as markup, in a box whose
// button stays on the screen however many problems the file has.
void TestSettingsFlow::fileTextsInABoxThatFits() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, literal);
    QFETCH(QString, more);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.json"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    f.close();
    Rig r(QStringLiteral("/dev/null"));
    QVERIFY(!r.page->settingsFiles().openSettings(path));
    QCOMPARE(r.prompt.shown.size(), 1);
    const test::RecordingPrompt::Shown& shown = r.prompt.shown.last();
    QCOMPARE(shown.message, msg::settingsNotOpened(QDir::toNativeSeparators(path)));

    const std::unique_ptr<QMessageBox> box = BoxPrompt::box(shown.message, shown.detail);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    QString texts;
    for (const QLabel* label : box->findChildren<QLabel*>()) {
        QCOMPARE(label->textFormat(), Qt::PlainText);
        texts += label->text() + u'\n';
    }
    for (const QString& l : literal)
        QVERIFY2(texts.contains(l), qPrintable(texts.left(300)));
    QCOMPARE(texts.contains(QStringLiteral("… и ещё ")), !more.isEmpty());
    const QRect screen = box->screen()->availableGeometry();
    QVERIFY2(box->frameGeometry().height() <= screen.height(),
             qPrintable(QString::number(box->frameGeometry().height())));
    QVERIFY(box->width() <= screen.width());
    QVERIFY(box->button(QMessageBox::Ok)->isVisible());
}

QTEST_MAIN(TestSettingsFlow)
#include "tst_settingsflow.moc"
