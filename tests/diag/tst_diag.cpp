#include "app/linebinding.h"
#include "common/comtradereader.h"
#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "diag/diagpage.h"
#include "diag/recordpanel.h"
#include "diag/trendwindow.h"
#include "files/liverecord.h"
#include "files/trendreader.h"
#include "link/engine.h"
#include "model/line.h"
#include "protocol/clock.h"
#include "protocol/frame.h"
#include "protocol/status.h"
#include "protocol/waveform.h"
#include "texts/livecsv.h"
#include "texts/messages.h"
#include "texts/numfmt.h"
#include "widgets/shape.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QXYSeries>
#include <cmath>
#include <memory>

using namespace kliv;

namespace {

constexpr quint16 Serial = 600;

QByteArray reply(quint8 kind, const QByteArray& payload = {}) {
    return frame::build(Serial, kind, payload);
}

// A page bound to an engine on a fake line, as the main window sets it up.
struct Rig {
    test::FakePort* port = new test::FakePort;
    Engine engine{port};
    test::RecordingPrompt prompt;
    model::Line line;
    DiagnosticsPage page{engine, line, prompt};

    Rig() {
        bindLine(line, engine);
        line.setPorts({QStringLiteral("COM1"), QStringLiteral("COM2")});
    }

    template <class T> T* child(const char* name) const {
        T* w = page.findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QString text(const char* name) const { return child<QLabel>(name)->text(); }
    QColor colour(const char* name) const { return child<Shape>(name)->color(); }

    // The series belong to the chart's scene, not to the widget tree.
    QXYSeries* series(const char* name) const {
        for (QAbstractSeries* s : child<QChartView>("Chart1")->chart()->series())
            if (s->objectName() == QLatin1String(name))
                return static_cast<QXYSeries*>(s);
        qFatal("no series %s", name);
    }

    QByteArray lastFrame() const {
        return port->written.isEmpty() ? QByteArray() : port->written.last();
    }

    // Starts the poll and answers its first request with `s`.
    void pollOnce(const LiveStatus& s) {
        child<QPushButton>("diagnos")->click();
        port->push(reply(KindStatus, status::encodeLive(s)));
    }
};

QString dec(const char* text) {
    return QString::fromLatin1(text).replace(QLatin1Char('.'), NumberLocale::system().decimal);
}

const char* const Squares[] = {"zp_umin", "zp_umax", "zp_uasm", "zp_ihol",
                               "zp_iasm", "zp_ivtz", "zp_zakl", "zp_idif"};
const char* const Circles[] = {"sh_umin", "sh_umax", "sh_uasm", "sh_ihol",
                               "sh_iasm", "Sh_ivtz", "sh_zakl", "sh_idif"};

// A three-phase snapshot: voltage 120 degrees apart, current lagging its voltage.
WaveformStore threePhase() {
    WaveformStore w;
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < waveform::SampleCount; ++i) {
            const double a = 2 * M_PI * i / 50.0 - k * 2 * M_PI / 3;
            w.voltage[k][std::size_t(i)] = int(std::lround(128 + 110 * std::sin(a)));
            w.current[k][std::size_t(i)] = int(std::lround(128 + 60 * std::sin(a - 0.6)));
        }
    return w;
}

LiveStatus plausibleRecord() {
    LiveStatus s;
    s.clock = {7, 5, 9, 1, 6, 12, 26, false, -3, true};
    s.conditionBits = 0x20;
    s.stateBits = 0x01;
    s.operatedBits = 0x00;
    s.ua = 231, s.ub = 229, s.uc = 233;
    s.ia = 412, s.ib = 405, s.ic = 418, s.idif = 3;
    s.cosf = 0x80 | 86;
    s.uasm = 1, s.iasm = 2;
    s.overload = 12;
    s.timers = {0, 0, 0, 0, 0, 57, 0, 0};
    s.power = 1485;
    s.energy = 1234567890;
    s.running = 3725;
    return s;
}

const QDateTime TrendStart(QDate(2026, 12, 8), QTime(9, 30));

// Plausible records 100 ms apart, Ua going round 200..260.
QByteArray plausibleRows(int count) {
    QByteArray rows;
    LiveStatus s = plausibleRecord();
    for (int i = 0; i < count; ++i) {
        s.ua = quint16(200 + i % 61);
        rows += liverecord::row(TrendStart.addMSecs(100 * i), s, NumberLocale::system()).toUtf8();
    }
    return rows;
}

// `text` opened with "Открыть запись…": the window that shows it.
TrendWindow* openRecording(Rig& r, const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("запись.csv"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    f.close();
    r.page.recordPanel()->setOpenFileAsker([path](const QString&) { return path; });
    r.page.recordPanel()->openRecording();
    return r.page.recordPanel()->findChild<TrendWindow*>();
}

QChart* chartOf(TrendWindow* t) {
    return t->findChild<QChartView*>(QStringLiteral("chart_trend"))->chart();
}

QList<QPointF> firstLine(TrendWindow* t) {
    const QList<QAbstractSeries*> lines = chartOf(t)->series();
    return lines.isEmpty() ? QList<QPointF>{} : static_cast<QXYSeries*>(lines.first())->points();
}

} // namespace

class TestDiag : public QObject {
    Q_OBJECT

  private slots:
    void startsFromItsDefaults() {
        Rig r;
        auto* speed = r.child<QComboBox>("cb_speed");
        QCOMPARE(speed->count(), 11);
        QCOMPARE(speed->itemText(0), QStringLiteral("    300"));
        QCOMPARE(speed->itemText(6), QStringLiteral(" 14400"));
        QCOMPARE(speed->currentText(), QStringLiteral("115200"));
        auto* view = r.child<QComboBox>("cmb_m");
        QCOMPARE(view->itemText(3), QStringLiteral("Фаза А,В,С"));
        QCOMPARE(view->currentText(), QStringLiteral("Фаза А"));
        auto* zn = r.child<QSpinBox>("frm1_zn");
        QCOMPARE(zn->minimum(), 100);
        QCOMPARE(zn->maximum(), 65535);
        QCOMPARE(r.engine.serial(), 600);
        QCOMPARE(r.engine.speedIndex(), 10);
        QCOMPARE(r.engine.portName(), QStringLiteral("COM1"));

        QCOMPARE(r.text("tDATE"), QStringLiteral("==.==.====г."));
        QCOMPARE(r.text("ttime"), QStringLiteral("==:==:=="));
        for (const char* name :
             {"st_ua", "st_ia", "st_cos", "c_ivtz", "st_ikrp", "st_moto", "st_txd"})
            QCOMPARE(r.text(name), QStringLiteral("0"));
        for (const auto* s : r.page.findChildren<Shape*>())
            QCOMPARE(s->color(), Shape::Silver);
        QCOMPARE(r.child<QPushButton>("diagnos")->text(), QStringLiteral("Диагностика"));
        QCOMPARE(r.child<QLabel>("st_ua")->accessibleName(), QStringLiteral("Ua, В"));
    }

    void circleSitsInsideItsSquare() {
        Rig r;
        auto* circle = r.child<Shape>("Sh_ivtz");
        QCOMPARE(circle->parentWidget(), r.child<Shape>("zp_ivtz"));
        QCOMPARE(circle->geometry(), QRect(4, 4, 9, 9));
    }

    void indicatorColours_data() {
        QTest::addColumn<int>("condition");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("operated");
        QTest::addColumn<QColor>("dv");
        QTest::addColumn<QColor>("iso");
        QTest::addColumn<QColor>("any");
        QTest::newRow("nothing set")
            << 0x00 << 0x00 << 0x00 << Shape::Silver << Shape::Lime << Shape::Silver;
        QTest::newRow("overload operated")
            << 0x00 << 0x00 << 0x20 << Shape::Silver << Shape::Lime << Shape::Red;
        QTest::newRow("equipment and insulation")
            << 0x00 << 0x05 << 0x00 << Shape::Red << Shape::Red << Shape::Silver;
        QTest::newRow("unshown state bit")
            << 0x00 << 0x02 << 0x00 << Shape::Silver << Shape::Lime << Shape::Silver;
        QTest::newRow("first and last picking up")
            << 0x81 << 0x00 << 0x00 << Shape::Silver << Shape::Lime << Shape::Silver;
        QTest::newRow("all operated")
            << 0xFF << 0xFB << 0xFF << Shape::Red << Shape::Lime << Shape::Red;
    }
    void indicatorColours() {
        QFETCH(int, condition);
        QFETCH(int, state);
        QFETCH(int, operated);
        QFETCH(QColor, dv);
        QFETCH(QColor, iso);
        QFETCH(QColor, any);
        Rig r;
        LiveStatus s;
        s.conditionBits = quint8(condition);
        s.stateBits = quint8(state);
        s.operatedBits = quint8(operated);
        r.pollOnce(s);
        QCOMPARE(r.colour("sh_dv"), dv);
        QCOMPARE(r.colour("sh_iso"), iso);
        QCOMPARE(r.colour("Sh_z"), any);
        for (int bit = 0; bit < 8; ++bit) {
            QCOMPARE(r.colour(Squares[bit]), (operated >> bit) & 1 ? Shape::Red : Shape::Silver);
            QCOMPARE(r.colour(Circles[bit]), (condition >> bit) & 1 ? Shape::Red : Shape::Silver);
        }
    }

    void valueTexts_data() {
        QTest::addColumn<LiveStatus>("record");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        LiveStatus s;
        s.ia = 999;
        QTest::newRow("current below 100 A") << s << "st_ia" << dec("99.9");
        s.ib = 1005;
        QTest::newRow("current from 100 A, half up") << s << "st_ib"
                                                     << "101";
        s.cosf = 0xE4;
        QTest::newRow("cos 1 with sign") << s << "st_cos"
                                         << "1,00";
        s.cosf = 0x55;
        QTest::newRow("cos negative") << s << "st_cos" << dec("-0.85");
        s.overload = 10;
        QTest::newRow("overload at nominal") << s << "st_ikrp"
                                             << "---";
        s.overload = 255;
        QTest::newRow("overload high") << s << "st_ikrp" << dec("25.5");
        s.timers[3] = 1234;
        QTest::newRow("idle-run timer whole seconds") << s << "c_ihol"
                                                      << "123";
        s.timers[0] = 255;
        QTest::newRow("Umin timer") << s << "c_umin" << dec("25.5");
        s.energy = 1234567890;
        QTest::newRow("energy") << s << "st_wa" << dec("001234.568");
        s.running = 3725;
        QTest::newRow("running time") << s << "st_moto"
                                      << "00001:02:05";
        s.uc = 231;
        QTest::newRow("voltage") << s << "st_uc"
                                 << "231";
        s.power = 995;
        QTest::newRow("power") << s << "st_pa" << dec("99.5");
    }
    void valueTexts() {
        QFETCH(LiveStatus, record);
        QFETCH(QString, field);
        QFETCH(QString, text);
        Rig r;
        r.pollOnce(record);
        QCOMPARE(r.text(field.toLatin1().constData()), text);
    }

    void clockPanelFollowsTheRecord() {
        Rig r;
        LiveStatus s;
        s.clock = {7, 5, 9, 1, 6, 12, 26, true, -3, false};
        r.pollOnce(s);
        QCOMPARE(r.text("ttime"), QStringLiteral("09:05:07"));
        QCOMPARE(r.text("tDATE"), QStringLiteral("06.12.2026г."));
        QCOMPARE(r.child<QSpinBox>("rcal")->value(), -3);
        QVERIFY(r.child<QCheckBox>("rstop")->isChecked());
        QVERIFY(!r.child<QCheckBox>("tavto")->isChecked());

        s.clock.stopped = false;
        s.clock.autoDst = true;
        s.clock.calibration = 31;
        r.port->push(reply(KindStatus, status::encodeLive(s)));
        QCOMPARE(r.child<QSpinBox>("rcal")->value(), 31);
        QVERIFY(!r.child<QCheckBox>("rstop")->isChecked());
        QVERIFY(r.child<QCheckBox>("tavto")->isChecked());
    }

    void pollButtonAndCounters() {
        Rig r;
        auto* diagnos = r.child<QPushButton>("diagnos");
        diagnos->click();
        QCOMPARE(diagnos->text(), QStringLiteral("Остановить"));
        QCOMPARE(frame::kindOf(r.lastFrame()), quint8(KindStatus));
        QCOMPARE(frame::payloadOf(r.lastFrame()), QByteArray(1, '\0'));
        QCOMPARE(r.text("st_txd"), QStringLiteral("1"));
        QCOMPARE(r.text("st_rxd"), QStringLiteral("0"));

        r.port->push(reply(KindStatus, status::encodeLive({})));
        QCOMPARE(r.text("st_rxd"), QStringLiteral("1"));
        QCOMPARE(r.text("st_txd"), QStringLiteral("2")); // the reply asked for the next one

        diagnos->click();
        QCOMPARE(diagnos->text(), QStringLiteral("Диагностика"));
        QVERIFY(!r.port->isOpen());
    }

    void waveformCycleRedrawsTheChart() {
        Rig r;
        r.pollOnce({}); // view "Фаза А": the live record asks for block 17
        QCOMPARE(frame::payloadOf(r.lastFrame()), QByteArray(1, char(17)));
        QByteArray block(201, '\0');
        block[0] = char(17);
        block[1] = char(200);
        block[2] = char(50);
        r.port->push(reply(KindStatus, block));

        QXYSeries* s1 = r.series("Series1");
        QXYSeries* s2 = r.series("Series2");
        QCOMPARE(s1->count(), 101);
        QCOMPARE(s2->count(), 101);
        QCOMPARE(s1->at(0), QPointF(0, 0));
        QCOMPARE(s1->at(1), QPointF(1, 200));
        QCOMPARE(s2->at(1), QPointF(2, 50));
        for (const char* name : {"Series3", "Series4", "Series5", "Series6"})
            QCOMPARE(r.series(name)->count(), 100);
    }

    void viewChoiceReachesTheRunningPoll() {
        Rig r;
        r.child<QPushButton>("diagnos")->click();
        r.child<QComboBox>("cmb_m")->setCurrentIndex(3);
        QByteArray live(53, '\0');
        r.port->push(reply(KindStatus, live));
        QCOMPARE(quint8(r.lastFrame().at(6)), quint8(1)); // phase A of a three-phase cycle
    }

    // The poll keeps the relay it started with: another number ends it, as another speed or
    // port does, and presets its speed for the next start.
    void serialEndsThePollAndPresetsSpeed() {
        Rig r;
        r.child<QPushButton>("diagnos")->click();
        r.child<QSpinBox>("frm1_zn")->setValue(599);
        QCOMPARE(r.engine.serial(), 599);
        QCOMPARE(r.child<QComboBox>("cb_speed")->currentIndex(), 6);
        QCOMPARE(r.child<QPushButton>("diagnos")->text(), QStringLiteral("Диагностика"));
        QVERIFY(!r.port->isOpen());
        r.child<QPushButton>("diagnos")->click();
        QCOMPARE(r.port->baud, 14400);
        QCOMPARE(frame::hex(r.lastFrame()).left(11), QStringLiteral("AA 06 02 57"));
    }

    // Any other job keeps its relay and line to its end: the controls that would change them
    // wait, and so does a change made anyway.
    void lineControlsWaitForTheJob() {
        Rig r;
        r.child<QPushButton>("btn_monitor")->click(); // "Сброс защиты"
        for (const char* name : {"frm1_zn", "cmbPorts", "cb_speed", "Button6"})
            QVERIFY2(!r.child<QWidget>(name)->isEnabled(), name);
        QVERIFY(r.child<QWidget>("diagnos")->isEnabled());
        r.engine.setSerial(599);
        QCOMPARE(r.port->baud, 115200);
        QCOMPARE(frame::hex(r.lastFrame()).left(11), QStringLiteral("AA 06 02 58"));
        r.port->push(reply(KindProtectionReset, {}));
        QCOMPARE(r.engine.speedIndex(), 6);
        for (const char* name : {"frm1_zn", "cmbPorts", "cb_speed", "Button6"})
            QVERIFY2(r.child<QWidget>(name)->isEnabled(), name);
    }

    void userSpeedAndPortEndThePoll() {
        Rig r;
        auto* diagnos = r.child<QPushButton>("diagnos");
        diagnos->click();
        r.child<QComboBox>("cb_speed")->setCurrentIndex(5);
        QCOMPARE(r.engine.speedIndex(), 5);
        QCOMPARE(diagnos->text(), QStringLiteral("Диагностика"));
        diagnos->click(); // the next job opens the line at the new speed
        QCOMPARE(r.port->baud, 9600);
        diagnos->click();

        diagnos->click();
        r.child<QComboBox>("cmbPorts")->setCurrentIndex(1);
        QCOMPARE(r.engine.portName(), QStringLiteral("COM2"));
        QCOMPARE(diagnos->text(), QStringLiteral("Диагностика"));
        QVERIFY(!r.port->isOpen());
    }

    void protectionResetAsksAndReports() {
        Rig r;
        r.child<QPushButton>("diagnos")->click();
        r.child<QPushButton>("btn_monitor")->click();
        QCOMPARE(r.child<QPushButton>("diagnos")->text(), QStringLiteral("Диагностика"));
        QCOMPARE(frame::kindOf(r.lastFrame()), quint8(KindProtectionReset));
        QCOMPARE(frame::payloadLength(r.lastFrame()), 0);
        QVERIFY(r.prompt.shown.isEmpty()); // nothing before the relay confirms

        r.port->push(reply(KindProtectionReset, QByteArray(3, '\x11')));
        QCOMPARE(r.prompt.shown.size(), 1);
        QCOMPARE(r.prompt.lastText(), msg::protectionReset().text);
        QCOMPARE(r.prompt.shown.last().message.caption, QStringLiteral("Сброс защиты"));
    }

    void clockCorrectionSendsTheSettings() {
        Rig r;
        r.child<QSpinBox>("rcal")->setValue(-3);
        r.child<QCheckBox>("rstop")->setChecked(true);
        r.child<QCheckBox>("tavto")->setChecked(true);
        r.child<QPushButton>("Button11")->click();
        if (r.engine.holdTimer().isActive()) // until the frame would end as a second turns
            r.engine.onHoldEnd();

        const QByteArray f = r.lastFrame();
        QCOMPARE(frame::kindOf(f), quint8(KindClockSet));
        const QByteArray p = frame::payloadOf(f);
        QCOMPARE(p.size(), 9);
        QCOMPARE(quint8(p[0]), quint8(0x03));
        QCOMPARE(quint8(p[1]) & 0x80, 0x80);
        QCOMPARE(quint8(p[8]), quint8(0x80));
        QVERIFY(r.prompt.shown.isEmpty());

        r.port->push(reply(KindClockSet));
        QCOMPARE(r.prompt.lastText(), msg::clockSet().text);
        QCOMPARE(r.prompt.shown.last().message.caption, QStringLiteral("Корректировка времени"));
    }

    void screenshot() {
        const QString dir = qEnvironmentVariable("KLIV_SCREENSHOTS");
        if (dir.isEmpty())
            QSKIP("KLIV_SCREENSHOTS not set");
        Rig r;
        r.page.resize(880, 640);
        r.child<QComboBox>("cmb_m")->setCurrentIndex(3);
        r.page.show();
        r.page.showLiveStatus(plausibleRecord());
        r.page.showWaveform(threePhase());
        QVERIFY(QTest::qWaitForWindowExposed(&r.page));
        QDir().mkpath(dir);
        QVERIFY(r.page.grab().save(dir + QStringLiteral("/diag.png")));

        // A recording of a motor start, three minutes a second apart, opened as the trend.
        QTemporaryDir files;
        const QString csv = files.filePath(QStringLiteral("пуск.csv"));
        QByteArray text = liverecord::header().toUtf8();
        const QDateTime t0(QDate(2026, 12, 8), QTime(9, 30));
        for (int second = 0; second < 180; ++second) {
            LiveStatus s = plausibleRecord();
            const double start = second < 20 ? 0 : 5.5 * std::exp(-(second - 20) / 6.0);
            const int wobble = int(std::lround(4 * std::sin(second / 3.0)));
            s.ia = quint16((412 + wobble) * (1 + start)),
            s.ib = quint16((405 - wobble) * (1 + start));
            s.ic = quint16((418 + wobble) * (1 + start));
            s.ua = quint16(231 - 12 * start), s.ub = quint16(229 - 12 * start);
            s.uc = quint16(233 - 12 * start);
            text += liverecord::row(t0.addSecs(second), s, NumberLocale::system()).toUtf8();
        }
        QFile out(csv);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
        out.close();
        RecordPanel* panel = r.page.recordPanel();
        panel->setOpenFileAsker([&csv](const QString&) { return csv; });
        panel->openRecording();
        auto* trend = panel->findChild<TrendWindow*>();
        QVERIFY(trend);
        QTRY_VERIFY(!trend->loading());
        trend->resize(900, 560);
        trend->show();
        QVERIFY(QTest::qWaitForWindowExposed(trend));
        QVERIFY(trend->grab().save(dir + QStringLiteral("/trend.png")));

        // The snapshot's files read back and drawn as a COMTRADE viewer would draw them.
        panel->setSaveFileAsker(
            [&files](const QString&) { return files.filePath(QStringLiteral("snap.cfg")); });
        r.pollOnce(plausibleRecord());
        panel->takeWaveform(threePhase());
        r.child<QPushButton>("btn_snapshot")->click();
        QFile cfg(files.filePath(QStringLiteral("snap.cfg"))),
            dat(files.filePath(QStringLiteral("snap.dat")));
        QVERIFY(cfg.open(QIODevice::ReadOnly) && dat.open(QIODevice::ReadOnly));
        test::comtrade::Config c;
        QCOMPARE(test::comtrade::readConfig(QString::fromLatin1(cfg.readAll()), c), QString());
        QList<test::comtrade::Row> rows;
        QCOMPARE(test::comtrade::readData(QString::fromLatin1(dat.readAll()), c, rows), QString());
        auto* chart = new QChart;
        for (int ch = 0; ch < c.analogs; ++ch) {
            auto* line = new QLineSeries;
            line->setName(c.channels.at(ch).id + QStringLiteral(", ") + c.channels.at(ch).unit);
            for (const test::comtrade::Row& row : rows)
                line->append(row.timestamp / 1000.0,
                             c.channels.at(ch).a * row.values.at(ch) + c.channels.at(ch).b);
            chart->addSeries(line);
        }
        chart->createDefaultAxes();
        chart->setTitle(
            QStringLiteral("%1, %2").arg(c.station, c.first.toString(Qt::ISODateWithMs)));
        QChartView view(chart);
        view.setRenderHint(QPainter::Antialiasing);
        view.resize(900, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.grab().save(dir + QStringLiteral("/snapshot.png")));
    }

    // "Записать…" while the poll runs: every live record becomes a row, the box says how many
    // of how many, and "Открыть запись…" shows them as a trend that the wheel zooms.
    void recordingHoldsEveryRecord() {
        Rig r;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("запись.csv"));
        RecordPanel* panel = r.page.recordPanel();
        panel->setSaveFileAsker([&path](const QString&) { return path; });
        panel->setOpenFileAsker([&path](const QString&) { return path; });
        QVERIFY(!r.child<QPushButton>("btn_record")->isEnabled()); // no poll, no recording
        r.pollOnce(plausibleRecord());
        r.child<QPushButton>("btn_record")->click();
        QVERIFY(panel->recording());
        for (int i = 0; i < 7; ++i) {
            // View "Фаза А": a live record, then its waveform block, round and round.
            r.port->push(reply(KindStatus, QByteArray(1, char(17)) + QByteArray(200, char(128))));
            r.port->push(reply(KindStatus, status::encodeLive(plausibleRecord())));
        }
        r.child<QPushButton>("diagnos")->click(); // the poll ends, and the recording with it
        QVERIFY(!panel->recording());
        QCOMPARE(r.prompt.lastText(),
                 msg::recordingStopped(QDir::toNativeSeparators(path), 7, 7).text);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count('\n'), 8);

        r.child<QPushButton>("btn_open_record")->click();
        auto* trend = panel->findChild<TrendWindow*>();
        QVERIFY(trend);
        QTRY_VERIFY(!trend->loading());
        const auto whole = trend->shownRange();
        trend->zoom(0.5, (whole.first + whole.second) / 2);
        QVERIFY(trend->shownRange().second - trend->shownRange().first <
                    whole.second - whole.first ||
                whole.second - whole.first <= 500);
        trend->showWhole();
        QCOMPARE(trend->shownRange(), whole);
    }

    // A recording is read behind its window, which shows the progress and closes without a
    // word on "Отмена".
    void aRecordingOpensBehindItsWindow() {
        Rig r;
        QTemporaryDir dir;
        QPointer<TrendWindow> trend =
            openRecording(r, dir, liverecord::header().toUtf8() + plausibleRows(2000));
        QVERIFY(trend);
        auto* cancel = trend->findChild<QPushButton*>(QStringLiteral("btn_cancel"));
        auto* progress = trend->findChild<QProgressBar*>(QStringLiteral("pb_trend"));
        QVERIFY(cancel && progress && cancel->isVisible() && progress->isVisible());
        QVERIFY(firstLine(trend).isEmpty());
        cancel->click();
        QTRY_VERIFY(trend.isNull());
        QVERIFY(r.prompt.shown.isEmpty());
    }

    // A file with no value column is said to be no recording, and its window goes.
    void aFileThatIsNoRecordingIsSaid() {
        Rig r;
        QTemporaryDir dir;
        QPointer<TrendWindow> trend = openRecording(r, dir, "Время;Оборудование\n");
        QTRY_VERIFY(trend.isNull());
        QCOMPARE(r.prompt.lastText(),
                 msg::recordingNotRead(QDir::toNativeSeparators(dir.filePath("запись.csv"))).text);
        QVERIFY(r.prompt.shown.last().detail.contains(QStringLiteral("не запись опроса")));
    }

    // A long recording is drawn from a bounded number of points; zoomed in and come to rest,
    // the time shown is read again, every row of it.
    void aLongRecordingDrawsFewPoints() {
        Rig r;
        QTemporaryDir dir;
        TrendWindow* trend =
            openRecording(r, dir, liverecord::header().toUtf8() + plausibleRows(30000));
        QTRY_VERIFY_WITH_TIMEOUT(!firstLine(trend).isEmpty(), 30000);
        QVERIFY(firstLine(trend).size() <= 2 * files::TrendReader::MaxBuckets);

        const auto whole = trend->shownRange();
        trend->zoom(0.01, (whole.first + whole.second) / 2);
        trend->readDetail();
        QTRY_VERIFY(!trend->loading());
        const auto [from, to] = trend->shownRange();
        int shown = 0, rows = 0;
        for (const QPointF& p : firstLine(trend))
            shown += p.x() >= from && p.x() <= to;
        for (qint64 at = whole.first; at <= to; at += 100)
            rows += at >= from;
        QCOMPARE(shown, rows);
    }

    // The columns are the header's, though the first row is short, and the window says how
    // many rows it left out and which came first.
    void skippedRowsAreSaid() {
        Rig r;
        QTemporaryDir dir;
        const QByteArray rows = plausibleRows(50);
        TrendWindow* trend = openRecording(
            r, dir,
            liverecord::header().toUtf8() + "2026-12-08T09:29:59.000;230\r\n" + rows +
                rows.left(rows.indexOf('\n') + 1)); // the first row again, out of order
        QTRY_VERIFY(!firstLine(trend).isEmpty());
        auto* list = trend->findChild<QListWidget*>(QStringLiteral("lst_series"));
        QCOMPARE(list->item(0)->text(), QStringLiteral("Ua, В"));
        QCOMPARE(list->item(list->count() - 1)->text(), QStringLiteral("Утечка тока, таймер, с"));
        auto* said = trend->findChild<QLabel*>(QStringLiteral("lbl_trend"));
        QVERIFY(said);
        QVERIFY2(said->text().contains(QStringLiteral("пропущено строк: 2 (первая — строка 2:")),
                 qPrintable(said->text()));
    }

    // 20,000 columns: all offered, found by a part of their name, and only those shown are
    // lines of the chart.
    void manyColumnsAreOfferedNotDrawn() {
        Rig r;
        QTemporaryDir dir;
        QByteArray text = "Время";
        for (int c = 0; c < 20000; ++c)
            text += ";к" + QByteArray::number(c);
        for (int row = 0; row < 3; ++row) {
            text += "\n" + TrendStart.addSecs(row).toString(Qt::ISODateWithMs).toUtf8();
            text += QByteArray(";").append(QByteArray::number(row)).repeated(20000);
        }
        TrendWindow* trend = openRecording(r, dir, text);
        QTRY_VERIFY(!firstLine(trend).isEmpty());
        auto* list = trend->findChild<QListWidget*>(QStringLiteral("lst_series"));
        QCOMPARE(list->count(), 20000);
        QCOMPARE(chartOf(trend)->series().size(), 3);
        auto* find = trend->findChild<QLineEdit*>(QStringLiteral("flt_series"));
        QVERIFY(find);
        find->setText(QStringLiteral("к1999"));
        int offered = 0;
        for (int i = 0; i < list->count(); ++i)
            offered += !list->isRowHidden(i);
        QCOMPARE(offered, 11); // к1999, к19990..к19999
    }

    void recordingThatCannotGoOnStopsAtOnce_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("a full disk") << true;
        QTest::newRow("its folder removed") << false;
    }

    // The box comes as the writing fails, not when the poll ends, and it never says the
    // records were written; the poll goes on.
    void recordingThatCannotGoOnStopsAtOnce() {
        QFETCH(bool, fullDisk);
        Rig r;
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("записи"));
        QDir().mkpath(folder);
        const QString path =
            fullDisk ? QStringLiteral("/dev/full") : folder + QStringLiteral("/x.csv");
        if (fullDisk && !QFileInfo::exists(path))
            QSKIP("no such device here");
        RecordPanel* panel = r.page.recordPanel();
        panel->setSaveFileAsker([&path](const QString&) { return path; });
        r.pollOnce(plausibleRecord());
        r.child<QPushButton>("btn_record")->click();
        QVERIFY(panel->recording());
        if (!fullDisk && !QDir(folder).removeRecursively())
            QSKIP("this system keeps an open file's folder from being removed");
        r.port->push(reply(KindStatus, QByteArray(1, char(17)) + QByteArray(200, char(128))));
        r.port->push(reply(KindStatus, status::encodeLive(plausibleRecord())));
        QTRY_VERIFY(!panel->recording());
        QVERIFY(r.engine.pollRunning());
        QCOMPARE(r.prompt.shown.size(), 1);
        QCOMPARE(r.prompt.shown.last().message,
                 msg::recordingFailed(QDir::toNativeSeparators(path)));
        QVERIFY(!r.prompt.shown.last().detail.isEmpty());
        QCOMPARE(r.child<QPushButton>("btn_record")->text(), QStringLiteral("Записать…"));
    }

    // "Снимок…" saves what the chart shows: a record whose values are the chart's points.
    void snapshotIsTheChartsWaveform() {
        Rig r;
        QTemporaryDir dir;
        RecordPanel* panel = r.page.recordPanel();
        panel->setSaveFileAsker(
            [&dir](const QString&) { return dir.filePath(QStringLiteral("s.cfg")); });
        r.pollOnce(plausibleRecord());
        r.child<QPushButton>("btn_snapshot")->click();
        QCOMPARE(r.prompt.lastText(), msg::snapshotNotYet().text);
        r.page.showWaveform(threePhase());
        panel->takeWaveform(threePhase());
        r.child<QPushButton>("btn_snapshot")->click();
        QFile cfg(dir.filePath(QStringLiteral("s.cfg"))),
            dat(dir.filePath(QStringLiteral("s.dat")));
        QVERIFY(cfg.open(QIODevice::ReadOnly) && dat.open(QIODevice::ReadOnly));
        test::comtrade::Config c;
        QCOMPARE(test::comtrade::readConfig(QString::fromLatin1(cfg.readAll()), c), QString());
        QList<test::comtrade::Row> rows;
        QCOMPARE(test::comtrade::readData(QString::fromLatin1(dat.readAll()), c, rows), QString());
        const QXYSeries* ua = r.series("Series1");
        const QXYSeries* ic = r.series("Series6");
        for (const test::comtrade::Row& row : rows) {
            QCOMPARE(double(row.values[0]), ua->at(row.n).y());
            QCOMPARE(double(row.values[5]), ic->at(row.n - 1).y());
        }
    }
};

QTEST_MAIN(TestDiag)
#include "tst_diag.moc"
