// Bad input at every free-text field, typed spin value, command-line option and argument,
// and settings-file value: each is refused with a message naming its field before
// anything reaches the line, or, where the field itself corrects what is typed (spin
// edits) or holds only what fits (the information texts), nothing outside its limits is
// ever sent. One line a case on stdout, "badinput <field> <input> <outcome>", for the
// robustness table; the outcome is refused, accepted, corrected or cut.

#include "app/linebinding.h"
#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "config/configpage.h"
#include "diag/diagpage.h"
#include "link/engine.h"
#include "model/configschema.h"
#include "model/line.h"
#include "protocol/calibration.h"
#include "protocol/clock.h"
#include "protocol/frame.h"
#include "protocol/status.h"
#include "texts/calibrationtexts.h"
#include "texts/configtexts.h"
#include "texts/messages.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

using namespace kliv;

namespace {

void report(const QString& field, const QString& input, const QString& outcome) {
    std::printf("badinput %s %s %s\n", qPrintable(field), qPrintable(input), qPrintable(outcome));
    std::fflush(stdout);
}

const QString Overlong = QString(40, QLatin1Char('9'));

// ---------------------------------------------------------------- the windows

template <class T> T* child(const QObject& parent, const QString& name) {
    T* w = parent.findChild<T*>(name);
    if (!w)
        qFatal("no child %s", qPrintable(name));
    return w;
}

struct Tool {
    test::FakePort* port = new test::FakePort;
    Engine engine{port};
    test::RecordingPrompt prompt;
    Tool() {
        engine.setPortName(QStringLiteral("/dev/fake"));
        // Writes are recorded in the change journal: a folder of the test's own.
        static QTemporaryDir data;
        qputenv("KLIV_DATA_DIR", data.path().toUtf8());
    }
    // A write or a calibration first reads what the relay holds, for the change journal.
    void answerRead() {
        if (!port->written.isEmpty() && frame::kindOf(port->written.last()) == KindConfigRead)
            port->push(frame::build(600, KindConfigRead, config::encode(Configuration{})));
    }
    // The block of a configuration write, once the read before it is answered.
    QByteArray writtenBlock() {
        if (port->written.size() != 1)
            return {};
        answerRead();
        return port->written.size() == 2 ? frame::payloadOf(port->written.last()).mid(1)
                                         : QByteArray();
    }
    QList<QByteArray> sentOfKind(quint8 kind) const {
        QList<QByteArray> out;
        for (const QByteArray& f : port->written)
            if (frame::kindOf(f) == kind)
                out.append(f);
        return out;
    }
    QString shownText() const {
        QString all;
        for (const auto& s : prompt.shown)
            all += s.message.text + QLatin1Char('\n') + s.detail + QLatin1Char('\n');
        return all;
    }
};

// The relay's calibration readings for the simulated motor with factory coefficients.
QByteArray measurementReply() {
    QByteArray p(1, char(SelectorCalibration));
    for (quint32 v : {223440u, 221160u, 225720u, 1800u, 1850u, 1750u, 2500u}) {
        p.append(char(v >> 16 & 0xFF));
        p.append(char(v >> 8 & 0xFF));
        p.append(char(v & 0xFF));
    }
    return frame::build(600, KindStatus, p);
}

// Types into a spin edit as the user does, then leaves it with Enter.
void typeInto(SpinEdit* spin, const QString& text) {
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_Delete);
    for (QChar ch : text) // by their text: keyClicks() knows only ASCII keys
        QTest::sendKeyEvent(QTest::Click, spin, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    QTest::keyClick(spin, Qt::Key_Return);
}

// ---------------------------------------------------------------- the command line

struct Run {
    int code = -1;
    QString err;
};

Run cli(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    // No relay behind it: whatever gets past the checks ends with exit code 3. First, as
    // everything behind a "--" is an argument.
    p.start(qEnvironmentVariable("KLIV_CLI"),
            QStringList{QStringLiteral("--port"), QStringLiteral("/nonexistent/tty")} + args);
    p.waitForFinished(20000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void configField_data();
    void configField();
    void calibrationField_data();
    void calibrationField();
    void spinValue_data();
    void spinValue();
    void cliArgument_data();
    void cliArgument();
    void settingsValue_data();
    void settingsValue();

  private:
    QTemporaryDir m_dir;
};

void TestBadInput::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QVERIFY(m_dir.isValid());
}

// ---------------------------------------------------------------- configuration page

void TestBadInput::configField_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("sent"); // what the page then sends, as a message shows it

    const auto row = [](const char* field, const char* input, const QString& text,
                        const char* outcome, const QString& sent = {}) {
        QTest::addRow("%s %s", field, input)
            << QString::fromLatin1(field) << input << text << QString::fromLatin1(outcome) << sent;
    };
    for (const char* f : {"z_ihol_a", "z_inom_a", "z_izkl_a", "z_idif_a"}) {
        row(f, "empty", {}, "refused");
        row(f, "spaces", QStringLiteral("   "), "refused");
        row(f, "letters", QStringLiteral("abc"), "refused");
        row(f, "comma", QStringLiteral("1,5"), "accepted", QStringLiteral("1,5"));
        row(f, "point", QStringLiteral("1.5"), "accepted", QStringLiteral("1,5"));
        row(f, "negative", QStringLiteral("-5"), "refused");
        row(f, "too-large", QStringLiteral("7000"), "refused");
        row(f, "non-cp1251", QStringLiteral("1,5✓"), "refused");
        row(f, "overlong", Overlong, "refused"); // the field keeps six digits: 999999 A
    }
    for (const char* f : {"st_kua", "st_kub", "st_kuc", "st_kia", "st_kib", "st_kic", "st_kidif"}) {
        row(f, "empty", {}, "refused");
        row(f, "spaces", QStringLiteral("   "), "refused");
        row(f, "letters", QStringLiteral("abc"), "refused");
        row(f, "comma", QStringLiteral("570,5"), "refused");
        row(f, "point", QStringLiteral("570.5"), "refused");
        row(f, "negative", QStringLiteral("-570"), "refused");
        row(f, "too-large", QStringLiteral("70000"), "refused");
        row(f, "non-cp1251", QStringLiteral("57٠"), "refused");
        row(f, "overlong", Overlong, "refused");
        row(f, "zero", QStringLiteral("0"), "refused");
    }
    const auto stored = [](const QString& t) {
        return u'«' + t.left(config::TextSize).leftJustified(config::TextSize) + u'»';
    };
    for (const char* f : {"tipo_text", "oust_text"}) {
        row(f, "empty", {}, "accepted", stored({}));
        row(f, "spaces", QStringLiteral("   "), "accepted", stored({}));
        row(f, "letters", QStringLiteral("Насос"), "accepted", stored(QStringLiteral("Насос")));
        row(f, "digits", QStringLiteral("-1,5.0"), "accepted", stored(QStringLiteral("-1,5.0")));
        row(f, "non-cp1251", QStringLiteral("Цех ✓"), "refused");
        row(f, "control", QStringLiteral("Цех\t2"), "refused");
        const QString longText = QStringLiteral("Насос питательный №3");
        row(f, "overlong", longText, "cut", stored(longText));
    }
}

// Through the write command, confirmed: a box names the field and nothing reaches the
// line, or the value goes out as the field shows it.
void TestBadInput::configField() {
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(QString, text);
    QFETCH(QString, outcome);
    QFETCH(QString, sent);
    Tool t;
    ConfigPage page(t.engine, t.prompt);
    auto* edit = child<QLineEdit>(page, field);
    edit->setText(text);
    edit->setModified(true); // typed by the user
    t.prompt.answers = {true};
    child<QPushButton>(page, QStringLiteral("btn_write_konf"))->click();

    const config::Field* f = config::fieldNamed(field);
    if (outcome == QLatin1String("refused")) {
        QCOMPARE(t.prompt.shown.size(), 1);
        QCOMPARE(t.prompt.shown.first().message.icon, Icon::Error);
        QVERIFY2(t.shownText().contains(QString::fromUtf8(f->label)), qPrintable(t.shownText()));
        QVERIFY(t.port->written.isEmpty());
        QCOMPARE(t.port->opens, 0);
    } else {
        QVERIFY2(t.prompt.shown.isEmpty(), qPrintable(t.shownText()));
        const QByteArray block = t.writtenBlock();
        QCOMPARE(block.size(), config::BlockSize);
        QCOMPARE(config::valueText(config::decode(block), *f, NumberLocale::system()), sent);
    }
    report(field, input, outcome);
}

// ---------------------------------------------------------------- auto-calibration

void TestBadInput::calibrationField_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<bool>("reference"); // the reference of a ticked channel, else the
                                         // coefficient an unticked one keeps
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("outcome");
    const QList<std::pair<const char*, QString>> references = {
        {"empty", {}},
        {"spaces", QStringLiteral("   ")},
        {"letters", QStringLiteral("abc")},
        {"comma", QStringLiteral("392,5")},
        {"point", QStringLiteral("392.5")},
        {"negative", QStringLiteral("-392")},
        {"zero", QStringLiteral("0")},
        // Any reference far above the signal leaves a coefficient of 0, known only once
        // measured: the write is refused then.
        {"too-large", QStringLiteral("99999999")},
        {"non-cp1251", QStringLiteral("39٢")},
        {"overlong", Overlong},
    };
    const QList<std::pair<const char*, QString>> coefficients = {
        {"empty", {}},
        {"spaces", QStringLiteral("   ")},
        {"letters", QStringLiteral("abc")},
        {"comma", QStringLiteral("570,5")},
        {"point", QStringLiteral("570.5")},
        {"negative", QStringLiteral("-570")},
        {"too-large", QStringLiteral("65536")},
        {"non-cp1251", QStringLiteral("57٠")},
        {"overlong", Overlong},
    };
    for (int c = 0; c < calibration::ChannelCount; ++c) {
        const char* key = calibration::channel(c).key;
        for (const auto& [input, text] : references) {
            const bool fine = qstrcmp(input, "comma") == 0 || qstrcmp(input, "point") == 0;
            QTest::addRow("%s reference %s", key, input)
                << c << true << QString::fromLatin1(input) << text
                << QString::fromLatin1(fine ? "accepted" : "refused");
        }
        for (const auto& [input, text] : coefficients)
            QTest::addRow("%s coefficient %s", key, input)
                << c << false << QString::fromLatin1(input) << text << QStringLiteral("refused");
    }
}

// "Авто-калибровка", confirmed, then the relay's readings: a refused value is named by its
// channel and no calibration write ever leaves.
void TestBadInput::calibrationField() {
    QFETCH(int, channel);
    QFETCH(bool, reference);
    QFETCH(QString, input);
    QFETCH(QString, text);
    QFETCH(QString, outcome);
    static const char* const Boxes[] = {"CB_uak", "CB_ubk", "CB_uck",  "CB_iak",
                                        "CB_ibk", "CB_ick", "CB_idifk"};
    static const char* const References[] = {"ua_k", "ub_k", "uc_k",  "ia_k",
                                             "ib_k", "ic_k", "idif_k"};
    static const char* const Coefficients[] = {"st_kua", "st_kub", "st_kuc",  "st_kia",
                                               "st_kib", "st_kic", "st_kidif"};
    const QString field =
        QString::fromLatin1(reference ? References[channel] : Coefficients[channel]);
    Tool t;
    // The window shows the engine's failures; the group only its own refusals.
    QObject::connect(&t.engine, &Engine::jobFailed, &t.engine, [&t](Job*, const Outcome& outcome) {
        const msg::Report r = msg::forFailure(outcome);
        t.prompt.show(r.message, r.detail);
    });
    ConfigPage page(t.engine, t.prompt);
    // Another channel calibrated against its true signal: the row's value is all that is
    // wrong.
    const int other = channel == calibration::Ua ? calibration::Ub : calibration::Ua;
    child<QCheckBox>(page, QString::fromLatin1(Boxes[other]))->setChecked(true);
    child<QLineEdit>(page, QString::fromLatin1(References[other]))
        ->setText(other == calibration::Ua ? QStringLiteral("392") : QStringLiteral("388"));
    if (reference) {
        child<QCheckBox>(page, QString::fromLatin1(Boxes[channel]))->setChecked(true);
        child<QLineEdit>(page, QString::fromLatin1(References[channel]))->setText(text);
    } else {
        child<QLineEdit>(page, field)->setText(text);
    }
    t.prompt.answers = {true};
    child<QPushButton>(page, QStringLiteral("Button5"))->click();
    t.answerRead();
    for (int i = 0; i < calibration::Measurements && t.engine.current(); ++i)
        t.port->push(measurementReply());

    const QList<QByteArray> writes = t.sentOfKind(KindConfigWrite);
    if (outcome == QLatin1String("refused")) {
        QVERIFY(writes.isEmpty());
        QVERIFY(!t.prompt.shown.isEmpty());
        QCOMPARE(t.prompt.shown.last().message.text, msg::calibrationRefused().text);
        QVERIFY2(t.prompt.shown.last().detail.startsWith(calibration::labelOf(channel) + u':'),
                 qPrintable(t.shownText()));
    } else {
        QCOMPARE(writes.size(), 1);
        t.engine.cancel();
    }
    report(QStringLiteral("auto-calibration:") + field, input, outcome);
}

// ---------------------------------------------------------------- spin edits

void TestBadInput::spinValue_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    struct Spin {
        const char* name;
        int min, max;
    };
    const Spin spins[] = {{"z_umin_v", 100, 6000}, {"z_umax_v", 100, 7000}, {"z_uasm", 1, 99},
                          {"z_ihol_t", 1, 999},    {"z_iasm", 1, 99},       {"z_vtz_t", 1, 999},
                          {"pcosf", -75, 75},      {"sp_uaddr", 1, 247},    {"sp_utb", 3, 200},
                          {"sp_ute", 2, 99},       {"frm1_zn", 100, 65535}, {"rcal", -31, 31}};
    for (const Spin& s : spins) {
        // A comma or point is not taken, so "1,5" types as 15.
        const int fifteen = qBound(s.min, 15, s.max);
        const QList<std::tuple<const char*, QString, int>> inputs = {
            {"empty", {}, s.min},
            {"spaces", QStringLiteral("   "), s.min},
            {"letters", QStringLiteral("abc"), s.min},
            {"comma", QStringLiteral("1,5"), fifteen},
            {"point", QStringLiteral("1.5"), fifteen},
            {"negative", QStringLiteral("-99999"), s.min},
            {"too-large", QStringLiteral("99999999"), s.max},
            {"non-cp1251", QStringLiteral("✓"), s.min},
            {"overlong", Overlong, s.max},
        };
        for (const auto& [input, typed, expected] : inputs)
            QTest::addRow("%s %s", s.name, input)
                << QString::fromLatin1(s.name) << input << typed << expected;
    }
}

// A typed spin value is held to the field's limits (a text that is no number reads as the
// lower one); what then goes on the wire is that value, never one beyond the limits.
void TestBadInput::spinValue() {
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(QString, typed);
    QFETCH(int, expected);
    Tool t;
    if (field == QLatin1String("frm1_zn") || field == QLatin1String("rcal")) {
        model::Line line;
        bindLine(line, t.engine);
        DiagnosticsPage page(t.engine, line, t.prompt);
        typeInto(child<SpinEdit>(page, field), typed);
        child<QPushButton>(page, QStringLiteral("Button11"))->click(); // "Корректировка часов"
        if (t.engine.holdTimer().isActive())
            t.engine.onHoldEnd();
        QCOMPARE(t.port->written.size(), 1);
        const QByteArray f = t.port->written.first();
        const int sent = field == QLatin1String("frm1_zn")
                             ? quint8(f.at(2)) << 8 | quint8(f.at(3))
                             : clock::calibrationFromByte(quint8(frame::payloadOf(f).at(0)));
        QCOMPARE(sent, expected);
    } else {
        ConfigPage page(t.engine, t.prompt);
        typeInto(child<SpinEdit>(page, field), typed);
        t.prompt.answers = {true};
        child<QPushButton>(page, QStringLiteral("btn_write_konf"))->click();
        const QByteArray block = t.writtenBlock();
        QCOMPARE(block.size(), config::BlockSize);
        const Configuration c = config::decode(block);
        QCOMPARE(c.*config::fieldNamed(field)->number, expected);
    }
    report(field, input, QStringLiteral("corrected"));
}

// ---------------------------------------------------------------- kliv-cli

void TestBadInput::cliArgument_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("names"); // empty: accepted, it gets as far as the port

    const QString yes = QStringLiteral("--yes");
    const auto row = [](const QString& field, const char* input, const QStringList& args,
                        const QString& names) {
        QTest::addRow("%s %s", qPrintable(field), input) << field << input << args << names;
    };
    // The usual bad values for a whole number: `base` with decimals, a negative and a too
    // large one, digits of another script; `value(x)` puts x where the command takes it.
    const auto numbers = [&row](const QString& field, const QString& names, const QString& base,
                                const QString& negative, const QString& tooLarge,
                                const QString& other,
                                std::function<QStringList(const QString&)> value) {
        row(field, "empty", value({}), names);
        row(field, "spaces", value(QStringLiteral("   ")), names);
        row(field, "letters", value(QStringLiteral("abc")), names);
        row(field, "comma", value(base + QStringLiteral(",5")), names);
        row(field, "point", value(base + QStringLiteral(".5")), names);
        row(field, "negative", value(negative), names);
        row(field, "too-large", value(tooLarge), names);
        row(field, "non-cp1251", value(other), names);
        row(field, "overlong", value(QString(400, QLatin1Char('9'))), names);
    };
    const auto option = [](const QString& command, const QString& name, QStringList extra = {}) {
        return [=](const QString& v) { return QStringList{command, name, v} + extra; };
    };
    numbers(QStringLiteral("--serial"), QStringLiteral("Заводской номер"), QStringLiteral("600"),
            QStringLiteral("-600"), QStringLiteral("70000"), QStringLiteral("６００"),
            option(QStringLiteral("version"), QStringLiteral("--serial")));
    numbers(QStringLiteral("--baud"), QStringLiteral("Скорость"), QStringLiteral("9600"),
            QStringLiteral("-9600"), QStringLiteral("4000000"), QStringLiteral("９６００"),
            option(QStringLiteral("version"), QStringLiteral("--baud")));
    numbers(QStringLiteral("poll:--count"), QStringLiteral("--count"), QStringLiteral("5"),
            QStringLiteral("-1"), QStringLiteral("100000001"), QStringLiteral("٥"),
            option(QStringLiteral("poll"), QStringLiteral("--count")));
    numbers(QStringLiteral("clock-set:--calibration"), QStringLiteral("--calibration"),
            QStringLiteral("1"), QStringLiteral("-32"), QStringLiteral("32"), QStringLiteral("٣"),
            option(QStringLiteral("clock-set"), QStringLiteral("--calibration")));
    // Behind "--", as a script passes a value that may start with a minus.
    numbers(QStringLiteral("raw:KIND"), QStringLiteral("KIND"), QStringLiteral("1"),
            QStringLiteral("-1"), QStringLiteral("256"), QStringLiteral("١"), [](const QString& v) {
                return QStringList{QStringLiteral("raw"), QStringLiteral("--"), v};
            });
    numbers(QStringLiteral("rs485-speed:BAUD"), QStringLiteral("BAUD"), QStringLiteral("9600"),
            QStringLiteral("-9600"), QStringLiteral("4000000"), QStringLiteral("９６００"),
            [yes](const QString& v) {
                return QStringList{QStringLiteral("rs485-speed"), yes, QStringLiteral("--"), v};
            });

    const auto raw15 = [](const QString& hex) {
        return QStringList{QStringLiteral("raw"), QStringLiteral("--"), QStringLiteral("15"), hex};
    };
    row(QStringLiteral("raw:HEX"), "empty", raw15({}), {}); // no payload, as kind 15 has none
    row(QStringLiteral("raw:HEX"), "spaces", raw15(QStringLiteral("  ")), {});
    row(QStringLiteral("raw:HEX"), "letters", raw15(QStringLiteral("zz")), QStringLiteral("HEX"));
    row(QStringLiteral("raw:HEX"), "comma", raw15(QStringLiteral("0,1")), QStringLiteral("HEX"));
    row(QStringLiteral("raw:HEX"), "point", raw15(QStringLiteral("0.1")), QStringLiteral("HEX"));
    row(QStringLiteral("raw:HEX"), "negative", raw15(QStringLiteral("-1")), QStringLiteral("HEX"));
    row(QStringLiteral("raw:HEX"), "too-large", raw15(QString(160, QLatin1Char('0'))),
        QStringLiteral("HEX"));
    row(QStringLiteral("raw:HEX"), "non-cp1251", raw15(QStringLiteral("0✓")),
        QStringLiteral("HEX"));
    row(QStringLiteral("raw:HEX"), "overlong", raw15(QString(4000, QLatin1Char('A'))),
        QStringLiteral("HEX"));

    const auto view = option(QStringLiteral("poll"), QStringLiteral("--view"));
    const QString viewNames = QStringLiteral("--view");
    row(QStringLiteral("poll:--view"), "empty", view({}), viewNames);
    row(QStringLiteral("poll:--view"), "spaces", view(QStringLiteral("  ")), viewNames);
    row(QStringLiteral("poll:--view"), "letters", view(QStringLiteral("XYZ")), viewNames);
    row(QStringLiteral("poll:--view"), "comma", view(QStringLiteral("A,B")), viewNames);
    row(QStringLiteral("poll:--view"), "point", view(QStringLiteral("A.B")), viewNames);
    row(QStringLiteral("poll:--view"), "negative", view(QStringLiteral("-A")), viewNames);
    row(QStringLiteral("poll:--view"), "too-large", view(QStringLiteral("ABCD")), viewNames);
    row(QStringLiteral("poll:--view"), "non-cp1251", view(QStringLiteral("ΑΒ")), viewNames);
    row(QStringLiteral("poll:--view"), "overlong", view(QString(400, QLatin1Char('A'))), viewNames);

    const auto ref = [yes](const QString& v) {
        return QStringList{QStringLiteral("calibrate"), QStringLiteral("--ref"), v, yes};
    };
    const QString refField = QStringLiteral("calibrate:--ref");
    row(refField, "empty", ref({}), QStringLiteral("--ref"));
    row(refField, "spaces", ref(QStringLiteral("  ")), QStringLiteral("--ref"));
    row(refField, "letters", ref(QStringLiteral("ua=abc")), QStringLiteral("Ua"));
    row(refField, "no-value", ref(QStringLiteral("ua=")), QStringLiteral("Ua"));
    row(refField, "comma", ref(QStringLiteral("ua=230,5")), {});
    row(refField, "point", ref(QStringLiteral("ua=230.5")), {});
    row(refField, "negative", ref(QStringLiteral("ua=-230")), QStringLiteral("Ua"));
    row(refField, "zero", ref(QStringLiteral("ua=0")), QStringLiteral("Ua"));
    row(refField, "too-large", ref(QStringLiteral("ua=") + QString(400, QLatin1Char('9'))),
        QStringLiteral("Ua"));
    row(refField, "non-cp1251", ref(QStringLiteral("ua=٢٣٠")), QStringLiteral("Ua"));
    row(refField, "unknown-channel", ref(QStringLiteral("ux=230")), QStringLiteral("ux"));
    row(refField, "twice", ref(QStringLiteral("ua=230,ua=231")), QStringLiteral("Ua"));

    const QString folder = QDir::tempPath();
    const QString longName = folder + u'/' + QString(300, QLatin1Char('a'));
    const auto outFile = [](const QString& v) {
        return QStringList{QStringLiteral("config"), QStringLiteral("read"),
                           QStringLiteral("--out"), v};
    };
    const QString outField = QStringLiteral("config-read:--out");
    row(outField, "empty", outFile({}), QStringLiteral("--out"));
    row(outField, "spaces", outFile(QStringLiteral("  ")), QStringLiteral("--out"));
    row(outField, "no-folder", outFile(QStringLiteral("/nonexistent/f.json")),
        QStringLiteral("--out"));
    // A folder no one may write into, not even the administrator.
    row(outField, "unwritable-folder", outFile(QStringLiteral("/proc/1/f.json")),
        QStringLiteral("нет права записи"));
    row(outField, "a-folder", outFile(folder), QStringLiteral("--out"));
    row(outField, "overlong", outFile(longName), QStringLiteral("--out"));
    row(outField, "non-cp1251", outFile(folder + QStringLiteral("/✓.json")), {});

    const auto csvFile = [](const QString& v) {
        return QStringList{QStringLiteral("events"), QStringLiteral("--csv"), v};
    };
    const QString csvField = QStringLiteral("events:--csv");
    row(csvField, "empty", csvFile({}), QStringLiteral("--csv"));
    row(csvField, "spaces", csvFile(QStringLiteral("  ")), QStringLiteral("--csv"));
    row(csvField, "no-folder", csvFile(QStringLiteral("/nonexistent/e.csv")),
        QStringLiteral("--csv"));
    row(csvField, "a-folder", csvFile(folder), QStringLiteral("--csv"));
    row(csvField, "overlong", csvFile(longName), QStringLiteral("--csv"));
    row(csvField, "non-cp1251", csvFile(folder + QStringLiteral("/✓.csv")), {});

    const auto reportTo = [](const QString& v) { return QStringList{QStringLiteral("report"), v}; };
    const QString reportField = QStringLiteral("report:OUT");
    row(reportField, "empty", reportTo({}), QStringLiteral("OUT"));
    row(reportField, "spaces", reportTo(QStringLiteral("  ")), QStringLiteral("OUT"));
    row(reportField, "no-folder", reportTo(QStringLiteral("/nonexistent/r.docx")),
        QStringLiteral("OUT"));
    row(reportField, "a-folder", reportTo(folder), QStringLiteral("OUT"));
    row(reportField, "overlong", reportTo(longName), QStringLiteral("OUT"));
    const QString docx = folder + QStringLiteral("/kliv-badinput.docx");
    row(QStringLiteral("report:--template"), "empty",
        {QStringLiteral("report"), docx, QStringLiteral("--template"), {}},
        QStringLiteral("--template"));
    row(QStringLiteral("report:--template"), "missing",
        {QStringLiteral("report"), docx, QStringLiteral("--template"),
         QStringLiteral("/nonexistent/t.docx")},
        QStringLiteral("шаблон"));

    // A value typed without its option, or a word too many, is never left unread.
    const QList<QStringList> extra = {
        {QStringLiteral("version"), QStringLiteral("extra")},
        {QStringLiteral("status"), QStringLiteral("extra")},
        {QStringLiteral("poll"), QStringLiteral("5")},
        {QStringLiteral("clock-set"), QStringLiteral("5")},
        {QStringLiteral("protection-reset"), QStringLiteral("extra")},
        {QStringLiteral("events"), QStringLiteral("extra")},
        {QStringLiteral("accounting"), QStringLiteral("extra")},
        {QStringLiteral("accounting-reset"), QStringLiteral("extra"), yes},
        {QStringLiteral("calibrate"), QStringLiteral("ua=230"), QStringLiteral("--ref"),
         QStringLiteral("ub=230"), yes},
        {QStringLiteral("search"), QStringLiteral("extra")},
        {QStringLiteral("raw"), QStringLiteral("15"), QStringLiteral("00"),
         QStringLiteral("extra")},
        {QStringLiteral("config"), QStringLiteral("read"), QStringLiteral("extra")},
        {QStringLiteral("rs485-speed"), QStringLiteral("9600"), QStringLiteral("extra"), yes},
        {QStringLiteral("report"), docx, QStringLiteral("extra")},
    };
    for (const QStringList& args : extra)
        row(args.first() + QStringLiteral(":arguments"), "extra", args,
            args.first() == QLatin1String("config") ? QStringLiteral("config read")
                                                    : QStringLiteral("лишние параметры"));

    // Commands that change the relay ask for their confirmation.
    const QList<QStringList> unconfirmed = {
        {QStringLiteral("accounting-reset")},
        {QStringLiteral("raw"), QStringLiteral("5")},
        {QStringLiteral("rs485-speed"), QStringLiteral("9600")},
        {QStringLiteral("calibrate"), QStringLiteral("--ref"), QStringLiteral("ua=230")},
        {QStringLiteral("config"), QStringLiteral("write"), QStringLiteral("f.json")},
    };
    for (const QStringList& args : unconfirmed)
        row(args.first() + QStringLiteral(":--yes"), "missing", args, QStringLiteral("--yes"));

    row(QStringLiteral("events:--csv"), "with-json",
        {QStringLiteral("events"), QStringLiteral("--csv"), QStringLiteral("--json")},
        QStringLiteral("--csv"));
    row(QStringLiteral("--port"), "empty",
        {QStringLiteral("version"), QStringLiteral("--port"), {}}, QStringLiteral("--port"));
}

// Refused: exit code 2 before the line (the port given does not even exist) and a text
// that names the option. Accepted: it gets as far as the port.
void TestBadInput::cliArgument() {
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(QStringList, args);
    QFETCH(QString, names);
    // The last "--port" counts, so the bad one goes alone.
    if (field == QLatin1String("--port")) {
        QProcess p;
        p.start(qEnvironmentVariable("KLIV_CLI"), args);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(names));
        report(field, input, QStringLiteral("refused"));
        return;
    }
    const Run r = cli(args);
    if (names.isEmpty()) {
        QCOMPARE(r.code, 3);
        report(field, input, QStringLiteral("accepted"));
        return;
    }
    QVERIFY2(r.code == 2, qPrintable(QString::number(r.code) + u' ' + r.err));
    QVERIFY2(r.err.contains(names), qPrintable(r.err));
    report(field, input, QStringLiteral("refused"));
}

// ---------------------------------------------------------------- settings files

void TestBadInput::settingsValue_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("names");

    using K = config::FieldKind;
    const auto json = [](const char* key, const QJsonValue& v) {
        return QJsonDocument(QJsonObject{{QLatin1String(key), v}}).toJson(QJsonDocument::Compact);
    };
    for (const config::Field& f : config::fields()) {
        QList<std::pair<const char*, QJsonValue>> values;
        switch (f.kind) {
        case K::Check:
            values = {{"number", 1}, {"text", QStringLiteral("true")}, {"null", QJsonValue()}};
            break;
        case K::Text:
            values = {{"number", 5},
                      {"non-cp1251", QStringLiteral("Цех ✓")},
                      {"control", QStringLiteral("Цех\u0000")},
                      {"overlong", QStringLiteral("Насос питательный №3")}};
            break;
        case K::Tenths:
            values = {{"text", QStringLiteral("1,5")},
                      {"negative", -0.1},
                      {"too-large", (f.max + 1) / 10.0},
                      {"two-decimals", 1.55},
                      {"null", QJsonValue()}};
            break;
        case K::List:
        case K::Spin:
        case K::Integer:
            values = {{"text", QStringLiteral("5")},
                      {"below", f.min - 1},
                      {"too-large", f.max + 1},
                      {"fraction", 1.5},
                      {"null", QJsonValue()}};
            if (f.kind == K::Integer)
                values.append({"zero", 0});
            break;
        }
        for (const auto& [input, v] : values)
            QTest::addRow("%s %s", f.key, input)
                << QStringLiteral("settings:") + QLatin1String(f.key) << input << json(f.key, v)
                << QString::fromUtf8(f.label);
    }
    const QString file = QStringLiteral("settings:file");
    QTest::addRow("file empty") << file << "empty" << QByteArray() << QStringLiteral("JSON");
    QTest::addRow("file spaces") << file << "spaces" << QByteArray("   ") << QStringLiteral("JSON");
    QTest::addRow("file not JSON")
        << file << "letters" << QByteArray("z_umax_v = 400") << QStringLiteral("JSON");
    QTest::addRow("file array") << file << "array" << QByteArray("[400]")
                                << QStringLiteral("объект JSON");
    QTest::addRow("file cp1251 bytes")
        << file << "non-utf8" << QByteArray("{\"tipo_text\": \"\xCD\xE0\"}")
        << QStringLiteral("JSON");
    QTest::addRow("file unknown key")
        << file << "unknown-key" << QByteArray("{\"z_foo\": 1}") << QStringLiteral("z_foo");
    QTest::addRow("file overlong")
        << file << "overlong" << QByteArray(2 << 20, ' ') << QStringLiteral("байт");
}

// Each bad value of a settings file is refused before anything is written, naming its
// field by the key or by the page's caption.
void TestBadInput::settingsValue() {
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(QByteArray, content);
    QFETCH(QString, names);
    const QString path = m_dir.filePath(QStringLiteral("settings.json"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    f.close();
    const Run r =
        cli({QStringLiteral("config"), QStringLiteral("write"), path, QStringLiteral("--yes")});
    QVERIFY2(r.code == 2, qPrintable(QString::number(r.code) + u' ' + r.err));
    const QString key = field.section(u':', 1);
    QVERIFY2(r.err.contains(names) || r.err.contains(key), qPrintable(r.err));
    report(field, input, QStringLiteral("refused"));
}

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
