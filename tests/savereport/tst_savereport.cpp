// "Сохранить протокол" in the main window, on a line without a device: the three reads
// fill their pages, then the report is saved, or the reason it is not is shown.

#include "app/mainwindow.h"
#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "eventlog/eventlogpage.h"
#include "eventlog/reportsaver.h"
#include "link/engine.h"
#include "model/configschema.h"
#include "protocol/eventlog.h"
#include "protocol/frame.h"
#include "texts/messages.h"
#include "widgets/spinedit.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace kliv;

namespace {

QByteArray reply(quint8 kind, const QByteArray& payload) {
    return frame::build(600, kind, payload);
}

// One valid event in block 0, every other slot erased.
QByteArray block(int index) {
    std::array<QByteArray, eventlog::RecordsPerBlock> records{};
    if (index == 0) {
        EventRecord r;
        r.day = 1;
        r.month = 3;
        r.year = 27;
        r.hours = 8;
        r.state = 0x81;
        r.ua = 380;
        records[0] = eventlog::encodeRecord(r);
    }
    return eventlog::encodeBlock(index, records);
}

struct Tool {
    test::FakePort* port = new test::FakePort;
    Engine engine{port};
    test::RecordingPrompt prompt;
    MainWindow window{engine, prompt};
    QTemporaryDir dir;
    QString chosen;

    Tool() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        window.setPortLister([] { return QStringList{QStringLiteral("/dev/fake")}; });
        window.setPorts({QStringLiteral("/dev/fake")});
        window.reportSaver()->setTemplatePath(QStringLiteral(KLIV_TEMPLATE_DOCX));
        window.reportSaver()->setSaveFileAsker(
            [this](const QString& name) { return chosen.isNull() ? dir.filePath(name) : chosen; });
    }
    // Presses the button and answers the three reads.
    void saveReport() {
        window.findChild<QPushButton*>(QStringLiteral("btn_save_prot"))->click();
        Configuration c;
        c.z_umax_v = 400;
        port->push(reply(KindConfigRead, config::encode(c)));
        QByteArray acc(19, '\0');
        acc[5] = 7; // seven switch-ons
        port->push(reply(KindAccountingRead, acc));
        for (int b = 0; b < 10; ++b)
            port->push(reply(KindEventRecord, block(b)));
    }
    QString text(const char* name) const {
        return window.findChild<QLabel*>(QLatin1String(name))->text();
    }
};

} // namespace

class TestSaveReport : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void savedWhereTheUserSays();
    void templateMissingAfterTheReads();
    void cancelledSaveWritesNothing();
    void failedSaveIsNeverReportedAsSaved();
};

void TestSaveReport::savedWhereTheUserSays() {
    Tool t;
    t.saveReport();
    QCOMPARE(t.prompt.lastText(), msg::reportSaved().text);
    QCOMPARE(t.prompt.shown.size(), 1);
    const QString file =
        t.dir.filePath(QStringLiteral("КЛИВ_№600_%1.docx")
                           .arg(QDate::currentDate().toString(QStringLiteral("ddMM_yy"))));
    QVERIFY(QFileInfo::exists(file));
    QCOMPARE(t.window.findChild<QProgressBar*>(QStringLiteral("pb_prot"))->value(), 10);
    QVERIFY(!t.port->isOpen());
}

// The reads still refresh the pages; only then is the missing template reported.
void TestSaveReport::templateMissingAfterTheReads() {
    Tool t;
    t.window.reportSaver()->setTemplatePath(t.dir.filePath(QStringLiteral("none.docx")));
    t.saveReport();
    QCOMPARE(t.prompt.lastText(), msg::templateMissing().text);
    QCOMPARE(t.prompt.shown.last().message.caption, QStringLiteral(" Вартон Ltd"));
    QCOMPARE(t.text("st_kvdv"), QStringLiteral("7"));
    QCOMPARE(t.window.findChild<SpinEdit*>(QStringLiteral("z_umax_v"))->value(), 400);
    QCOMPARE(t.window.eventLogPage()->eventRows().size(), 1);
    QCOMPARE(QDir(t.dir.path()).entryList(QDir::Files).size(), 0);
}

void TestSaveReport::cancelledSaveWritesNothing() {
    Tool t;
    t.chosen = QStringLiteral("");
    t.saveReport();
    QVERIFY(t.prompt.shown.isEmpty());
    QCOMPARE(QDir(t.dir.path()).entryList(QDir::Files).size(), 0);
}

void TestSaveReport::failedSaveIsNeverReportedAsSaved() {
    Tool t;
    t.chosen = t.dir.filePath(QStringLiteral("missing/folder/report.docx"));
    t.saveReport();
    QCOMPARE(t.prompt.shown.size(), 1);
    QCOMPARE(t.prompt.lastText(), QStringLiteral("Протокол не сохранен!"));
    QVERIFY(!t.prompt.shown.last().detail.isEmpty());
    t.chosen = QString();
    t.saveReport(); // nothing stays open or locked: the next report works
    QCOMPARE(t.prompt.lastText(), msg::reportSaved().text);
}

QTEST_MAIN(TestSaveReport)
#include "tst_savereport.moc"
