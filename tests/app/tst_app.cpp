#include "app/mainwindow.h"
#include "app/portwatcher.h"
#include "app/remembered.h"
#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "common/silentrelay.h"
#include "config/vtzwindow.h"
#include "eventhistory.h"
#include "eventlog/eventlogpage.h"
#include "line/linewindow.h"
#include "link/engine.h"
#include "model/configschema.h"
#include "protocol/accounting.h"
#include "protocol/frame.h"
#include "search/searchwindow.h"
#include "texts/messages.h"
#include "widgets/delaytext.h"
#include "widgets/spinedit.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace kliv;

namespace {

// One tool as the program builds it, on a line without a device.
struct Tool {
    test::FakePort* port = new test::FakePort;
    Engine engine{port};
    test::RecordingPrompt prompt;
    MainWindow form1{engine, prompt};

    // The window's port watch would otherwise swap the fake ports for this machine's own
    // once a slow run leaves it two idle seconds.
    Tool() {
        const QStringList fakes{QStringLiteral("/dev/fake0"), QStringLiteral("/dev/fake1")};
        form1.setPortLister([fakes] { return fakes; });
        form1.setPorts(fakes);
    }

    QList<QWidget*> windows() {
        return {&form1, &form1.searchDialog(), &form1.characteristicWindow()};
    }

    template <class T> T* find(const char* name) {
        for (QWidget* w : windows())
            if (T* t = w->findChild<T*>(QLatin1String(name)))
                return t;
        return nullptr;
    }
};

QString accessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// Parts of composite controls (a spin box's text, a list's popup, a grid's headers) are
// named through their owner.
bool partOfComposite(QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<QAbstractSpinBox*>(p) || qobject_cast<QComboBox*>(p) ||
            qobject_cast<QTabBar*>(p) || qobject_cast<QAbstractItemView*>(p))
            return true;
    return false;
}

// The "Протокол" page as after reading the simulated relay's log and accounting record.
void readProtocol(Tool& t) {
    const sim::EventStore log = sim::eventHistory(QDateTime(QDate(2026, 6, 12), QTime(9, 30)));
    t.find<QPushButton>("Button1")->click();
    for (int b = 0; b < 10; ++b)
        t.port->push(frame::build(600, KindEventRecord, log.block(b)));
    AccountingRecord record;
    record.runningSeconds = 1234567;
    record.switchOns = 214;
    record.trips = 17;
    record.energy = 41234567890123;
    record.startSeconds = 5, record.startMinutes = 12, record.startHours = 8;
    record.startDay = 28, record.startMonth = 4, record.startYear = 26;
    t.find<QPushButton>("Button7")->click();
    t.port->push(frame::build(600, KindAccountingRead, accounting::encode(record)));
}

// A relay set up for a pump motor: what a read shows on the configuration page.
void readConfiguration(Tool& t) {
    Configuration c;
    c.tipo_text = QStringLiteral("Насос НД-2");
    c.oust_text = QStringLiteral("Котельная №3");
    c.z_umin_ok = true;
    c.z_umax_ok = true;
    c.z_umax_v = 420;
    c.z_inom_a = 325;
    c.z_vtz_t = 120;
    c.z_ihol_a = 45;
    c.st_zizakl_t = 25;
    c.cb_rs485 = 7;
    c.sp_uaddr = 12;
    t.find<QPushButton>("btn_read_konf")->click();
    t.port->push(frame::build(600, KindConfigRead, config::encode(c)));
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();

    void startsOnDiagnosticsPage();
    void startSelections_data();
    void startSelections();
    void startSendsNothing();
    void gridLayout();
    void spinLimits_data();
    void spinLimits();
    void textDefaults_data();
    void textDefaults();
    void enableDefaults_data();
    void enableDefaults();
    void delayStepping_data();
    void delayStepping();
    void delayKeysAndClamp();
    void everyFieldIsNamed();
    void pageSwitchEndsPoll();
    void closingClosesPort();
    void versionButton();
    void engineBoxes();
    void searchWindow();
    void characteristic_data();
    void characteristic();
    void characteristicFollowsTimeSetting();
    void retriesAreRememberedAndCounted();
    void theLineIsRememberedButAGivenPortComesFirst();
    void oldKeysAreCarriedOver_data();
    void oldKeysAreCarriedOver();
    void aRememberedPlaceIsHeldToTheScreen_data();
    void aRememberedPlaceIsHeldToTheScreen();
    void portListsFollowTheHardware();
    void oneLineEverywhere_data();
    void oneLineEverywhere();
    void screenshots();
};

// The retries the user set reach the engine and outlive the window; the repeats they
// cost are counted beside TXD and RXD.
void TestApp::retriesAreRememberedAndCounted() {
    QTemporaryDir data;
    const QByteArray before = qgetenv("KLIV_DATA_DIR");
    qputenv("KLIV_DATA_DIR", data.path().toUtf8());
    {
        Tool t;
        t.form1.rememberBetweenRuns();
        QCOMPARE(t.engine.retries(), Engine::DefaultRetries);
        t.find<QSpinBox>("sp_retries")->setValue(4);
        QCOMPARE(t.engine.retries(), 4);
        t.find<QPushButton>("Button12")->click(); // "Версия программы МК"
        t.engine.onReplyTimeout();
        t.engine.onReplyTimeout();
        QCOMPARE(t.find<QLabel>("st_rep")->text(), QStringLiteral("2"));
        QCOMPARE(t.find<QLabel>("st_txd")->text(), QStringLiteral("3"));
    }
    Tool again;
    again.form1.rememberBetweenRuns();
    QCOMPARE(again.find<QSpinBox>("sp_retries")->value(), 4);
    QCOMPARE(again.engine.retries(), 4);
    qputenv("KLIV_DATA_DIR", before);
}

// Under keys of their own: a control renamed since the last run finds its setting all
// the same.
void TestApp::theLineIsRememberedButAGivenPortComesFirst() {
    QTemporaryDir data;
    const QByteArray before = qgetenv("KLIV_DATA_DIR");
    qputenv("KLIV_DATA_DIR", data.path().toUtf8());
    {
        Tool t;
        t.form1.rememberBetweenRuns();
        t.find<QSpinBox>("frm1_zn")->setValue(599); // presets 14400 baud
        t.find<QComboBox>("cb_speed")->setCurrentIndex(7);
        t.find<QComboBox>("cmbPorts")->setCurrentIndex(1);
        t.find<QSpinBox>("sp_retries")->setValue(5);
        t.form1.close();
    }
    QStringList keys = rememberedSettings()->allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({key::Port, key::Retries, key::Serial, key::Speed, key::Geometry}));
    for (const bool given : {false, true}) {
        Tool again;
        for (const char* name : {"frm1_zn", "cb_speed", "cmbPorts", "sp_retries"})
            again.find<QWidget>(name)->setObjectName(QLatin1String(name) + u'2');
        again.form1.setPorts({QStringLiteral("/dev/fake0"), QStringLiteral("/dev/fake1")}, given);
        again.form1.rememberBetweenRuns();
        QCOMPARE(again.engine.serial(), 599);
        QCOMPARE(again.engine.speedIndex(), 7);
        QCOMPARE(again.engine.portName(),
                 given ? QStringLiteral("/dev/fake0") : QStringLiteral("/dev/fake1"));
        QCOMPARE(again.engine.retries(), 5);
    }
    qputenv("KLIV_DATA_DIR", before);
}

void TestApp::oldKeysAreCarriedOver_data() {
    QTest::addColumn<QByteArray>("ini");   // the settings as an earlier version left them
    QTest::addColumn<QStringList>("held"); // afterwards: key=value, in the keys' order
    QTest::addColumn<QString>("line");     // port, serial number, speed index, retries
    QTest::newRow("none") << QByteArray() << QStringList() << "/dev/fake0 600 10 2";
    QTest::newRow("serial, with its speed")
        << QByteArray("frm1_zn=599") << QStringList{"line/serial=599"} << "/dev/fake0 599 6 2";
    QTest::newRow("retries beyond the limit")
        << QByteArray("sp_retries=70") << QStringList{"line/retries=70"} << "/dev/fake0 600 10 9";
    QTest::newRow("a port no longer there")
        << QByteArray("cmbPorts=/dev/ttyUSB9") << QStringList{"line/port=/dev/ttyUSB9"}
        << "/dev/fake0 600 10 2";
    QTest::newRow("all five")
        << QByteArray("cb_speed=8\ncmbPorts=/dev/fake1\nfrm1_zn=1234\ngeometry=@ByteArray(x)\n"
                      "sp_retries=0")
        << QStringList{"line/port=/dev/fake1", "line/retries=0", "line/serial=1234", "line/speed=8",
                       "window/geometry=x"}
        << "/dev/fake1 1234 8 0";
    QTest::newRow("a new key comes first")
        << QByteArray("frm1_zn=599\n[line]\nserial=1234") << QStringList{"line/serial=1234"}
        << "/dev/fake0 1234 10 2";
}

// Settings kept under the names of an earlier version's controls are read once, written
// under their own keys and removed.
void TestApp::oldKeysAreCarriedOver() {
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, held);
    QFETCH(QString, line);
    QTemporaryDir data;
    const QByteArray before = qgetenv("KLIV_DATA_DIR");
    qputenv("KLIV_DATA_DIR", data.path().toUtf8());
    QFile file(data.filePath(QStringLiteral("settings.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\n" + ini + '\n');
    file.close();
    for (int run = 0; run < 2; ++run) { // the second run finds the new keys alone
        Tool t;
        t.form1.rememberBetweenRuns();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(t.engine.portName())
                     .arg(t.engine.serial())
                     .arg(t.engine.speedIndex())
                     .arg(t.engine.retries()),
                 line);
        QStringList now;
        const auto s = rememberedSettings();
        for (const QString& key : s->allKeys())
            now << key + u'=' + s->value(key).toString();
        now.sort();
        QCOMPARE(now, held);
    }
    qputenv("KLIV_DATA_DIR", before);
}

void TestApp::aRememberedPlaceIsHeldToTheScreen_data() {
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("held");
    const QRect screen(0, 0, 1280, 1000);
    QTest::newRow("fits") << QRect(100, 50, 800, 600) << QRect(100, 50, 800, 600);
    QTest::newRow("32 767 px") << QRect(0, 0, 32767, 32767) << screen;
    QTest::newRow("off the right") << QRect(1200, 50, 800, 600) << QRect(480, 50, 800, 600);
    QTest::newRow("above and left") << QRect(-5000, -20, 800, 600) << QRect(0, 0, 800, 600);
    QTest::newRow("far below, too tall") << QRect(10, 90000, 800, 1200) << QRect(10, 0, 800, 1000);
}

// The pure rule, then the window: a geometry of 32 767 px remembered from an earlier run
// opens no larger than the screen, and on it.
void TestApp::aRememberedPlaceIsHeldToTheScreen() {
    QFETCH(QRect, window);
    QFETCH(QRect, held);
    const QRect screen(0, 0, 1280, 1000);
    QCOMPARE(heldToScreen(window, screen), held);
    QCOMPARE(heldToScreen(window.translated(50, 20), screen.translated(50, 20)),
             held.translated(50, 20));

    QTemporaryDir data;
    const QByteArray before = qgetenv("KLIV_DATA_DIR");
    qputenv("KLIV_DATA_DIR", data.path().toUtf8());
    {
        QWidget earlier;
        earlier.setGeometry(window);
        rememberedSettings()->setValue(key::Geometry, earlier.saveGeometry());
    }
    Tool t;
    t.form1.rememberBetweenRuns();
    const QRect area = t.form1.screen()->availableGeometry();
    QVERIFY2(area.contains(t.form1.geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                               .arg(t.form1.x())
                                                               .arg(t.form1.y())
                                                               .arg(t.form1.width())
                                                               .arg(t.form1.height())));
    qputenv("KLIV_DATA_DIR", before);
}

// Ports plugged in or pulled out show in both lists, the choice made as the line makes
// it; while a job runs the lists wait.
void TestApp::portListsFollowTheHardware() {
    Tool t;
    QStringList present{QStringLiteral("/dev/fake0"), QStringLiteral("/dev/fake1")};
    t.form1.setPortLister([&present] { return present; });
    auto* ports = t.find<QComboBox>("cmbPorts");
    ports->setCurrentIndex(1);
    QCOMPARE(t.engine.portName(), QStringLiteral("/dev/fake1"));
    present.prepend(QStringLiteral("/dev/ttyUSB0"));
    t.form1.portWatcher().onTick();
    QCOMPARE(ports->count(), 3);
    QCOMPARE(ports->currentText(), QStringLiteral("/dev/fake1"));
    QCOMPARE(t.form1.searchDialog().ports()->currentText(), QStringLiteral("/dev/fake1"));
    QCOMPARE(t.engine.portName(), QStringLiteral("/dev/fake1"));

    t.find<QPushButton>("Button12")->click(); // a job on the line
    present.removeAll(QStringLiteral("/dev/fake1"));
    t.form1.portWatcher().onTick();
    QCOMPARE(ports->count(), 3);
    t.engine.cancel();
    t.form1.portWatcher().onTick();
    QCOMPARE(ports->count(), 2);
    QCOMPARE(ports->currentText(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(t.engine.portName(), QStringLiteral("/dev/ttyUSB0"));

    // The adapter plugged in again: the user's port is the choice again, in both lists.
    present.append(QStringLiteral("/dev/fake1"));
    t.form1.portWatcher().onTick();
    QCOMPARE(ports->currentText(), QStringLiteral("/dev/fake1"));
    QCOMPARE(t.form1.searchDialog().ports()->currentText(), QStringLiteral("/dev/fake1"));
    QCOMPARE(t.engine.portName(), QStringLiteral("/dev/fake1"));
}

void TestApp::oneLineEverywhere_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("serial");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("pollGoesOn");
    QTest::newRow("speed picked on the page") << 0 << 600 << 5 << false;
    QTest::newRow("serial typed in the search window, with its speed") << 1 << 599 << 6 << false;
    QTest::newRow("the engine following the relay") << 2 << 600 << 3 << true;
    QTest::newRow("a relay chosen in the line window") << 3 << 700 << 4 << false;
}

// Wherever the line changes, every window shows it as the engine has it. A speed the
// engine moved itself is not handed back to it as the user's pick, which would end the
// poll.
void TestApp::oneLineEverywhere() {
    QFETCH(int, how);
    QFETCH(int, serial);
    QFETCH(int, speed);
    QFETCH(bool, pollGoesOn);
    Tool t;
    t.find<QPushButton>("diagnos")->click();
    QVERIFY(t.engine.pollRunning());
    if (how == 0)
        t.find<QComboBox>("cb_speed")->setCurrentIndex(speed);
    else if (how == 1)
        t.find<QSpinBox>("frm2_zn")->setValue(serial);
    else if (how == 2)
        t.engine.applySpeed(speed);
    else
        Q_EMIT t.form1.lineWindow().relayChosen(serial, speed);
    QCOMPARE(t.engine.pollRunning(), pollGoesOn);
    QCOMPARE(t.engine.serial(), serial);
    QCOMPARE(t.engine.speedIndex(), speed);
    QCOMPARE(t.form1.line().serial(), serial);
    QCOMPARE(t.form1.line().speedIndex(), speed);
    QCOMPARE(t.find<QSpinBox>("frm1_zn")->value(), serial);
    QCOMPARE(t.find<QSpinBox>("frm2_zn")->value(), serial);
    QCOMPARE(t.find<QComboBox>("cb_speed")->currentIndex(), speed);
}

void TestApp::initTestCase() {
    // The tool is made for systems whose decimal separator is a comma.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestApp::startsOnDiagnosticsPage() {
    Tool t;
    QTabWidget* pages = t.form1.pages();
    QCOMPARE(pages->objectName(), QStringLiteral("PageControl1"));
    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->tabText(0), QStringLiteral("Конфигурация"));
    QCOMPARE(pages->tabText(1), QStringLiteral("Диагностика"));
    QCOMPARE(pages->tabText(2), QStringLiteral("Протокол"));
    QCOMPARE(pages->widget(0)->objectName(), QStringLiteral("TabSheet1"));
    QCOMPARE(pages->widget(1)->objectName(), QStringLiteral("TabSheet2"));
    QCOMPARE(pages->widget(2)->objectName(), QStringLiteral("TabSheet3"));
    QCOMPARE(pages->currentIndex(), 1);

    QCOMPARE(t.form1.objectName(), QStringLiteral("Form1"));
    QVERIFY(t.form1.windowTitle().startsWith(
        QStringLiteral("Диагностика и программирование КЛИВ-1M      v12.9   ")));
    const Qt::WindowFlags flags = t.form1.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(t.form1.width() >= 887 && t.form1.height() >= 672);

    QCOMPARE(t.form1.searchDialog().windowTitle(), QStringLiteral("   Поиск устройства"));
    QCOMPARE(t.form1.characteristicWindow().windowTitle(),
             QStringLiteral("   График время-токовой характеристики"));
    QCOMPARE(t.form1.searchDialog().objectName(), QStringLiteral("Form2"));
    QCOMPARE(t.form1.characteristicWindow().objectName(), QStringLiteral("Form3"));
}

void TestApp::startSelections_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("items");
    QTest::newRow("cb_speed") << "cb_speed" << 10 << "115200" << 11;
    QTest::newRow("cmb_m") << "cmb_m" << 1 << "Фаза А" << 4;
    QTest::newRow("cb_uprotbus") << "cb_uprotbus" << 0 << "ZVTBUS" << 2;
    QTest::newRow("z_iso_r") << "z_iso_r" << 3 << "500" << 4;
    QTest::newRow("p_uf_c") << "p_uf_c" << 0 << "A/B/C" << 4;
    QTest::newRow("p_if_c") << "p_if_c" << 0 << "A/B/C" << 4;
    QTest::newRow("cb_rs485") << "cb_rs485" << 5 << "  9600" << 11;
}

void TestApp::startSelections() {
    QFETCH(QString, list);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(int, items);
    Tool t;
    auto* combo = t.find<QComboBox>(list.toLatin1().constData());
    QVERIFY(combo);
    QCOMPARE(combo->count(), items);
    QCOMPARE(combo->currentIndex(), index);
    QCOMPARE(combo->currentText(), text);
    QVERIFY(!combo->isEditable());
}

void TestApp::startSendsNothing() {
    // A start-up selection that ran its change handler would ask (RS485 speed) or send.
    Tool t;
    QVERIFY(t.port->written.isEmpty());
    QVERIFY(t.prompt.asked.isEmpty());
    QVERIFY(t.prompt.shown.isEmpty());
    QVERIFY(!t.port->isOpen());
}

void TestApp::gridLayout() {
    Tool t;
    auto* grid = t.find<QTableWidget>("StGr_prot");
    QVERIFY(grid);
    QCOMPARE(grid->columnCount(), 13);
    QCOMPARE(grid->rowCount(), 100); // plus the header row: 101 rows in all
    const QStringList headers = {"№ п/п", "Дата/Время", "КЛИВ",  "Обор.", "Защита",
                                 "Ua, В", "Ub, В",      "Uc, В", "Ia, A", "Ib, A",
                                 "Ic, A", "Iут, А",     "cos f"};
    for (int c = 0; c < 13; ++c)
        QCOMPARE(grid->horizontalHeaderItem(c)->text(), headers[c]);
    // Latin A for the phase currents, Cyrillic А for the leakage current.
    QCOMPARE(grid->horizontalHeaderItem(8)->text().back(), QChar(u'A'));
    QCOMPARE(grid->horizontalHeaderItem(11)->text().back(), QChar(u'\u0410'));
    const int widths[] = {45, 162, 48, 46, 122, 49, 50, 48, 47, 47, 48, 49, 46};
    for (int c = 0; c < 13; ++c)
        QCOMPARE(grid->columnWidth(c), widths[c]);
    QCOMPARE(grid->rowHeight(0), 24);
    QCOMPARE(grid->rowHeight(99), 24);
    QVERIFY(grid->font().bold());
    QCOMPARE(grid->font().pixelSize(), 13);
    QVERIFY(!grid->verticalHeader()->isVisible());
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < 13; ++c)
        QVERIFY(!grid->item(0, c));

    auto* progress = t.find<QProgressBar>("pb_prot");
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 10);
    QCOMPARE(t.find<QPushButton>("btn_save_prot")->text(), QStringLiteral("Сохранить протокол"));
    QCOMPARE(t.find<QPushButton>("Button1")->text(), QStringLiteral("Считать протокол"));
    QCOMPARE(t.find<QPushButton>("Button7")->text(), QStringLiteral("Считать учетную запись"));
    QCOMPARE(t.find<QPushButton>("Button8")->text(), QStringLiteral("Обнулить учетную запись"));
    for (const char* name : {"st_nuh", "st_tdv", "st_kvdv", "st_kzdv", "st_nwa"})
        QVERIFY2(t.find<QLabel>(name) && t.find<QLabel>(name)->text().isEmpty(), name);
}

void TestApp::spinLimits_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::newRow("z_umin_v") << "z_umin_v" << 100 << 6000 << 170;
    QTest::newRow("z_umax_v") << "z_umax_v" << 100 << 7000 << 250;
    QTest::newRow("z_uasm") << "z_uasm" << 1 << 99 << 30;
    QTest::newRow("z_ihol_t") << "z_ihol_t" << 1 << 999 << 60;
    QTest::newRow("z_iasm") << "z_iasm" << 1 << 99 << 25;
    QTest::newRow("z_vtz_t") << "z_vtz_t" << 1 << 999 << 300;
    QTest::newRow("sp_uaddr") << "sp_uaddr" << 1 << 247 << 1;
    QTest::newRow("sp_utb") << "sp_utb" << 3 << 200 << 5;
    QTest::newRow("sp_ute") << "sp_ute" << 2 << 99 << 3;
    QTest::newRow("pcosf") << "pcosf" << -75 << 75 << 0;
    QTest::newRow("frm2_zn") << "frm2_zn" << 100 << 65535 << 600;
    QTest::newRow("g_vtz_t") << "g_vtz_t" << 1 << 999 << 600;
}

void TestApp::spinLimits() {
    QFETCH(QString, name);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, value);
    Tool t;
    auto* spin = t.find<SpinEdit>(name.toLatin1().constData());
    QVERIFY(spin);
    QCOMPARE(spin->minimum(), min);
    QCOMPARE(spin->maximum(), max);
    QCOMPARE(spin->value(), value);
}

void TestApp::textDefaults_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("st_zumin_t") << "st_zumin_t"
                                << "10,0" << 32767 << true;
    QTest::newRow("st_zumax_t") << "st_zumax_t"
                                << "10,0" << 32767 << true;
    QTest::newRow("st_zuasm_t") << "st_zuasm_t"
                                << "15,0" << 32767 << true;
    QTest::newRow("st_zidif_t") << "st_zidif_t"
                                << "0,5" << 32767 << true;
    QTest::newRow("st_ziasm_t") << "st_ziasm_t"
                                << "5,0" << 32767 << true;
    QTest::newRow("st_zizakl_t") << "st_zizakl_t"
                                 << "3,0" << 32767 << true;
    QTest::newRow("z_idif_a") << "z_idif_a"
                              << "1" << 6 << false;
    QTest::newRow("z_ihol_a") << "z_ihol_a"
                              << "0" << 6 << false;
    QTest::newRow("z_inom_a") << "z_inom_a"
                              << "15" << 6 << false;
    QTest::newRow("z_izkl_a") << "z_izkl_a"
                              << "45" << 6 << false;
    QTest::newRow("tipo_text") << "tipo_text"
                               << "" << 16 << false;
    QTest::newRow("oust_text") << "oust_text"
                               << "" << 16 << false;
    for (const char* n : {"st_kua", "st_kub", "st_kuc"})
        QTest::newRow(n) << n << "570" << 32767 << false;
    for (const char* n : {"st_kia", "st_kib", "st_kic"})
        QTest::newRow(n) << n << "200" << 32767 << false;
    QTest::newRow("st_kidif") << "st_kidif"
                              << "5000" << 32767 << false;
    for (const char* n : {"ua_k", "ub_k", "uc_k", "ia_k", "ib_k", "ic_k", "idif_k"})
        QTest::newRow(n) << n << "0" << 32767 << false;
    QTest::newRow("g_inom_a") << "g_inom_a"
                              << "" << 5 << false;
}

void TestApp::textDefaults() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, maxLength);
    QFETCH(bool, readOnly);
    Tool t;
    auto* edit = t.find<QLineEdit>(name.toLatin1().constData());
    QVERIFY(edit);
    QCOMPARE(edit->text(), text);
    QCOMPARE(edit->maxLength(), maxLength);
    QCOMPARE(edit->isReadOnly(), readOnly);
}

void TestApp::enableDefaults_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("checked");
    QTest::newRow("blok_z") << "blok_z"
                            << "Блокировка защиты" << false;
    QTest::newRow("z_umin_ok") << "z_umin_ok"
                               << "Umin:" << false;
    QTest::newRow("z_umax_ok") << "z_umax_ok"
                               << "Umax:" << false;
    QTest::newRow("z_uasm_ok") << "z_uasm_ok"
                               << "Uасм:" << true;
    QTest::newRow("z_iso_ok") << "z_iso_ok"
                              << "Изоляция:" << true;
    QTest::newRow("z_idif_ok") << "z_idif_ok"
                               << "Iут:" << true;
    QTest::newRow("z_ihol_ok") << "z_ihol_ok"
                               << "Iхол:" << false;
    QTest::newRow("z_iasm_ok") << "z_iasm_ok"
                               << "Iасм:" << true;
    QTest::newRow("z_ivtz_ok") << "z_ivtz_ok"
                               << "Перегруз:" << true;
    QTest::newRow("z_zakl_ok") << "z_zakl_ok"
                               << "Заклинивание" << true;
    for (const char* n : {"CB_uak", "CB_ubk", "CB_uck", "CB_iak", "CB_ibk", "CB_ick", "CB_idifk"})
        QTest::newRow(n) << n << QString() << false;
}

void TestApp::enableDefaults() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, checked);
    Tool t;
    auto* box = t.find<QCheckBox>(name.toLatin1().constData());
    QVERIFY(box);
    if (!text.isEmpty())
        QCOMPARE(box->text(), text);
    QCOMPARE(box->isChecked(), checked);
}

void TestApp::delayStepping_data() {
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("arrows");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("text");
    const QList<QPair<const char*, const char*>> delays = {
        {"st_zumin_t", "spb_zumin"},    {"st_zumax_t", "SpinButton1"},
        {"st_zuasm_t", "SpinButton2"},  {"st_zidif_t", "SpinButton3"},
        {"st_zizakl_t", "SpinButton4"}, {"st_ziasm_t", "SpinButton5"}};
    for (const auto& [delay, arrows] : delays) {
        const QByteArray d(delay);
        QTest::newRow(d + " down 0,3") << delay << arrows << 3 << false << "0,2";
        QTest::newRow(d + " down 0,2") << delay << arrows << 2 << false << "0,1";
        QTest::newRow(d + " down 0,1 stays") << delay << arrows << 1 << false << "0,1";
        QTest::newRow(d + " down 0,0 stays") << delay << arrows << 0 << false << "0,0";
        QTest::newRow(d + " up 0,0") << delay << arrows << 0 << true << "0,1";
        QTest::newRow(d + " up 25,4") << delay << arrows << 254 << true << "25,5";
        QTest::newRow(d + " up 25,5 stays") << delay << arrows << 255 << true << "25,5";
        QTest::newRow(d + " down 25,5") << delay << arrows << 255 << false << "25,4";
    }
}

void TestApp::delayStepping() {
    QFETCH(QString, delay);
    QFETCH(QString, arrows);
    QFETCH(int, start);
    QFETCH(bool, up);
    QFETCH(QString, text);
    Tool t;
    auto* field = t.find<DelayText>(delay.toLatin1().constData());
    QVERIFY(field);
    field->setTenths(start);
    auto* arrow = t.find<QToolButton>((arrows + (up ? "Up" : "Down")).toLatin1().constData());
    QVERIFY(arrow);
    arrow->click();
    QCOMPARE(field->text(), text);
    QCOMPARE(field->tenths(), qRound(QLocale().toDouble(text) * 10));
}

void TestApp::delayKeysAndClamp() {
    DelayText d(QStringLiteral("st_zumin_t"), QStringLiteral("spb_zumin"), 10);
    QTest::keyClick(&d, Qt::Key_Up);
    QCOMPARE(d.text(), QStringLiteral("1,1"));
    QTest::keyClick(&d, Qt::Key_Down);
    QTest::keyClick(&d, Qt::Key_Down);
    QCOMPARE(d.text(), QStringLiteral("0,9"));
    QTest::keyClicks(&d, QStringLiteral("77")); // read-only: typing changes nothing
    QCOMPARE(d.tenths(), 9);
    d.setTenths(300); // beyond the one-byte field
    QCOMPARE(d.text(), QStringLiteral("25,5"));
    d.setTenths(-4);
    QCOMPARE(d.text(), QStringLiteral("0,0"));
}

void TestApp::everyFieldIsNamed() {
    Tool t;
    QStringList unnamed;
    for (QWidget* window : t.windows()) {
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (partOfComposite(w))
                continue;
            const bool field =
                qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w) ||
                qobject_cast<QProgressBar*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                (qobject_cast<QLabel*>(w) && w->objectName().startsWith(QLatin1String("st_")));
            if (field && accessibleName(w).trimmed().isEmpty())
                unnamed << (w->objectName().isEmpty()
                                ? QString::fromLatin1(w->metaObject()->className())
                                : w->objectName());
        }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1String(", "))));

    // A caption names its field.
    QCOMPARE(accessibleName(t.find<QWidget>("sp_uaddr")), QStringLiteral("Адрес"));
    QCOMPARE(accessibleName(t.find<QWidget>("frm2_zn")), QStringLiteral("Зав. №"));
    QCOMPARE(accessibleName(t.find<QWidget>("z_inom_a")), QStringLiteral("Iном"));
}

void TestApp::pageSwitchEndsPoll() {
    Tool t;
    t.find<QPushButton>("diagnos")->click();
    QVERIFY(t.engine.pollRunning());
    QCOMPARE(t.find<QPushButton>("diagnos")->text(), QStringLiteral("Остановить"));
    t.form1.pages()->setCurrentIndex(2);
    QVERIFY(!t.engine.pollRunning());
    QCOMPARE(t.find<QPushButton>("diagnos")->text(), QStringLiteral("Диагностика"));
    QVERIFY(!t.port->isOpen());
    t.form1.pages()->setCurrentIndex(1); // a switch with no poll running does no harm
    QVERIFY(!t.engine.pollRunning());
    QVERIFY(t.prompt.shown.isEmpty());
}

void TestApp::closingClosesPort() {
    Tool t;
    t.find<QPushButton>("Button12")->click(); // a job in flight holds the line
    QVERIFY(t.port->isOpen());
    t.form1.show();
    QVERIFY(t.form1.close());
    QVERIFY(!t.port->isOpen());
}

void TestApp::versionButton() {
    Tool t;
    t.find<QPushButton>("Button12")->click();
    QCOMPARE(t.port->written.size(), 1);
    QCOMPARE(quint8(t.port->written.first().at(4)), quint8(15)); // version request
    // Relay texts are shown as they are, never as markup.
    t.port->push(frame::build(600, KindVersion, QByteArray("<b>V2.07</b>\0\0\0\0", 16)));
    QLabel* version = t.find<QLabel>("st_vpmk");
    QCOMPARE(version->text(), QStringLiteral("<b>V2.07</b>"));
    QCOMPARE(version->textFormat(), Qt::PlainText);
    QVERIFY(!t.port->isOpen());
}

// Each way a job can end without its result has its box, raised by the job itself.
void TestApp::engineBoxes() {
    Tool t;
    t.find<QPushButton>("Button12")->click();
    kliv::test::timeOutEveryTry(t.engine);
    t.port->failNextOpen = true;
    t.find<QPushButton>("Button12")->click();
    t.find<QPushButton>("diagnos")->click();
    t.port->vanish();
    QCOMPARE(t.prompt.shown.size(), 3);
    QCOMPARE(t.prompt.shown[0].message.text, msg::noReply().text);
    QCOMPARE(t.prompt.shown[1].message.text, msg::portOpenFailed().text);
    QCOMPARE(t.prompt.shown[1].message.caption, msg::portOpenFailed().caption);
    QVERIFY(t.prompt.shown[1].detail.contains(QStringLiteral("/dev/fake0")));
    QCOMPARE(t.prompt.shown[2].message.text, msg::deviceLost().text);
    // The system's text at a hang-up is stale and would only mislead.
    QCOMPARE(t.prompt.shown[2].detail, msg::lostDetail(QStringLiteral("/dev/fake0")));
}

void TestApp::searchWindow() {
    Tool t;
    SearchDialog& f = t.form1.searchDialog();
    QCOMPARE(f.ports()->count(), 2);
    QCOMPARE(f.ports()->currentText(), QStringLiteral("/dev/fake0"));
    QCOMPARE(f.startButton()->text(), QStringLiteral("Начать поиск"));
    QCOMPARE(f.status()->text(), QStringLiteral("Процесс..."));
    QCOMPARE(f.status()->objectName(), QStringLiteral("lser"));
    QCOMPARE(f.progress()->maximum(), 34);
    QCOMPARE(f.progress()->value(), 0);
    f.show();
    const QSize shown = f.size();
    QCOMPARE(f.minimumSize(), shown); // a fixed dialog frame
    QCOMPARE(f.maximumSize(), shown);
    f.hide();

    // The main window's serial number and port are mirrored into the search window.
    t.find<QSpinBox>("frm1_zn")->setValue(1234);
    QCOMPARE(t.find<QSpinBox>("frm2_zn")->value(), 1234);
    t.find<QComboBox>("cmbPorts")->setCurrentIndex(1); // the main window's list comes first
    QCOMPARE(f.ports()->currentIndex(), 1);

    t.form1.setPorts({});
    QCOMPARE(f.ports()->count(), 0);
    QCOMPARE(f.ports()->currentIndex(), -1);
}

void TestApp::characteristic_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("point");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("600 first") << 600 << 0 << 1.1 << 600.0;
    QTest::newRow("600 second") << 600 << 1 << 1.2 << 300.0;
    QTest::newRow("600 third") << 600 << 2 << 1.3 << 200.0;
    QTest::newRow("600 at 2") << 600 << 9 << 2.0 << 60.0;
    QTest::newRow("600 last") << 600 << 89 << 10.0 << 6.6667;
    QTest::newRow("1 last") << 1 << 89 << 10.0 << 0.0111;
    QTest::newRow("999 first") << 999 << 0 << 1.1 << 999.0;
}

void TestApp::characteristic() {
    QFETCH(int, seconds);
    QFETCH(int, point);
    QFETCH(double, x);
    QFETCH(double, y);
    const QList<QPointF> c = CharacteristicWindow::curve(seconds);
    QCOMPARE(c.size(), 90);
    QVERIFY(qAbs(c[point].x() - x) < 1e-9);
    QVERIFY2(qAbs(c[point].y() - y) < 1e-4, qPrintable(QString::number(c[point].y())));
}

void TestApp::characteristicFollowsTimeSetting() {
    Tool t;
    auto* vtz = t.find<SpinEdit>("z_vtz_t");
    t.find<QLineEdit>("z_inom_a")->setText(QStringLiteral("x1,5"));
    CharacteristicWindow& f = t.form1.characteristicWindow();
    f.load(t.find<QLineEdit>("z_inom_a")->text(), vtz->value());
    QCOMPARE(t.find<QLineEdit>("g_inom_a")->text(), QStringLiteral("x1,5"));
    QVERIFY(!t.find<QLineEdit>("g_inom_a")->isEnabled());
    QCOMPARE(f.timeSetting()->value(), 300);
    QCOMPARE(f.series()->count(), 90);
    QCOMPARE(f.series()->at(0).y(), 300.0);

    f.timeSetting()->setValue(120); // the user changes it in the window
    QCOMPARE(vtz->value(), 120);
    QCOMPARE(f.series()->at(0).y(), 120.0);
    QCOMPARE(f.series()->at(9).y(), 12.0);
    QCOMPARE(f.series()->count(), 90);
}

void TestApp::screenshots() {
    const QString dir = qEnvironmentVariable("KLIV_SCREENSHOTS");
    if (dir.isEmpty())
        QSKIP("set KLIV_SCREENSHOTS=<dir> to write the window images");
    QDir().mkpath(dir);
    Tool t;
    readProtocol(t);
    readConfiguration(t);
    t.form1.show();
    for (int page = 0; page < 3; ++page) {
        t.form1.pages()->setCurrentIndex(page);
        QVERIFY(t.form1.grab().save(QStringLiteral("%1/page%2.png").arg(dir).arg(page + 1)));
    }
    for (auto [window, file] :
         {std::pair<QWidget*, const char*>{&t.form1.searchDialog(), "form2.png"},
          {&t.form1.characteristicWindow(), "form3.png"}}) {
        window->show();
        QVERIFY(window->grab().save(dir + QLatin1Char('/') + QLatin1String(file)));
        window->hide();
    }
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
