// The configuration page with its read and write jobs, on a line without a device.

#include "common/configsamples.h"
#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "config/changelogdialog.h"
#include "config/comparedialog.h"
#include "config/configpage.h"
#include "config/settingsfilegroup.h"
#include "history/changejournal.h"
#include "link/engine.h"
#include "link/jobs/configwritejob.h"
#include "model/configschema.h"
#include "protocol/frame.h"
#include "texts/messages.h"
#include "texts/numfmt.h"
#include "texts/settingsmessages.h"
#include "widgets/delaytext.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

using namespace kliv;

using kliv::test::allChanged;

namespace {

QByteArray hx(const char* s) {
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

// Every control at its start-up value: the write payload the relay has always been sent.
const QByteArray DefaultWritePayload =
    hx("00 05 00 AA 64 00 FA 64 1E 96 00 00 02 58 19 32 00 96 0B B8 01 C2 1E 00 0A 05 7F F4 80 "
       "02 3A 02 3A 02 3A 00 C8 00 C8 00 C8 13 88") +
    QByteArray(32, ' ') + hx("00 01 05 03");

QString writeFile(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray reply(quint8 kind, const QByteArray& payload) {
    return frame::build(600, kind, payload);
}

// The change journal of a test goes into a folder of its own, never the user's.
struct DataDir {
    QTemporaryDir dir;
    DataDir() { qputenv("KLIV_DATA_DIR", dir.path().toUtf8()); }
};

struct Rig {
    DataDir data;
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
    QByteArray last() const {
        return port->written.isEmpty() ? QByteArray() : port->written.last();
    }
    // A write first reads what the relay holds, so that it can be backed out.
    void answerBefore(const QByteArray& block) {
        QCOMPARE(frame::kindOf(last()), quint8(KindConfigRead));
        port->push(reply(KindConfigRead, block));
    }
    void answerBefore(const Configuration& held = {}) { answerBefore(config::encode(held)); }
    QByteArray sentBlock() const { return frame::payloadOf(last()).mid(1); }
    Failure failure() const { return failures.last().at(1).value<Outcome>().reason; }
    Configuration shown() { return *page.configuration(); }
    // A write of `c` that the relay holding `held` stores as sent.
    void writeVerified(const Configuration& held, const Configuration& c) {
        writeVerified(config::encode(held), c);
    }
    void writeVerified(const QByteArray& held, const Configuration& c) {
        page.setConfiguration(c);
        prompt.answers = {true};
        click("btn_write_konf");
        answerBefore(held);
        port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
        port->push(reply(KindConfigRead, config::encode(c)));
    }
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
    void settingsRoundTripEveryField();
    void badFileLeavesThePage_data();
    void badFileLeavesThePage();
    void fileOfAnotherRelayAsks_data();
    void fileOfAnotherRelayAsks();
    void failedSaveSaysSo();
    void compareWithRelay_data();
    void compareWithRelay();
    void relayTextsKeepEveryByte();
    void undoWritesTheEarlierBlock();
    void undoWithNothingToUndo();
    void undoOnlyFromAWholeNewestRecord_data();
    void undoOnlyFromAWholeNewestRecord();
    void changeLogShowsTheJournal();
    void screenshots();
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
    QCOMPARE(r.failure(), Failure::ShortReply); // nothing was written, nothing differs
    QVERIFY(r.prompt.shown.isEmpty());          // the main window shows failures, not the page
}

void TestConfig::writeAsksFirst() {
    Rig r;
    r.click("btn_write_konf"); // the prompt answers No
    QCOMPARE(r.prompt.asked.size(), 1);
    QCOMPARE(
        r.prompt.asked.first(),
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
    r.answerBefore();
    QCOMPARE(r.port->written.size(), 2);
    QCOMPARE(frame::kindOf(r.last()), quint8(KindConfigWrite));
    QCOMPARE(frame::payloadOf(r.last()).toHex(' '), DefaultWritePayload.toHex(' '));
    QCOMPARE(r.engine.replyTimer().interval(), 800); // 300 ms at 115200, and 500 more
}

void TestConfig::refusedBeforeSending_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("says");
    QTest::newRow("zero Ia before zero Ub") << "st_kia"
                                            << "0"
                                            << "Калибровочные коэффициенты";
    QTest::newRow("zero with decimals") << "st_kuc"
                                        << "0,0"
                                        << "Калибровочные коэффициенты";
    QTest::newRow("coefficient not an integer") << "st_kua"
                                                << "570,5"
                                                << "целое";
    QTest::newRow("coefficient below one") << "st_kua"
                                           << "0,05"
                                           << "не целое число";
    QTest::newRow("coefficient not a number") << "st_kub"
                                              << "5x0"
                                              << "5x0";
    QTest::newRow("negative coefficient") << "st_kic"
                                          << "-5"
                                          << "65535";
    QTest::newRow("coefficient too large") << "st_kidif"
                                           << "70000"
                                           << "65535";
    QTest::newRow("current not a number") << "z_idif_a"
                                          << "abc"
                                          << "abc";
    QTest::newRow("current empty") << "z_ihol_a"
                                   << ""
                                   << "число";
    QTest::newRow("negative current") << "z_izkl_a"
                                      << "-5"
                                      << "6553,5";
    QTest::newRow("current too large") << "z_inom_a"
                                       << "7000"
                                       << "6553,5";
    QTest::newRow("text outside the code page") << "oust_text"
                                                << "Цех ✓"
                                                << "1251";
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
    r.answerBefore();
    const QByteArray sent = frame::payloadOf(r.last()).mid(1);
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    QVERIFY(r.prompt.shown.isEmpty());   // the relay's word alone proves nothing yet
    QCOMPARE(r.port->written.size(), 3); // exactly one read follows
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
    r.answerBefore();
    QByteArray held = frame::payloadOf(r.last()).mid(1);
    held[4] = char(0x1B); // Umax 7000 V
    held[5] = char(0x58);
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    r.port->push(reply(KindConfigRead, held));
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::Mismatch);
    const QString detail = msg::failureDetail(r.failures.last().at(1).value<Outcome>());
    QVERIFY2(detail.contains(QStringLiteral("записано 250, считано 7000")), qPrintable(detail));
    QCOMPARE(r.child<SpinEdit>("z_umax_v")->value(), 7000);
    QVERIFY(r.prompt.shown.isEmpty()); // never "записана": the main window shows the failure
}

void TestConfig::writeNotConfirmed() {
    Rig r;
    r.prompt.answers = {true};
    r.click("btn_write_konf");
    r.answerBefore();
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\1'))); // a calibration write's reply
    QCOMPARE(r.failures.count(), 1);
    QCOMPARE(r.failure(), Failure::Mismatch);
    QCOMPARE(r.port->written.size(), 2);
    QVERIFY(r.prompt.shown.isEmpty());
}

// What was read is sent back unchanged, byte for byte, whatever the page can show of it:
// a speed the list lacks, Umax beyond its limit, a delay of 60,5 s held as whole seconds,
// cos f 0x00, a text with bytes after its zero. A field changed on the page changes only
// its own bytes.
void TestConfig::readAndWriteBackSendsTheSameBlock() {
    Rig r;
    Configuration c;
    c.st_zumin_t = 0; // only a read can bring 0,0 s
    c.z_idif_a = 65535;
    c.z_inom_a = 12345;
    c.oust_text = QStringLiteral("Ввод 1 А/Б      ");
    QByteArray block = config::encode(c);
    block.replace(0, 1, hx("C8")).replace(4, 2, hx("23 28")).replace(11, 2, hx("02 5D"));
    block.replace(27, 1, hx("00")).replace(46, 3, hx("00 78 79"));
    r.click("btn_read_konf");
    r.port->push(reply(KindConfigRead, block));
    QCOMPARE(r.child<SpinEdit>("z_umax_v")->value(), 7000);

    r.prompt.answers = {true};
    r.click("btn_write_konf");
    r.answerBefore(block);
    QCOMPARE(r.sentBlock().toHex(' '), block.toHex(' '));
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    r.port->push(reply(KindConfigRead, block));
    QCOMPARE(r.failures.count(), 0);

    r.child<SpinEdit>("z_umin_v")->setValue(171);
    r.prompt.answers = {true};
    r.click("btn_write_konf");
    r.answerBefore(block);
    QCOMPARE(r.sentBlock().toHex(' '), QByteArray(block).replace(1, 2, hx("00 AB")).toHex(' '));
}

// Page -> file -> page gives back every field, and the file says where it came from.
void TestConfig::settingsRoundTripEveryField() {
    Rig r;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.json"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.2.1"));
    r.click("Button12");
    r.port->push(reply(KindVersion, QByteArray("V2.07") + QByteArray(11, '\0')));
    const QString firmware = r.child<QLabel>("st_vpmk")->text();
    QVERIFY(firmware.contains(QStringLiteral("V2.07")));
    r.page.setConfiguration(allChanged());
    QCOMPARE(r.shown(), allChanged()); // the page can hold every value
    r.page.settingsFiles().setSaveFileAsker([&path](const QString& name) {
        return name.startsWith(QStringLiteral("КЛИВ_№600_")) ? path : QString();
    });
    r.click("btn_save_settings");
    QCOMPARE(r.prompt.lastText(),
             QStringLiteral("Настройки сохранены в файл ") + QDir::toNativeSeparators(path));

    r.page.setConfiguration(Configuration{});
    r.page.settingsFiles().setOpenFileAsker([&path](const QString&) { return path; });
    r.click("btn_open_settings");
    QCOMPARE(r.prompt.shown.last().message, msg::settingsOpened(QDir::toNativeSeparators(path)));
    QVERIFY(r.prompt.shown.last().detail.isEmpty()); // no field missing
    QCOMPARE(r.shown(), allChanged());
    QCOMPARE(r.port->written.size(), 1); // the version request only

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject header =
        QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("header")).toObject();
    QCOMPARE(header.value(QStringLiteral("serial")).toInt(), 600);
    QCOMPARE(header.value(QStringLiteral("tool")).toString(), QStringLiteral("3.2.1"));
    QCOMPARE(header.value(QStringLiteral("format")).toInt(), 1);
    QCOMPARE(header.value(QStringLiteral("firmware")).toString(), firmware);
    f.close();

    // Another relay's firmware is not this one's.
    r.engine.setSerial(601);
    QVERIFY(r.page.settingsFiles().saveSettings(path));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject other =
        QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("header")).toObject();
    QCOMPARE(other.value(QStringLiteral("serial")).toInt(), 601);
    QVERIFY(!other.contains(QStringLiteral("firmware")));
}

void TestConfig::badFileLeavesThePage_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("one bad field among good ones")
        << QByteArray(R"({"z_umin_v": 200, "z_umax_v": 9000, "tipo_text": "Новый"})") << "z_umax_v";
    QTest::newRow("a field of the wrong type")
        << QByteArray(R"({"z_umin_v": 200, "blok_z": "да"})") << "blok_z";
    QTest::newRow("an unknown field")
        << QByteArray(R"({"z_umin_v": 200, "z_uman_v": 250})") << "z_uman_v";
    QTest::newRow("not JSON") << QByteArray("z_umin_v = 200") << "JSON";
    QTest::newRow("a field named twice")
        << QByteArray(R"({"z_umax_v": 99999, "z_umin_v": 200, "z_umax_v": 171})")
        << "z_umax_v: ключ указан";
    QTest::newRow("a newer format")
        << QByteArray(R"({"header": {"format": 7}, "z_umin_v": 200})") << "формат 7";
}

// A box names what is wrong; not one field of the page changes.
void TestConfig::badFileLeavesThePage() {
    QFETCH(QByteArray, text);
    QFETCH(QString, named);
    Rig r;
    QTemporaryDir dir;
    r.page.setConfiguration(allChanged());
    QVERIFY(!r.page.settingsFiles().openSettings(writeFile(dir, text)));
    QCOMPARE(r.prompt.shown.size(), 1);
    QCOMPARE(r.prompt.shown.last().message.icon, Icon::Error);
    QVERIFY2(r.prompt.shown.last().detail.contains(named),
             qPrintable(r.prompt.shown.last().detail));
    QCOMPARE(r.shown(), allChanged());
}

void TestConfig::fileOfAnotherRelayAsks_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("sent");
    QTest::newRow("another relay, No") << QByteArray(R"("header": {"format": 1, "serial": 601},)")
                                       << QList<bool>{false} << 1 << false;
    QTest::newRow("another relay, Yes then No")
        << QByteArray(R"("header": {"format": 1, "serial": 601},)") << QList<bool>{true, false} << 2
        << false;
    QTest::newRow("another relay, Yes twice")
        << QByteArray(R"("header": {"format": 1, "serial": 601},)") << QList<bool>{true, true} << 2
        << true;
    QTest::newRow("this relay") << QByteArray(R"("header": {"format": 1, "serial": 600},)")
                                << QList<bool>{true} << 1 << true;
    QTest::newRow("no header") << QByteArray() << QList<bool>{true} << 1 << true;
}

void TestConfig::fileOfAnotherRelayAsks() {
    QFETCH(QByteArray, header);
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(bool, sent);
    Rig r;
    QTemporaryDir dir;
    QVERIFY(
        r.page.settingsFiles().openSettings(writeFile(dir, "{" + header + R"("z_umax_v": 300})")));
    r.prompt.answers = answers;
    r.click("btn_write_konf");
    QCOMPARE(r.prompt.asked.size(), questions);
    if (questions == 2)
        QVERIFY2(r.prompt.asked.first().contains(QStringLiteral("№ 601")) &&
                     r.prompt.asked.first().contains(QStringLiteral("№ 600")),
                 qPrintable(r.prompt.asked.first()));
    QCOMPARE(r.port->written.size(), sent ? 1 : 0);
    if (!sent)
        QCOMPARE(r.prompt.lastText(), msg::configWriteCancelled().text);
}

// A file that cannot be written says so and leaves what stood there.
void TestConfig::failedSaveSaysSo() {
    Rig r;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken.json")));
    for (const QString& path : {dir.filePath(QStringLiteral("no/such/folder/a.json")),
                                dir.filePath(QStringLiteral("taken.json"))}) {
        QVERIFY(!r.page.settingsFiles().saveSettings(path));
        QCOMPARE(r.prompt.shown.last().message,
                 msg::settingsNotSaved(QDir::toNativeSeparators(path)));
        QVERIFY(!r.prompt.shown.last().detail.isEmpty());
    }
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("taken.json"))).isDir());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("no"))));
}

void TestConfig::compareWithRelay_data() {
    QTest::addColumn<Configuration>("relay");
    QTest::addColumn<QStringList>("take");
    Configuration one;
    one.z_umax_v = 300;
    QTest::newRow("the same") << Configuration{} << QStringList{};
    QTest::newRow("one field, taken") << one << QStringList{QStringLiteral("z_umax_v")};
    QTest::newRow("one field, left") << one << QStringList{};
    QTest::newRow("every field, two taken")
        << allChanged() << QStringList{QStringLiteral("tipo_text"), QStringLiteral("z_inom_a")};
}

// Texts of control bytes and of 0x98, as a relay may hold them, are shown, saved, compared
// and written back as they are; only what the user types is held to a label's rules.
void TestConfig::relayTextsKeepEveryByte() {
    Rig r;
    QByteArray block = config::encode(Configuration{});
    block.replace(42, 6, QByteArray::fromHex("01981F7F09C0"));
    r.click("btn_read_konf");
    r.port->push(reply(KindConfigRead, block));
    QTemporaryDir dir;
    QVERIFY(r.page.settingsFiles().saveSettings(dir.filePath(QStringLiteral("relay.json"))));
    QVERIFY(r.page.settingsFiles().openSettings(dir.filePath(QStringLiteral("relay.json"))));
    r.click("btn_compare");
    r.port->push(reply(KindConfigRead, block));
    QCOMPARE(r.prompt.shown.last().message, msg::configSame());
    r.prompt.answers = {true};
    r.click("btn_write_konf");
    r.answerBefore();
    QCOMPARE(frame::payloadOf(r.last()).mid(1), block);
    for (const auto& shown : r.prompt.shown)
        QVERIFY2(shown.message.icon != Icon::Error, qPrintable(shown.detail));
}

// The page changes only by the fields taken; the relay is only read.
void TestConfig::compareWithRelay() {
    QFETCH(Configuration, relay);
    QFETCH(QStringList, take);
    Rig r;
    QList<config::FieldDifference> offered;
    r.page.settingsFiles().setDifferenceChooser([&](const QList<config::FieldDifference>& d) {
        offered = d;
        return take;
    });
    r.click("btn_compare");
    QCOMPARE(frame::kindOf(r.last()), quint8(KindConfigRead));
    r.port->push(reply(KindConfigRead, config::encode(relay)));
    QCOMPARE(r.port->written.size(), 1);

    // The relay's texts come back padded with blanks, as it stores them.
    const Configuration relayShown = config::decode(config::encode(relay));
    const QList<config::FieldDifference> expected =
        config::differences(Configuration{}, relayShown);
    QCOMPARE(offered, expected);
    if (expected.isEmpty())
        QCOMPARE(r.prompt.shown.last().message, msg::configSame());
    if (relay == allChanged())
        QCOMPARE(offered.size(), qsizetype(config::fields().size()));
    Configuration page;
    for (const QString& key : take) {
        const config::Field* f = config::fieldNamed(key);
        if (f->number)
            page.*f->number = relayShown.*f->number;
        else
            page.*f->text = relayShown.*f->text;
    }
    QCOMPARE(r.shown(), page);
}

// Undo writes, byte for byte, the block the relay held before the last write, even what the
// page could not show of it (cos f 0x00, bytes after a text's zero), once asked with a
// question naming that write; the undo is a write like any other, so a second undo redoes.
void TestConfig::undoWritesTheEarlierBlock() {
    Rig r;
    Configuration earlier;
    earlier.z_umax_v = 333;
    earlier.oust_text = QStringLiteral("Было");
    const QByteArray earlierBlock =
        config::encode(earlier).replace(27, 1, hx("00")).replace(44, 2, hx("00 41"));
    r.writeVerified(earlierBlock, allChanged());
    QCOMPARE(r.failures.count(), 0);
    const changes::ChangeRecord written = r.page.settingsFiles().journal().read().records.value(0);

    r.prompt.answers = {false};
    r.click("btn_undo_write");
    const QString asked = r.prompt.asked.last();
    QCOMPARE(asked, msg::ExchangeCaption + u'|' + msg::undoQuestion(written));
    for (const QString& named :
         {written.time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), QStringLiteral("Umax"),
          QStringLiteral("COSf"), QStringLiteral("Объек/установка"), msg::configWriteQuestion()})
        QVERIFY2(asked.contains(named), qPrintable(named));
    QCOMPARE(r.prompt.lastText(), msg::configWriteCancelled().text);
    const qsizetype before = r.port->written.size();

    r.prompt.answers = {true};
    r.click("btn_undo_write");
    QCOMPARE(r.port->written.size(), before + 1);
    r.answerBefore(allChanged());
    QCOMPARE(r.sentBlock().toHex(' '), earlierBlock.toHex(' '));
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    r.port->push(reply(KindConfigRead, earlierBlock));
    QCOMPARE(r.prompt.lastText(), msg::configRead().text);
    QCOMPARE(r.shown().z_umax_v, 333);

    const QList<changes::ChangeRecord> records = r.page.settingsFiles().journal().read().records;
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.last().before, config::encode(allChanged()));
    QCOMPARE(records.last().after, earlierBlock);
    QCOMPARE(r.page.settingsFiles().journal().undo(600).write->before,
             config::encode(allChanged()));
}

void TestConfig::undoOnlyFromAWholeNewestRecord_data() {
    QTest::addColumn<QByteArray>("line"); // after a whole write of relay 600
    QTest::addColumn<bool>("thenWhole");  // and then another whole write of it
    QTest::addColumn<QString>("stops");   // what the refusal names; empty: the undo goes on
    const auto line = [](int serial, const QByteArray& before) {
        changes::ChangeRecord w;
        w.time = QDateTime(QDate(2026, 5, 4), QTime(10, 20, 30));
        w.serial = serial;
        w.job = QString::fromLatin1(changes::ConfigWrite);
        w.outcome = QString::fromLatin1(changes::Done);
        w.before = before;
        w.after = config::encode(allChanged());
        return changes::toLine(w).trimmed();
    };
    const QByteArray held = config::encode(Configuration{});
    const QByteArray whole = line(600, held), other = line(601, held);
    const qsizetype serialAt = whole.indexOf("\"serial\"");
    QTest::newRow("cut short by a crash") << whole.left(serialAt) << false << "оборвана";
    QTest::newRow("cut in its serial") << whole.left(serialAt + 11) << false << "оборвана";
    QTest::newRow("block one byte short") << line(600, held.left(77)) << false << "77 байт";
    QTest::newRow("serial as text")
        << QByteArray(whole).replace("\"serial\":600", "\"serial\":\"600\"") << false
        << "номера реле";
    QTest::newRow("another relay's, cut short")
        << other.left(other.indexOf("\"serial\"") + 14) << false << "";
    QTest::newRow("this relay's, then a whole write") << whole.left(serialAt) << true << "";
}

// Only the newest write of this relay is backed out, and only when its line is whole: a
// damaged line that is or may be this relay's is named and nothing is written; the
// journal's warnings reach the user either way.
void TestConfig::undoOnlyFromAWholeNewestRecord() {
    QFETCH(QByteArray, line);
    QFETCH(bool, thenWhole);
    QFETCH(QString, stops);
    Rig r;
    ChangeJournal& journal = r.page.settingsFiles().journal();
    Configuration earlier;
    earlier.z_umax_v = 333;
    r.writeVerified(earlier, allChanged());
    QFile f(journal.path());
    QVERIFY(f.open(QIODevice::Append));
    f.write(line + '\n');
    f.close();
    if (thenWhole) {
        changes::ChangeRecord newer = journal.read().records.first();
        newer.before = config::encode(Configuration{});
        QVERIFY(journal.append(newer));
    }
    const qsizetype sent = r.port->written.size(), asked = r.prompt.asked.size();
    r.prompt.answers = {false};
    r.click("btn_undo_write");
    QCOMPARE(r.port->written.size(), sent);
    if (!stops.isEmpty()) {
        QCOMPARE(r.prompt.asked.size(), asked);
        QCOMPARE(r.prompt.shown.last().message, msg::undoDamaged(2));
        QVERIFY2(r.prompt.shown.last().detail.contains(stops),
                 qPrintable(r.prompt.shown.last().detail));
        return;
    }
    QCOMPARE(r.prompt.asked.size(), asked + 1);
    const QList<changes::ChangeRecord> records = journal.read().records;
    QVERIFY(r.prompt.asked.last().contains(msg::undoQuestion(records.last())));
    QVERIFY2(r.prompt.asked.last().contains(QStringLiteral("строка 2 пропущена")),
             qPrintable(r.prompt.asked.last()));
    r.prompt.answers = {true};
    r.click("btn_undo_write");
    QCOMPARE(r.sentBlock().size(), 0); // the relay's block is read first
    r.answerBefore(allChanged());
    QCOMPARE(r.sentBlock(), records.last().before);
}

void TestConfig::undoWithNothingToUndo() {
    Rig r;
    r.prompt.answers = {true};
    r.click("btn_undo_write");
    QCOMPARE(r.prompt.shown.last().message, msg::nothingToUndo());
    QVERIFY(r.prompt.asked.isEmpty());
    // A write of another relay is not this one's to undo.
    changes::ChangeRecord other;
    other.time = QDateTime::currentDateTime();
    other.serial = 601;
    other.job = QString::fromLatin1(changes::ConfigWrite);
    other.outcome = QString::fromLatin1(changes::Done);
    other.before = config::encode(allChanged());
    QVERIFY(r.page.settingsFiles().journal().append(other));
    r.click("btn_undo_write");
    QCOMPARE(r.prompt.shown.last().message, msg::nothingToUndo());
    QVERIFY(r.port->written.isEmpty());
}

// Newest first, this relay's lines unless the box is cleared, and a count of lines that
// could not be read.
void TestConfig::changeLogShowsTheJournal() {
    Rig r;
    Configuration held;
    r.writeVerified(held, allChanged());
    changes::ChangeRecord other;
    other.time = QDateTime::currentDateTime();
    other.serial = 601;
    other.job = QString::fromLatin1(changes::ClockSet);
    other.outcome = QStringLiteral("no-answer");
    QVERIFY(r.page.settingsFiles().journal().append(other));
    QFile f(r.page.settingsFiles().journal().path());
    QVERIFY(f.open(QIODevice::Append));
    for (int i = 0; i < 5000; ++i)
        f.write("{\"time\": \"2026-\n");
    f.close();

    r.click("btn_change_log");
    auto* dialog = r.page.findChild<ChangeLogDialog*>();
    QVERIFY(dialog);
    QCOMPARE(dialog->table()->rowCount(), 1);
    QCOMPARE(dialog->table()->item(0, 3)->text(), QStringLiteral("Запись конфигурации"));
    QCOMPARE(dialog->table()->item(0, 4)->text(), QStringLiteral("выполнено"));
    dialog->onlyThisRelay()->setChecked(false);
    QCOMPARE(dialog->table()->rowCount(), 2);
    QCOMPARE(dialog->table()->item(0, 1)->text(), QStringLiteral("601"));
    QCOMPARE(dialog->table()->item(0, 4)->text(), QStringLiteral("нет ответа"));
    auto* skipped = dialog->findChild<QLabel*>(QStringLiteral("st_changes_skipped"));
    QVERIFY(skipped);
    QVERIFY(skipped->text().endsWith(QStringLiteral(": 5000")));
    // Its tooltip names a screen's worth of them, and how many more there are.
    QTextDocument tip;
    tip.setHtml(skipped->toolTip());
    const QStringList lines = tip.toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 21);
    QVERIFY(lines.first().startsWith(QStringLiteral("строка 3 пропущена")));
    QCOMPARE(lines.last(), QStringLiteral("… и ещё 4980"));
}

void TestConfig::screenshots() {
    const QString dir = qEnvironmentVariable("KLIV_SCREENSHOTS");
    if (dir.isEmpty())
        QSKIP("set KLIV_SCREENSHOTS=<dir> to write the window images");
    QDir().mkpath(dir);
    Rig r;
    r.page.resize(980, 640);
    r.page.setConfiguration(allChanged());
    r.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r.page));
    QVERIFY(r.page.grab().save(dir + QStringLiteral("/config-page.png")));
    Configuration relay = allChanged();
    relay.z_umax_v = 300;
    relay.st_zumax_t = 50;
    relay.z_inom_a = 120;
    relay.oust_text = QStringLiteral("Цех 5");
    CompareDialog dialog(config::differences(allChanged(), config::decode(config::encode(relay))));
    QCOMPARE(dialog.table()->rowCount(), 4);
    dialog.table()->item(1, 0)->setCheckState(Qt::Unchecked);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.grab().save(dir + QStringLiteral("/compare.png")));
    QCOMPARE(dialog.chosenKeys().size(), 3);

    Configuration earlier;
    r.writeVerified(earlier, allChanged());
    r.prompt.answers = {true};
    r.click("btn_undo_write");
    r.answerBefore(allChanged());
    r.port->push(reply(KindConfigWrite, QByteArray(1, '\0')));
    r.port->push(reply(KindConfigRead, config::encode(earlier)));
    r.click("btn_change_log");
    auto* log = r.page.findChild<ChangeLogDialog*>();
    QVERIFY(QTest::qWaitForWindowExposed(log));
    QVERIFY(log->grab().save(dir + QStringLiteral("/change-log.png")));
}

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
