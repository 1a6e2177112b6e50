#include "files/configjson.h"

#include <QJsonDocument>
#include <QTest>

using namespace kliv;

namespace {

// Every field set to a value of its own, so that a key bound to the wrong member shows.
Configuration distinct() {
    Configuration c;
    int n = 1;
    for (const config::Field& f : config::fields()) {
        ++n;
        switch (f.kind) {
        case config::FieldKind::Check:
            c.*f.check = !(c.*f.check);
            break;
        case config::FieldKind::Text:
            c.*f.text = QStringLiteral("Насос \"%1\"\\ ").arg(n);
            break;
        case config::FieldKind::List:
            c.*f.number = f.max - (n % 2);
            break;
        default:
            c.*f.number = f.min + n;
        }
    }
    return c;
}

} // namespace

class TestConfigJson : public QObject {
    Q_OBJECT

  private slots:
    void textLayout() {
        const QString text = config::toJsonText(Configuration{});
        QVERIFY2(text.startsWith(QStringLiteral("{\n    \"cb_rs485\": 5,\n    \"z_umin_v\": 170,\n"
                                                "    \"st_zumin_t\": 10.0,\n")),
                 qPrintable(text));
        for (const char* line :
             {"\"z_ihol_a\": 0.0,", "\"z_ihol_t\": 60,", "\"z_inom_a\": 15.0,",
              "\"st_zidif_t\": 0.5,", "\"z_iso_ok\": true,", "\"blok_z\": false,", "\"pcosf\": 0,",
              "\"st_kidif\": 5000,", "\"tipo_text\": \"\","})
            QVERIFY2(text.contains(QLatin1String(line)), line);
        QVERIFY(text.endsWith(QStringLiteral("    \"sp_ute\": 3\n}\n")));
        QCOMPARE(QJsonDocument::fromJson(text.toUtf8()).object(), config::toJson(Configuration{}));
    }

    void roundTrip() {
        const Configuration c = distinct();
        const config::ConfigFromJson fromObject = config::fromJson(config::toJson(c), {});
        QCOMPARE(fromObject.errors, QStringList());
        QVERIFY(fromObject.value == c);

        const config::ConfigFromJson fromText =
            config::fromJsonText(config::toJsonText(c).toUtf8(), {});
        QCOMPARE(fromText.errors, QStringList());
        QVERIFY(fromText.value == c);
    }

    void keysMissingComeFromBase() {
        const Configuration base = distinct();
        const auto r = config::fromJsonText(R"({"z_umax_v": 300, "tipo_text": "Pump  "})", base);
        QCOMPARE(r.errors, QStringList());
        Configuration expected = base;
        expected.z_umax_v = 300;
        expected.tipo_text = QStringLiteral("Pump  ");
        QVERIFY(r.value == expected);
    }

    void values_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("number");
        QTest::newRow("delay in whole seconds")
            << QByteArray(R"({"st_zumin_t": 12})") << "st_zumin_t" << 120;
        QTest::newRow("one decimal") << QByteArray(R"({"z_inom_a": 0.1})") << "z_inom_a" << 1;
        QTest::newRow("largest current")
            << QByteArray(R"({"z_inom_a": 6553.5})") << "z_inom_a" << 65535;
        QTest::newRow("integral written with a point")
            << QByteArray(R"({"st_kua": 570.0})") << "st_kua" << 570;
        // Ranges are problems(): the value comes through as it stands, or saturated.
        QTest::newRow("out of range") << QByteArray(R"({"z_inom_a": 7000})") << "z_inom_a" << 70000;
        QTest::newRow("negative") << QByteArray(R"({"st_kua": -5})") << "st_kua" << -5;
        QTest::newRow("huge") << QByteArray(R"({"st_kua": 1e12})") << "st_kua" << 2147483647;
    }
    void values() {
        QFETCH(QByteArray, json);
        QFETCH(QString, key);
        QFETCH(int, number);
        const auto r = config::fromJsonText(json, {});
        QCOMPARE(r.errors, QStringList());
        QCOMPARE(r.value.*config::fieldNamed(key)->number, number);
    }

    void errors_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("unknown key")
            << QByteArray(R"({"colour": "red"})") << QStringList{"colour: неизвестный ключ"};
        QTest::newRow("number as text") << QByteArray(R"({"z_umax_v": "300"})")
                                        << QStringList{"z_umax_v: ожидается целое число"};
        QTest::newRow("fraction on integer")
            << QByteArray(R"({"st_kua": 570.5})") << QStringList{"st_kua: ожидается целое число"};
        QTest::newRow("null") << QByteArray(R"({"z_umax_v": null})")
                              << QStringList{"z_umax_v: ожидается целое число"};
        QTest::newRow("two decimals")
            << QByteArray(R"({"st_zumin_t": 1.25})")
            << QStringList{"st_zumin_t: ожидается число не более чем с одним знаком после точки"};
        QTest::newRow("current as text")
            << QByteArray(R"({"z_idif_a": "1,0"})")
            << QStringList{"z_idif_a: ожидается число не более чем с одним знаком после точки"};
        QTest::newRow("check as number")
            << QByteArray(R"({"blok_z": 1})") << QStringList{"blok_z: ожидается true или false"};
        QTest::newRow("text as number")
            << QByteArray(R"({"tipo_text": 5})") << QStringList{"tipo_text: ожидается строка"};
        QTest::newRow("list item as fraction")
            << QByteArray(R"({"cb_rs485": 2.5})")
            << QStringList{"cb_rs485: ожидается номер элемента списка, целое число"};
        QTest::newRow("every error")
            << QByteArray(R"({"zz": 1, "blok_z": "x", "sp_ute": 3})")
            << QStringList{"blok_z: ожидается true или false", "zz: неизвестный ключ"};
        QTest::newRow("array") << QByteArray("[1, 2]")
                               << QStringList{"файл настроек должен содержать объект JSON"};
    }
    void errors() {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, errors);
        const Configuration base = distinct();
        QCOMPARE(config::fromJsonText(json, base).errors, errors);
    }

    void malformed_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("value missing") << QByteArray(R"({"z_umax_v": })");
        QTest::newRow("cut short") << QByteArray(R"({"z_umax_v": 300)");
        QTest::newRow("trailing comma") << QByteArray(R"({"z_umax_v": 300,})");
        QTest::newRow("not JSON") << QByteArray("z_umax_v=300");
    }
    void malformed() {
        QFETCH(QByteArray, json);
        const Configuration base = distinct();
        const auto r = config::fromJsonText(json, base);
        QCOMPARE(r.errors.size(), 1);
        QVERIFY2(
            r.errors.first().startsWith(QStringLiteral("файл настроек не является JSON (позиция ")),
            qPrintable(r.errors.first()));
        QVERIFY(r.value == base);
    }
};

QTEST_GUILESS_MAIN(TestConfigJson)
#include "tst_configjson.moc"
