// The protocol report: its rows, its file name, the save-protocol job's steps, and a
// report produced from the simulated relay and read back, by us and by a word processor.

#include "common/fakeport.h"
#include "common/silentrelay.h"
#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/accountingreadjob.h"
#include "link/jobs/saveprotocoljob.h"
#include "link/serialport.h"
#include "protocol/frame.h"
#include "report/document.h"
#include "report/package.h"
#include "report/protocolreport.h"
#include "texts/accountingtexts.h"
#include "texts/eventtexts.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <pugixml.hpp>

using namespace kliv;

namespace {

const NumberLocale Comma{QLatin1Char(','), QChar(0x00A0)};

QByteArray reply(quint8 kind, const QByteArray& payload) {
    return frame::build(600, kind, payload);
}

// The texts of a .docx's paragraphs, one string a paragraph, in document order.
QStringList paragraphs(const QByteArray& docx) {
    docx::Package package;
    QString reason;
    if (!docx::readPackage(docx, &package, &reason))
        return {};
    QByteArray xml;
    for (const docx::PackageEntry& e : package)
        if (e.name == QLatin1String("word/document.xml"))
            xml = e.data;
    pugi::xml_document doc;
    doc.load_buffer(xml.constData(), size_t(xml.size()));
    QStringList out;
    for (const pugi::xpath_node& p : doc.select_nodes("//w:p")) {
        QString text;
        for (const pugi::xpath_node& t : p.node().select_nodes(".//w:t"))
            text += QString::fromUtf8(t.node().text().get());
        out.append(text);
    }
    return out;
}

EventTexts eventRow(const QString& time, bool relayOn, bool equipmentOn, const QString& name) {
    return {time,
            relayOn ? QStringLiteral("Вкл.") : QStringLiteral("Выкл."),
            equipmentOn ? QStringLiteral("Вкл.") : QStringLiteral("Выкл."),
            name,
            QStringLiteral("380"),
            QStringLiteral("381"),
            QStringLiteral("382"),
            QStringLiteral("12,3"),
            QStringLiteral("12,4"),
            QStringLiteral("12,5"),
            QStringLiteral("0,1"),
            QStringLiteral("0,85")};
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void proposedName_data();
    void proposedName();
    void settingsRowsOfTheDefaults();
    void filledTemplateReadsBack();
    void emptyLogSaysSo();
    void versionAfterTheProgram_data();
    void versionAfterTheProgram();
    void saveProtocolJobSteps();
    void timeoutInTheAccountingStepEndsTheJob();
    void reportFromTheSimulatedRelayOpensInAWordProcessor();
};

void TestReport::proposedName_data() {
    QTest::addColumn<int>("serial");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("name");
    QTest::newRow("77 on 1 March 2027") << 77 << QDate(2027, 3, 1) << "КЛИВ_№77_0103_27.docx";
    QTest::newRow("1234 on 6 December 2026")
        << 1234 << QDate(2026, 12, 6) << "КЛИВ_№1234_0612_26.docx";
}

void TestReport::proposedName() {
    QFETCH(int, serial);
    QFETCH(QDate, day);
    QFETCH(QString, name);
    QCOMPARE(report::proposedFileName(serial, day), name);
}

void TestReport::settingsRowsOfTheDefaults() {
    Configuration c;
    c.z_umax_ok = true;
    c.cb_rs485 = 11; // what no list holds: shown as the page shows it
    const QList<ReportRow> rows = report::settingsRows(c, Comma);
    QCOMPARE(rows.size(), 44);
    QCOMPARE(rows[0].label, QStringLiteral("Установки контроля и параметров защит:"));
    QVERIFY(rows[0].value.isEmpty());
    QCOMPARE(rows[4].value, QStringLiteral("10,0"));
    QCOMPARE(rows[5].value, QStringLiteral("ДА"));
    QCOMPARE(rows[2].value, QStringLiteral("НЕТ"));
    QCOMPARE(rows[18].value, QStringLiteral("15,0"));
    QCOMPARE(rows[23].label, QStringLiteral("    -  Утечка тока на \"землю\" (Iут)"));
    QCOMPARE(rows[27].value, QStringLiteral("500"));
    QCOMPARE(rows[28].value, QStringLiteral("A/B/C"));
    QVERIFY(rows[30].value.isEmpty());
    QCOMPARE(rows[37].value, QStringLiteral("5000"));
    QCOMPARE(rows[39].value, QStringLiteral("  9600"));
    QCOMPARE(rows[43].label, QStringLiteral("    -  Время окончания сообщения Te, мС:"));
    QCOMPARE(rows[43].value, QStringLiteral("3"));
}

// The values land in the template's tables in order: two blanks around the serial
// number, a check mark for "Вкл.", exactly the events given, 44 and 5 rows.
void TestReport::filledTemplateReadsBack() {
    ReportData data;
    data.serial = 77;
    data.events = {
        eventRow(QStringLiteral("01.03.27  08:00:00:0"), true, true, {}),
        eventRow(QStringLiteral("01.03.27  08:10:00:1"), true, false, QStringLiteral("Перегруз"))};
    data.accounting = {QStringLiteral("05.03.2009г/14:22:07"), QStringLiteral("00001:02:05"),
                       QStringLiteral("12"), QStringLiteral("3"), QStringLiteral("000123,4")};
    QList<int> marks;
    QString error;
    auto doc = report::build(
        QStringLiteral(KLIV_TEMPLATE_DOCX), data, Comma, [&marks](int v) { marks.append(v); },
        &error);
    QVERIFY2(doc, qPrintable(error));
    QCOMPARE(marks, (QList<int>{1, 2, 3, 5, 6, 7, 8, 9, 10}));
    const QStringList p = paragraphs(doc->toBytes());
    const QString all = p.join(QLatin1Char('|'));
    QVERIFY(all.contains(QStringLiteral("№  77  ")));
    const auto first = p.indexOf(QStringLiteral("01.03.27  08:00:00:0"));
    QVERIFY(first > 0);
    QCOMPARE(p.mid(first, 13), (QStringList{QStringLiteral("01.03.27  08:00:00:0"),
                                            QStringLiteral("✓"),
                                            QStringLiteral("✓"),
                                            {},
                                            QStringLiteral("380"),
                                            QStringLiteral("381"),
                                            QStringLiteral("382"),
                                            QStringLiteral("12,3"),
                                            QStringLiteral("12,4"),
                                            QStringLiteral("12,5"),
                                            QStringLiteral("0,1"),
                                            QStringLiteral("0,85"),
                                            QStringLiteral("01.03.27  08:10:00:1")}));
    QCOMPARE(p.mid(first + 12, 4), (QStringList{QStringLiteral("01.03.27  08:10:00:1"),
                                                QStringLiteral("✓"),
                                                {},
                                                QStringLiteral("Перегруз")}));
    // No row follows the last event: the settings heading comes next.
    QCOMPARE(p.at(first + 24), QStringLiteral("Установки"));
    for (const ReportRow& r : report::settingsRows(Configuration{}, Comma))
        QVERIFY2(p.contains(r.label), qPrintable(r.label));
    const auto acc = p.indexOf(QStringLiteral("Начало учета (дата/время):"));
    QCOMPARE(
        p.mid(acc, 10),
        (QStringList{
            QStringLiteral("Начало учета (дата/время):"), QStringLiteral("05.03.2009г/14:22:07"),
            QStringLiteral("Наработка оборудования (ч:м:с):"), QStringLiteral("00001:02:05"),
            QStringLiteral("Количество включений:"), QStringLiteral("12"),
            QStringLiteral("Количество сработанных защит:"), QStringLiteral("3"),
            QStringLiteral("Потребленная активная энергия, кВтч:"), QStringLiteral("000123,4")}));
}

void TestReport::emptyLogSaysSo() {
    QString error;
    auto doc = report::build(QStringLiteral(KLIV_TEMPLATE_DOCX), {}, Comma, {}, &error);
    QVERIFY2(doc, qPrintable(error));
    QVERIFY(paragraphs(doc->toBytes()).contains(report::NoEvents));
}

// The lead paragraph names the program's version where the template has the place for
// it; a template made before that place existed still gives a report.
void TestReport::versionAfterTheProgram_data() {
    QTest::addColumn<bool>("place");
    QTest::addColumn<QString>("lead");
    const QString program = QStringLiteral(
        "Реле защиты и управления электродвигателем. Данные считаны с реле сервисной программой");
    QTest::newRow("template with the place") << true << program + report::versionText() + u'.';
    QTest::newRow("template without it") << false << program + u'.';
}

void TestReport::versionAfterTheProgram() {
    QFETCH(bool, place);
    QFETCH(QString, lead);
    QCOMPARE(report::versionText(), QStringLiteral(" v") + QStringLiteral(KLIV_PROJECT_VERSION));

    QString templatePath = QStringLiteral(KLIV_TEMPLATE_DOCX);
    QTemporaryDir dir;
    if (!place) {
        QFile f(templatePath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        docx::Package package;
        QString reason;
        QVERIFY(docx::readPackage(f.readAll(), &package, &reason));
        for (docx::PackageEntry& e : package)
            if (e.name == QLatin1String("word/document.xml")) {
                static const QRegularExpression bookmark(
                    QStringLiteral("<w:bookmark(Start|End) w:id=\"4\"[^>]*/>"));
                const QString xml = QString::fromUtf8(e.data);
                QVERIFY(xml.contains(bookmark));
                e.data = QString(xml).remove(bookmark).toUtf8();
            }
        templatePath = dir.filePath(QStringLiteral("old.docx"));
        QFile out(templatePath);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(docx::writePackage(package, &reason));
    }
    QString error;
    auto doc = report::build(templatePath, {}, Comma, {}, &error);
    QVERIFY2(doc, qPrintable(error));
    QCOMPARE(paragraphs(doc->toBytes()).value(1), lead);
}

// Configuration, accounting record, then the ten blocks, on one open line.
void TestReport::saveProtocolJobSteps() {
    auto* port = new test::FakePort;
    Engine engine(port);
    engine.setPortName(QStringLiteral("/dev/fake"));
    auto* job = new SaveProtocolJob;
    QSignalSpy config(job, &SaveProtocolJob::configurationRead);
    QSignalSpy progress(job, &SaveProtocolJob::eventsProgress);
    QSignalSpy done(job, &Job::succeeded);
    engine.start(job);
    QCOMPARE(frame::kindOf(port->written.last()), quint8(KindConfigRead));
    QCOMPARE(int(job->step()), 20);
    port->push(reply(KindConfigRead, config::encode(Configuration{})));
    QCOMPARE(config.count(), 1);
    QCOMPARE(int(job->step()), 21);
    QCOMPARE(frame::kindOf(port->written.last()), quint8(KindAccountingRead));
    port->push(reply(KindAccountingRead, QByteArray(19, '\0')));
    QCOMPARE(int(job->step()), 22);
    for (int b = 0; b < 10; ++b) {
        QCOMPARE(port->written.last(), frame::build(600, KindEventRecord, QByteArray(1, char(b))));
        QByteArray block(241, '\0');
        block[0] = char(b == 4 ? 12 : b); // an index beyond the log is turned away first
        port->push(reply(KindEventRecord, block));
        if (b == 4) {
            QCOMPARE(progress.last().first().toInt(), 4);
            block[0] = char(b);
            port->push(reply(KindEventRecord, block));
        }
    }
    QCOMPARE(done.count(), 1);
    QCOMPARE(progress.last().first().toInt(), 10);
    QVERIFY(job->events().isEmpty()); // every slot erased
    QCOMPARE(port->written.size(), 12);
    QVERIFY(!port->isOpen());
}

// A step without an answer ends the whole job; a later accounting read is only that.
void TestReport::timeoutInTheAccountingStepEndsTheJob() {
    auto* port = new test::FakePort;
    Engine engine(port);
    engine.setPortName(QStringLiteral("/dev/fake"));
    QSignalSpy failures(&engine, &Engine::jobFailed);
    auto* job = new SaveProtocolJob;
    QSignalSpy done(job, &Job::succeeded);
    engine.start(job);
    port->push(reply(KindConfigRead, config::encode(Configuration{})));
    kliv::test::timeOutEveryTry(engine);
    QCOMPARE(failures.count(), 1);
    QCOMPARE(failures.first().at(1).value<Outcome>().reason, Failure::NoAnswer);
    QVERIFY(!engine.current());

    auto* read = new AccountingReadJob;
    QSignalSpy readDone(read, &Job::succeeded);
    engine.start(read);
    port->push(reply(KindAccountingRead, QByteArray(19, '\0')));
    QCOMPARE(readDone.count(), 1);
    QCOMPARE(done.count(), 0);
    QCOMPARE(frame::kindOf(port->written.last()), quint8(KindAccountingRead));
    QVERIFY(!port->isOpen());
}

// The whole road: the simulated relay read over a pseudo-terminal, the report written,
// and the file opened by a real word processor, whose text must hold what was read.
void TestReport::reportFromTheSimulatedRelayOpensInAWordProcessor() {
    test::SimProcess sim;
    QVERIFY(sim.ok());
    Engine engine(new SerialPort);
    engine.setPortName(sim.path());
    auto* job = new SaveProtocolJob;
    QSignalSpy done(job, &Job::succeeded);
    ReportData data;
    connect(job, &Job::succeeded, this, [&data, job] {
        data.serial = 600;
        data.events = eventlog::texts(job->events(), Comma);
        data.configuration = job->configuration();
        data.accounting = accounting::texts(job->accounting(), Comma);
    });
    engine.start(job);
    QVERIFY(done.wait(10000));
    QVERIFY(data.events.size() > 50);
    QString error;
    auto doc = report::build(QStringLiteral(KLIV_TEMPLATE_DOCX), data, Comma, {}, &error);
    QVERIFY2(doc, qPrintable(error));
    QTemporaryDir dir;
    const QString out = dir.filePath(report::proposedFileName(600, QDate(2027, 3, 1)));
    QVERIFY2(doc->saveAs(out), qPrintable(doc->errorString()));

    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        QSKIP("no soffice on PATH (scripts/setup --tests installs it)");
    QProcess p;
    p.start(office, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath("profile"),
                     QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                     QStringLiteral("txt:Text"), QStringLiteral("--outdir"), dir.path(), out});
    QVERIFY(p.waitForFinished(600000));
    QFile text(dir.filePath(QStringLiteral("КЛИВ_№600_0103_27.txt")));
    QVERIFY2(text.open(QIODevice::ReadOnly), qPrintable(p.readAllStandardError()));
    const QString t = QString::fromUtf8(text.readAll());
    QVERIFY(t.contains(QStringLiteral("№  600  ")));
    QVERIFY(t.contains(data.events.first()[0]));
    QVERIFY(t.contains(data.events.last()[0]));
    QVERIFY(t.indexOf(data.events.first()[0]) < t.indexOf(data.events.last()[0]));
    QVERIFY(t.contains(QStringLiteral("Калибровочный коэффициент Iут")));
    QVERIFY(t.contains(data.accounting.energy));
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
