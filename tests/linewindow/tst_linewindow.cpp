// The whole tool on a line of three simulated relays among 100..999 and two that share a
// number: "Реле на линии" finds exactly the three with their versions and names the shared
// number on a row of its own, the overview keeps their rows going and marks
// only the one that falls silent, a chosen row becomes the pages' relay, and the reports
// of every relay are each relay's own.

#include "app/mainwindow.h"
#include "common/recordingprompt.h"
#include "common/simprocess.h"
#include "diag/diagpage.h"
#include "line/linewindow.h"
#include "line/overviewwindow.h"
#include "link/engine.h"
#include "link/jobs/overviewjob.h"
#include "link/serialport.h"
#include "texts/linetexts.h"
#include "widgets/spinedit.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace kliv;

namespace {

const QList<int> Relays = {150, 600, 987};
const int Shared = 601; // two relays answer it at once
// 600 answers three live status requests, then no more.
const QString Silenced = QStringLiteral("drop:serial=600:kind=1:from=4");

} // namespace

class TestLineWindow : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void scanListsExactlyTheRelays();
    void overviewMarksOnlyTheSilentRelay();
    void screenshots();
    void reportsOfEveryRelay();
    void chosenRowBecomesThePagesRelay();

  private:
    LineWindow& line() { return m_form1->lineWindow(); }
    OverviewWindow& overview() { return line().overview(); }

    std::unique_ptr<test::SimProcess> m_sim;
    std::unique_ptr<Engine> m_engine;
    test::RecordingPrompt m_prompt;
    std::unique_ptr<MainWindow> m_form1;
    QTemporaryDir m_dir;
};

void TestLineWindow::initTestCase() {
    m_sim = std::make_unique<test::SimProcess>(QStringList{QStringLiteral("--serial"),
                                                           QStringLiteral("150,600,987,601,601"),
                                                           QStringLiteral("--fault"), Silenced});
    QVERIFY(m_sim->ok());
    m_engine = std::make_unique<Engine>(new SerialPort);
    m_form1 = std::make_unique<MainWindow>(*m_engine, m_prompt);
    m_form1->setPorts({m_sim->path()}, true); // named, as with --port: the port watch keeps it
    line().setTemplatePath(QStringLiteral(KLIV_TEMPLATE_DOCX));
    line().setFolderAsker([this] { return m_dir.path(); });
    m_form1->show();
}

void TestLineWindow::scanListsExactlyTheRelays() {
    m_form1->findChild<QAbstractButton*>(QStringLiteral("btnLine"))->click();
    QVERIFY(line().isVisible());
    QCOMPARE(line().fromField()->value(), 100);
    QCOMPARE(line().toField()->value(), 999);
    line().scanButton()->click();
    QVERIFY(line().scan());
    QCOMPARE(line().progress()->maximum(), 900);
    QVERIFY(line().status()->text().startsWith(QStringLiteral("Проверено 1 из 900")));
    QTRY_VERIFY_WITH_TIMEOUT(!line().scan(), 180000);

    QCOMPARE(line().listed(), Relays);
    QTableWidget* table = line().relays();
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(table->item(row, 0)->text(), QString::number(Relays.at(row)));
        QCOMPARE(table->item(row, 1)->text(), QStringLiteral("КЛИВ-1M v3.07"));
        QCOMPARE(table->item(row, 2)->text(), QString());
    }
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->item(3, 0)->text(), QString::number(Shared));
    QCOMPARE(table->item(3, 2)->text(), msg::damagedNote({Shared, 1}));
    QCOMPARE(line().progress()->value(), 900);
    QCOMPARE(line().status()->text(), msg::scanFinished(3, false, 1));
    QVERIFY(line().overviewButton()->isEnabled());
    QVERIFY(m_prompt.shown.isEmpty());
}

// The others' rows go on updating after 600 has fallen silent; only its row is marked.
void TestLineWindow::overviewMarksOnlyTheSilentRelay() {
    line().overviewButton()->click();
    QVERIFY(overview().isVisible());
    QCOMPARE(overview().table()->rowCount(), 3);
    const auto row = [this](int i) { return overview().rows().rows().at(i); };
    QTRY_VERIFY_WITH_TIMEOUT(row(1).silent, 30000);
    const qint64 silentSince = row(0).lastGoodMs;
    QTRY_VERIFY_WITH_TIMEOUT(row(0).lastGoodMs > silentSince && row(2).lastGoodMs > silentSince,
                             30000);
    for (int i : {0, 2}) {
        QVERIFY(!row(i).silent);
        QCOMPARE(row(i).losses, 0);
        QCOMPARE(overview().table()->item(i, OverviewRows::Link)->text(), QString());
        QVERIFY(row(i).last->ua > 300);
    }
    QVERIFY(row(1).silent);
    QVERIFY(row(1).losses >= 1);
    QVERIFY(row(1).repeats >= 2);
    QCOMPARE(overview().table()->item(1, OverviewRows::Link)->text(), msg::silentMark());
    // Each relay shows its own motor.
    QVERIFY(row(0).last->ia != row(2).last->ia);
    QVERIFY(overview().job()->running());
}

void TestLineWindow::screenshots() {
    const QString dir = qEnvironmentVariable("KLIV_SCREENSHOTS");
    if (dir.isEmpty())
        QSKIP("set KLIV_SCREENSHOTS=<dir> to write the window images");
    QDir().mkpath(dir);
    overview().onAgeTick();
    QVERIFY(line().grab().save(dir + QStringLiteral("/scan.png")));
    QVERIFY(overview().grab().save(dir + QStringLiteral("/overview.png")));
}

void TestLineWindow::reportsOfEveryRelay() {
    overview().reject();
    QVERIFY(!m_engine->pollRunning());
    line().saveAllButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompt.shown.size(), 1, 60000);
    QCOMPARE(m_prompt.lastText(), msg::batchSummary(3, 3).text);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("150.docx"), QStringLiteral("600.docx"),
                          QStringLiteral("987.docx")}));
    QVERIFY(m_prompt.shown.last().detail.contains(QStringLiteral("№ 987: ")));
}

// 150 ships at 14400 baud, so taking its number presets that speed; the line's own,
// where it answered, must win.
void TestLineWindow::chosenRowBecomesThePagesRelay() {
    line().overviewButton()->click();
    overview().table()->selectRow(0);
    overview().chooseButton()->click();
    QVERIFY(!overview().isVisible());
    QVERIFY(!line().isVisible());
    QVERIFY(!m_engine->pollRunning());
    QCOMPARE(m_form1->diagnosticsPage()->serialField()->value(), 150);
    QCOMPARE(m_engine->serial(), 150);
    QCOMPARE(m_engine->speedIndex(), 10);
}

QTEST_MAIN(TestLineWindow)
#include "tst_linewindow.moc"
