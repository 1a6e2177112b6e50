// The configuration page with its read and write jobs, on a line without a device.

#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "config/configpage.h"
#include "link/engine.h"
#include "link/jobs/configwritejob.h"
#include "link/messages.h"
#include "protocol/configuration.h"
#include "protocol/frame.h"
#include "widgets/delaytext.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace kliv;

namespace {

QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

// Every control at its start-up value: the write payload the relay has always been sent.
const QByteArray DefaultWritePayload =
    hx("00 05 00 AA 64 00 FA 64 1E 96 00 00 02 58 19 32 00 96 0B B8 01 C2 1E 00 0A 05 7F F4 80 "
       "02 3A 02 3A 02 3A 00 C8 00 C8 00 C8 13 88") +
    QByteArray(32, ' ') + hx("00 01 05 03");

QByteArray reply(quint8 kind, const QByteArray& payload) {
    return frame::build(600, kind, payload);
}

struct Rig {
    test::FakePort* port = new test::FakePort;
    Engine engine{port};
    test::RecordingPrompt prompt;
    ConfigPage page{engine, prompt};
    QSignalSpy failures{&engine, &Engine::jobFailed};

    Rig() {
        engine.setPortName(QStringLiteral("/dev/fake"));
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
    template <class T> T* child(const char* name) const {
        T* w = page.findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    void click(const char* name) { child<QPushButton>(name)->click(); }
    void type(const char* name, const QString& text) { child<QLineEdit>(name)->setText(text); }
    QByteArray last() const { return port->written.isEmpty() ? QByteArray() : port->written.last(); }
    Failure failure() const { return failures.last().at(1).value<Failure>(); }
};

} // namespace

class TestConfig : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void readFillsThePage();
    void shortReadChangesNothing();
    void writeAsksFirst();
    void writeSendsTheDefaults();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void verifiedWriteEqual();
    void verifiedWriteDiffers();
    void writeNotConfirmed();
    void readAndWriteBackSendsTheSameBlock();
};

void TestConfig::readFillsThePage() {
    Rig r;
    Configuration c;
    c.cb_rs485 = 8;
    c.z_umax_v = 380;
    c.st_zuasm_t = 5;
    c.z_inom_a = 123;
    c.z_vtz_t = 60;
    c.p_if_c = 2;
    c.blok_z = true;
    c.z_umin_ok = true;
    c.pcosf = -5;
    c.st_kidif = 4999;
    c.tipo_text = QStringLiteral("Насос №2  ");
    c.sp_uaddr = 17;
    QByteArray block = config::encode(c);
    block[0] = char(200); // a speed the list does not have: the relay's default is shown
    r.click("btn_read_konf");
    QCOMPARE(r.last(), hx("AA 06 02 58 02 00 01 0C"));
    r.port->push(reply(KindConfigRead, block));

    QCOMPARE(r.child<QComboBox>("cb_rs485")->currentIndex(), 5);
    QCOMPARE(r.child<SpinEdit>("z_umax_v")->value(), 380);
    QCOMPARE(r.child<DelayText>("st_zuasm_t")->text(), QStringLiteral("0,5"));
    QCOMPARE(r.child<QLineEdit>("z_inom_a")->text(), QStringLiteral("12,3"));
    QCOMPARE(r.child<SpinEdit>("z_vtz_t")->value(), 60);
    QCOMPARE(r.child<QComboBox>("p_if_c")->currentIndex(), 2);
    QVERIFY(r.child<QCheckBox>("blok_z")->isChecked());
    QVERIFY(r.child<QCheckBox>("z_umin_ok")->isChecked());
    QCOMPARE(r.child<SpinEdit>("pcosf")->value(), -5);
    QCOMPARE(r.child<QLineEdit>("st_kidif")->text(), QStringLiteral("4999"));
    QCOMPARE(r.child<QLineEdit>("tipo_text")->text(), QStringLiteral("Насос №2        "));
    QCOMPARE(r.child<SpinEdit>("sp_uaddr")->value(), 17);
    QCOMPARE(r.prompt.lastText(), msg::configRead().text);
    QCOMPARE(r.prompt.shown.last().message.caption, QStringLiteral("Считывание конфигурации"));
    QVERIFY(!r.port->isOpen());
    QCOMPARE(r.failures.count(), 0);
}

// A reply too short to be a configuration is never shown as one.
void TestConfig::shortReadChangesNothing() {
    Rig r;
    r.click("btn_read_konf");
    r.port->push(reply(KindConfigRead, hx("0A 00 AA")));
    QCOMPARE(r.child<QComboBox>("cb_rs485")->currentIndex(), 5);
    QCOMPARE(r.child<SpinEdit>("z_umin_v")->value(), 170);
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::Mismatch);
    QVERIFY(r.prompt.shown.isEmpty()); // the main window shows failures, not the page
}

void TestConfig::writeAsksFirst() {
    Rig r;
    r.click("btn_write_konf"); // the prompt answers No
    QCOMPARE(r.prompt.asked.size(), 1);
    QCOMPARE(r.prompt.asked.first(),
             QStringLiteral(" Вартон Ltd|Внимание данные конфигурации будут изменены! Продолжить?"));
    QCOMPARE(r.prompt.lastText(), QStringLiteral("Запись конфигурации отменена"));
    QCOMPARE(r.prompt.shown.last().message.caption, QStringLiteral("Запись конфиурации"));
    QVERIFY(r.port->written.isEmpty());
    QCOMPARE(r.port->opens, 0);
}

void TestConfig::writeSendsTheDefaults() {
    Rig r;
    r.prompt.answers = {true};
    r.click("btn_write_konf");
    QCOMPARE(r.port->written.size(), 1);
    QCOMPARE(frame::kindOf(r.last()), quint8(KindConfigWrite));
    QCOMPARE(frame::payloadOf(r.last()).toHex(' '), DefaultWritePayload.toHex(' '));
    QCOMPARE(r.engine.replyTimer().interval(), 800); // 300 ms at 115200, and 500 more
}

void TestConfig::refusedBeforeSending_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("says");
    QTest::newRow("zero Ia before zero Ub") << "st_kia" << "0" << "Калибровочные коэффициенты";
    QTest::newRow("zero with decimals") << "st_kuc" << "0,0" << "Калибровочные коэффициенты";
    QTest::newRow("coefficient not an integer") << "st_kua" << "570,5" << "целое";
    QTest::newRow("coefficient not a number") << "st_kub" << "5x0" << "5x0";
    QTest::newRow("negative coefficient") << "st_kic" << "-5" << "65535";
    QTest::newRow("coefficient too large") << "st_kidif" << "70000" << "65535";
    QTest::newRow("current not a number") << "z_idif_a" << "abc" << "abc";
    QTest::newRow("current empty") << "z_ihol_a" << "" << "число";
    QTest::newRow("negative current") << "z_izkl_a" << "-5" << "6553,5";
    QTest::newRow("current too large") << "z_inom_a" << "7000" << "6553,5";
    QTest::newRow("text outside the code page") << "oust_text" << "Цех ✓" << "1251";
}

// Each bad value gets a box naming its field, and nothing reaches the line.
void TestConfig::refusedBeforeSending() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, says);
    Rig r;
    if (field == QLatin1String("st_kia"))
        r.type("st_kub", QStringLiteral("0")); // checked after Ia
    r.type(field.toLatin1().constData(), text);
    r.prompt.answers = {true};
    r.click("btn_write_konf");
    QCOMPARE(r.prompt.shown.size(), 1);
    const QString shown = r.prompt.shown.last().message.text + r.prompt.shown.last().detail;
    QVERIFY2(shown.contains(says), qPrintable(shown));
    QCOMPARE(r.prompt.shown.last().message.icon, Icon::Error);
    QVERIFY(r.port->written.isEmpty());
    QCOMPARE(r.port->opens, 0);
}

void TestConfig::verifiedWriteEqual() {
    Rig r;
    r.prompt.answers = {true};
    r.child<SpinEdit>("z_umax_v")->setValue(400);
    r.click("btn_write_konf");
    const QByteArray sent = frame::payloadOf(r.last()).mid(1);
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    QVERIFY(r.prompt.shown.isEmpty()); // the relay's word alone proves nothing yet
    QCOMPARE(r.port->written.size(), 2); // exactly one read follows
    QCOMPARE(r.last(), hx("AA 06 02 58 02 00 01 0C"));
    r.port->push(reply(KindConfigRead, sent));
    QCOMPARE(r.prompt.shown.size(), 2);
    QCOMPARE(r.prompt.shown.first().message.text, msg::configWritten().text);
    QCOMPARE(r.prompt.lastText(), msg::configRead().text);
    QCOMPARE(r.failures.count(), 0);
    QVERIFY(!r.port->isOpen());
}

// A relay that stores something else is never reported as written: the failure names the
// field with both values, and the page shows what the relay holds.
void TestConfig::verifiedWriteDiffers() {
    Rig r;
    r.prompt.answers = {true};
    r.click("btn_write_konf");
    QByteArray held = frame::payloadOf(r.last()).mid(1);
    held[4] = char(0x1B); // Umax 7000 V
    held[5] = char(0x58);
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    r.port->push(reply(KindConfigRead, held));
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::Mismatch);
    const QString detail = r.failures.last().at(2).toString();
    QVERIFY2(detail.contains(QStringLiteral("записано 250, считано 7000")), qPrintable(detail));
    QCOMPARE(r.child<SpinEdit>("z_umax_v")->value(), 7000);
    QVERIFY(r.prompt.shown.isEmpty()); // never "записана": the main window shows the failure
}

void TestConfig::writeNotConfirmed() {
    Rig r;
    r.prompt.answers = {true};
    r.click("btn_write_konf");
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\1'))); // a calibration write's reply
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::Mismatch);
    QCOMPARE(r.port->written.size(), 1);
    QVERIFY(r.prompt.shown.isEmpty());
}

// What was read is sent back unchanged, byte for byte, odd values included.
void TestConfig::readAndWriteBackSendsTheSameBlock() {
    Rig r;
    Configuration c;
    c.st_zumin_t = 0; // only a read can bring 0,0 s
    c.z_idif_a = 65535;
    c.z_inom_a = 12345;
    c.pcosf = 75;
    c.oust_text = QStringLiteral("Ввод 1 А/Б      ");
    const QByteArray block = config::encode(c);
    r.click("btn_read_konf");
    r.port->push(reply(KindConfigRead, block));
    r.prompt.answers = {true};
    r.click("btn_write_konf");
    QCOMPARE(frame::payloadOf(r.last()).mid(1).toHex(' '), block.toHex(' '));
}

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
