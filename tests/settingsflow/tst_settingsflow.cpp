// The settings round of a service visit against the simulated relay: save, edit, open,
// compare (the page and kliv-cli agree), write, the journal line, and undo.

#include "common/recordingprompt.h"
#include "common/simprocess.h"
#include "config/configpage.h"
#include "config/settingsfilegroup.h"
#include "history/changejournal.h"
#include "link/engine.h"
#include "link/serialport.h"
#include "protocol/configuration.h"
#include "texts/settingsmessages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
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
    for (int i = 0; i < r.offered.size(); ++i) {
        const QJsonObject d = before.differences.at(i).toObject();
        QCOMPARE(d.value(QStringLiteral("key")).toString(), r.offered.at(i).key);
        QCOMPARE(d.value(QStringLiteral("file")).toString(), r.offered.at(i).sent);
        QCOMPARE(d.value(QStringLiteral("relay")).toString(), r.offered.at(i).read);
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

QTEST_MAIN(TestSettingsFlow)
#include "tst_settingsflow.moc"
