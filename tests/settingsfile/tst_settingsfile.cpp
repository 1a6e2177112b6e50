// Settings files: the header, the fields, and files from other versions and other tools.

#include "common/configsamples.h"
#include "files/configjson.h"
#include "files/settingsfile.h"
#include "texts/numfmt.h"
#include "texts/settingsmessages.h"

#include <QtTest>

using namespace kliv;

using kliv::test::allChanged;

namespace {

settings::Header header() {
    return {1, 4321, QStringLiteral("KLIV-1M v2.07"),
            QDateTime(QDate(2026, 3, 9), QTime(8, 5, 7, 250), Qt::OffsetFromUTC, 10800),
            QStringLiteral("1.4.0")};
}

// A file as the first format was written; later readers must keep reading it.
const QByteArray FirstFormat = R"({
    "header": {"format":1,"serial":777,"firmware":"v1.0","saved":"2026-01-02T03:04:05.000+03:00","tool":"1.0"},
    "cb_rs485": 5,
    "z_umax_v": 300,
    "st_zumax_t": 2.5,
    "z_inom_a": 12.3,
    "z_iso_ok": false,
    "oust_text": "Линия 1"
}
)";

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void roundTripKeepsEveryField();
    void headerComesFirst();
    void firstFormatStillReads();
    void bareObjectReads();
    void missingFieldsKeepTheBase();
    void badFiles_data();
    void badFiles();
};

void TestSettingsFile::roundTripKeepsEveryField() {
    const Configuration c = allChanged();
    // Each field really differs from the base, so a field the codec dropped would show.
    QCOMPARE(config::differences(c, Configuration{}).size(), qsizetype(config::fields().size()));
    const settings::Decoded d = settings::decode(settings::encode(header(), c), Configuration{});
    QVERIFY2(d.errors.isEmpty(), qPrintable(d.errors.join(u'\n')));
    QVERIFY(d.missing.isEmpty());
    QCOMPARE(d.value, c);
    QVERIFY(d.header);
    QCOMPARE(d.header->serial, std::optional<int>(4321));
    QCOMPARE(d.header->firmware, header().firmware);
    QCOMPARE(d.header->tool, header().tool);
    QCOMPARE(d.header->saved, header().saved);
    QCOMPARE(d.header->saved.offsetFromUtc(), 10800);
}

void TestSettingsFile::headerComesFirst() {
    const QByteArray text = settings::encode(header(), Configuration{});
    QVERIFY(text.startsWith(
        "{\n    \"header\": {\"firmware\":\"KLIV-1M v2.07\",\"format\":1,"
        "\"saved\":\"2026-03-09T08:05:07.250+03:00\",\"serial\":4321,\"tool\":\"1.4.0\"},\n"
        "    \"cb_rs485\": 5,\n"));
    // The rest is exactly what the command-line tool writes.
    QVERIFY(text.endsWith(config::toJsonText(Configuration{}).toUtf8().mid(2)));
    settings::Header bare;
    bare.serial.reset();
    QVERIFY(
        settings::encode(bare, Configuration{}).startsWith("{\n    \"header\": {\"format\":1},\n"));
}

void TestSettingsFile::firstFormatStillReads() {
    const settings::Decoded d = settings::decode(FirstFormat, Configuration{});
    QVERIFY2(d.errors.isEmpty(), qPrintable(d.errors.join(u'\n')));
    Configuration expected;
    expected.z_umax_v = 300;
    expected.st_zumax_t = 25;
    expected.z_inom_a = 123;
    expected.z_iso_ok = false;
    expected.oust_text = QStringLiteral("Линия 1");
    QCOMPARE(d.value, expected);
    QCOMPARE(d.header->serial, std::optional<int>(777));
    QCOMPARE(d.header->saved.toUTC(), QDateTime(QDate(2026, 1, 2), QTime(0, 4, 5), Qt::UTC));
}

void TestSettingsFile::bareObjectReads() {
    const Configuration c = allChanged();
    const settings::Decoded d = settings::decode(config::toJsonText(c).toUtf8(), Configuration{});
    QVERIFY2(d.errors.isEmpty(), qPrintable(d.errors.join(u'\n')));
    QVERIFY(!d.header);
    QCOMPARE(d.value, c);
}

void TestSettingsFile::missingFieldsKeepTheBase() {
    const Configuration base = allChanged();
    const settings::Decoded d =
        settings::decode(R"({"header": {"format": 1}, "z_umax_v": 700})", base);
    QVERIFY(d.errors.isEmpty());
    Configuration expected = base;
    expected.z_umax_v = 700;
    QCOMPARE(d.value, expected);
    QCOMPARE(d.missing.size(), qsizetype(config::fields().size() - 1));
    QVERIFY(!d.missing.contains(QStringLiteral("z_umax_v")));
    QVERIFY(d.missing.contains(QStringLiteral("z_umin_v")));
}

void TestSettingsFile::badFiles_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("named"); // what the one message must name
    QTest::newRow("not JSON") << QByteArray("{\"z_umax_v\": 250") << "не является JSON";
    QTest::newRow("an array") << QByteArray("[1]") << "объект JSON";
    QTest::newRow("header not an object") << QByteArray(R"({"header": 1})") << "header";
    QTest::newRow("no format") << QByteArray(R"({"header": {"serial": 600}})") << "format";
    QTest::newRow("newer format") << QByteArray(R"({"header": {"format": 2}})")
                                  << "более новой версией";
    QTest::newRow("fractional format") << QByteArray(R"({"header": {"format": 1.5}})") << "format";
    QTest::newRow("serial too small")
        << QByteArray(R"({"header": {"format": 1, "serial": 99}})") << "serial";
    QTest::newRow("serial a string")
        << QByteArray(R"({"header": {"format": 1, "serial": "600"}})") << "serial";
    QTest::newRow("bad date") << QByteArray(R"({"header": {"format": 1, "saved": "вчера"}})")
                              << "saved";
    QTest::newRow("tool a number")
        << QByteArray(R"({"header": {"format": 1, "tool": 2}})") << "tool";
    QTest::newRow("unknown field") << QByteArray(R"({"z_umax": 250})") << "z_umax";
    QTest::newRow("wrong type") << QByteArray(R"({"z_umax_ok": 1})") << "z_umax_ok";
    QTest::newRow("two decimals") << QByteArray(R"({"st_zumax_t": 1.25})") << "st_zumax_t";
    QTest::newRow("above the control") << QByteArray(R"({"z_umax_v": 7001})") << "z_umax_v";
    QTest::newRow("below the control") << QByteArray(R"({"sp_uaddr": 0})") << "sp_uaddr";
    QTest::newRow("no such list item") << QByteArray(R"({"p_uf_c": 4})") << "p_uf_c";
    QTest::newRow("text too long")
        << QByteArray(R"({"tipo_text": "12345678901234567"})") << "tipo_text";
    // A field named twice: neither value is taken, whichever would pass.
    const QString twice = QStringLiteral(": ключ указан в файле больше одного раза");
    QTest::newRow("a bad value hidden by a good one")
        << QByteArray(R"({"z_umax_v": 99999, "z_umax_v": 171})") << "z_umax_v" + twice;
    QTest::newRow("the same value twice")
        << QByteArray(R"({"z_umax_v": 250, "sp_ute": 3, "z_umax_v": 250})") << "z_umax_v" + twice;
    QTest::newRow("an unknown key twice")
        << QByteArray(R"({"z_foo": 1, "z_foo": 2})") << "z_foo" + twice;
    QTest::newRow("escaped spelling")
        << QByteArray(R"({"\u007a_umax_v": 9000, "z_umax\u005Fv": 250})") << "z_umax_v" + twice;
    QTest::newRow("escaped text key")
        << QByteArray(R"({"tipo_\u0074ext": "\"\\", "tipo_text": "A"})") << "tipo_text" + twice;
    QTest::newRow("header twice") << QByteArray(
                                         R"({"header": {"format": 1}, "header": {"format": 1}})")
                                  << "header" + twice;
    QTest::newRow("serial twice in the header")
        << QByteArray(R"({"header": {"format": 1, "serial": 601, "serial": 600}, "z_umax_v": 250})")
        << "header: serial" + twice;
    // What only looks like a repeat is none.
    QTest::newRow("a key inside a text")
        << QByteArray(R"({"tipo_text": "\", \"z_umax_v\": 1", "z_umax_v": 7001})") << "7000";
    QTest::newRow("a key inside a nested object")
        << QByteArray(R"({"header": {"format": 1, "x": {"format": 2}}, "format": 1})")
        << "format: неизвестный ключ";
    QTest::newRow("a key with a blank")
        << QByteArray(R"({"z_umax_v": 250, "z_umax_v ": 250})") << "z_umax_v : неизвестный ключ";
}

void TestSettingsFile::badFiles() {
    QFETCH(QByteArray, text);
    QFETCH(QString, named);
    const Configuration base = allChanged();
    const settings::Decoded d = settings::decode(text, base);
    const QStringList errors = msg::settingsFileErrors(d);
    QVERIFY(!d.usable());
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(named), qPrintable(errors.first()));
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
