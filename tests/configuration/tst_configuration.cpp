#include "common/hexbytes.h"
#include "model/configitems.h"
#include "model/configschema.h"
#include "protocol/cp1251.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "texts/configtexts.h"
#include "texts/problemtexts.h"
#include "texts/speedtexts.h"

#include <QRandomGenerator>
#include <QTest>
#include <functional>
#include <limits>

using namespace kliv;

using Edit = std::function<void(Configuration&)>;
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(std::optional<int>)

using kliv::test::bytes;

namespace {

const NumberLocale comma{QLatin1Char(','), QChar(0x00A0)};
constexpr int IntMax = std::numeric_limits<int>::max();

// Every field away from its default and from its neighbours, so that a misplaced offset shows.
Configuration sample() {
    Configuration c;
    c.cb_rs485 = 9;
    c.z_umin_v = 291;
    c.st_zumin_t = 1;
    c.z_umax_v = 7000;
    c.st_zumax_t = 255;
    c.z_uasm = 99;
    c.st_zuasm_t = 2;
    c.z_ihol_a = 4660;
    c.z_ihol_t = 999;
    c.z_iasm = 1;
    c.st_ziasm_t = 3;
    c.z_inom_a = 65535;
    c.z_vtz_t = 1;
    c.z_izkl_a = 1110;
    c.st_zizakl_t = 4;
    c.z_idif_a = 0;
    c.st_zidif_t = 0;
    c.z_iso_r = 1;
    c.z_iso_ok = false;
    c.p_uf_c = 2;
    c.p_if_c = 1;
    c.blok_z = true;
    c.z_umin_ok = true;
    c.z_uasm_ok = false;
    c.z_ihol_ok = true;
    c.z_iasm_ok = false;
    c.z_zakl_ok = false;
    c.pcosf = -75;
    c.st_kua = 1;
    c.st_kub = 515;
    c.st_kuc = 65535;
    c.st_kia = 1029;
    c.st_kib = 0;
    c.st_kic = 300;
    c.st_kidif = 32768;
    c.tipo_text = QStringLiteral("Насос-1");
    c.oust_text = QStringLiteral("Цех 3, линия «А»");
    c.cb_uprotbus = 1;
    c.sp_uaddr = 247;
    c.sp_utb = 200;
    c.sp_ute = 99;
    return c;
}

const char* const SampleHex = "09 01 23 01 1B 58 FF 63 02"                // speed, Umin, Umax, Uasm
                              "12 34 27 06 01 03"                         // Ihol, its delay, Iasm
                              "FF FF 00 0A 04 56 04 00 00 00"             // Inom, VTZ, Izkl, Idif
                              "B1 A9 4B"                                  // flags, enables, cos f
                              "00 01 02 03 FF FF 04 05 00 00 01 2C 80 00" // coefficients
                              "CD E0 F1 EE F1 2D 31 20 20 20 20 20 20 20 20 20"
                              "D6 E5 F5 20 33 2C 20 EB E8 ED E8 FF 20 AB C0 BB"
                              "01 F7 C8 63"; // field bus

// The default block with some of its bytes replaced, decoded.
Configuration withBlockBytes(int at, const QByteArray& patch) {
    QByteArray b = config::encode(Configuration{});
    b.replace(at, patch.size(), patch);
    return config::decode(b);
}

QByteArray byte(int v) {
    return QByteArray(1, char(v));
}

// Random bytes in every field, and often what the page cannot show as it stands: cos f
// 0x00, a text with bytes after its zero. Odd tenths in the two-byte delays and values
// beyond the page's limits come with random bytes anyway.
QByteArray randomBlock(QRandomGenerator& rng, int round) {
    QByteArray b(config::BlockSize, '\0');
    for (char& c : b)
        c = char(rng.bounded(256));
    if (round % 3 == 0)
        b[27] = 0;
    if (round % 2 == 0)
        b[42 + rng.bounded(2 * config::TextSize)] = 0;
    return b;
}

// Sets f to a random value the page could hold, other than the one in c.
void changeField(Configuration& c, const config::Field& f, QRandomGenerator& rng) {
    const Configuration was = c;
    while (config::differences(was, c).isEmpty()) {
        if (f.check) {
            c.*f.check = !(c.*f.check);
        } else if (f.text) {
            QByteArray typed(rng.bounded(config::TextSize + 1), '\0');
            for (char& ch : typed)
                ch = char(rng.bounded(1, 256));
            c.*f.text = cp1251::decode(typed);
        } else {
            c.*f.number = rng.bounded(f.min, f.max + 1);
        }
    }
}

// The bits of the block that field f owns.
QByteArray ownBits(const config::Field& f) {
    QByteArray own(config::BlockSize, '\0');
    using W = config::Wire;
    const int width = f.place.wire == W::Text                                 ? config::TextSize
                      : f.place.wire == W::Word || f.place.wire == W::Seconds ? 2
                                                                              : 1;
    for (int i = 0; i < width; ++i)
        own[f.place.at + i] = char(width == 1 ? f.place.mask : 0xFF);
    return own;
}

} // namespace

class TestConfiguration : public QObject {
    Q_OBJECT

  private slots:
    void defaultWritePayload() {
        QCOMPARE(frame::hex(config::writePayload(Configuration{})),
                 frame::hex(bytes("00 05 00 AA 64 00 FA 64 1E 96 00 00 02 58 19 32 00 96 0B B8 01 "
                                  "C2 1E 00 0A 05 7F F4 80 02 3A 02 3A 02 3A 00 C8 00 C8 00 C8 13 "
                                  "88 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 "
                                  "20 20 20 20 20 20 20 20 20 20 20 20 00 01 05 03")));
    }

    void defaultsComeBack() {
        Configuration expected;
        expected.tipo_text = expected.oust_text = QString(16, QLatin1Char(' '));
        QVERIFY(config::decode(config::encode(Configuration{})) == expected);
    }

    void encodesKnownBlock() {
        QVERIFY(config::problems(sample()).isEmpty());
        QCOMPARE(frame::hex(config::encode(sample())), frame::hex(bytes(SampleHex)));
    }

    void decodesKnownBlock() {
        Configuration expected = sample();
        expected.tipo_text = QStringLiteral("Насос-1         "); // the relay's padding stays
        QVERIFY(config::decode(bytes(SampleHex)) == expected);
        QVERIFY(config::differences(sample(), config::decode(bytes(SampleHex))).isEmpty());
    }

    // Whatever the relay holds, writing back what the page shows for it sends it unchanged;
    // changing one field changes only that field's bits, and the page then shows the new
    // value there and the old ones everywhere else.
    void mergeChangesOnlyWhatDiffers() {
        QRandomGenerator rng(3178);
        const auto all = config::fields();
        for (int round = 0; round < 3000; ++round) {
            const QByteArray held = randomBlock(rng, round);
            const Configuration shown = config::forPage(config::decode(held));
            QCOMPARE(config::merge(held, shown, config::fieldKeys()).toHex(' '), held.toHex(' '));

            const config::Field& f = all[rng.bounded(qsizetype(all.size()))];
            Configuration wanted = shown;
            changeField(wanted, f, rng);
            // Only the fields named are taken: a value outside them is never written.
            Configuration elsewhere = wanted;
            changeField(elsewhere, all[(&f - all.data() + 1) % all.size()], rng);
            const QByteArray sent = config::merge(held, elsewhere, {QString::fromLatin1(f.key)});
            const QByteArray own = ownBits(f);
            for (int i = 0; i < config::BlockSize; ++i)
                QVERIFY2(((sent[i] ^ held[i]) & ~own[i]) == 0,
                         qPrintable(QStringLiteral("%1 changed byte %2").arg(f.key).arg(i)));
            QCOMPARE(config::differences(wanted, config::forPage(config::decode(sent))), {});
        }
    }

    void shortBlockReadsZeros() {
        const Configuration c = config::decode(bytes("0A 00 C8"));
        QCOMPARE(c.cb_rs485, 10);
        QCOMPARE(c.z_umin_v, 200);
        QCOMPARE(c.z_umax_v, 0);
        QCOMPARE(c.pcosf, 0);
        QCOMPARE(c.st_kidif, 0);
        QCOMPARE(c.tipo_text, QString());
        QCOMPARE(c.sp_ute, 0);
        QCOMPARE(config::decode({}).z_iso_r, 0);
    }

    void speedByte_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("page");
        QTest::newRow("300") << 0 << 0;
        QTest::newRow("115200") << 10 << 10;
        QTest::newRow("11") << 11 << 5;
        QTest::newRow("200") << 200 << 5;
    }
    void speedByte() {
        QFETCH(int, byte);
        QFETCH(int, page);
        const Configuration c = withBlockBytes(config::SpeedByte, ::byte(byte));
        QCOMPARE(c.cb_rs485, byte);
        QCOMPARE(config::forPage(c).cb_rs485, page);
    }

    void cosByte_data() {
        QTest::addColumn<QString>("byte");
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("page");
        QTest::newRow("positive zero") << "80" << 0 << 0;
        QTest::newRow("negative zero") << "00" << 0 << 0;
        QTest::newRow("+5") << "85" << 5 << 5;
        QTest::newRow("-5") << "05" << -5 << -5;
        QTest::newRow("+75") << "CB" << 75 << 75;
        QTest::newRow("-75") << "4B" << -75 << -75;
        QTest::newRow("+127") << "FF" << 127 << 75;
        QTest::newRow("-127") << "7F" << -127 << -75;
    }
    void cosByte() {
        QFETCH(QString, byte);
        QFETCH(int, raw);
        QFETCH(int, page);
        const Configuration c = withBlockBytes(27, bytes(qPrintable(byte)));
        QCOMPARE(c.pcosf, raw);
        QCOMPARE(config::forPage(c).pcosf, page);
        if (raw == page && byte != QLatin1String("00")) // 0x00 is written back as 0x80
            QCOMPARE(frame::hex(config::encode(c).mid(27, 1)), byte);
    }

    void longDelays_data() {
        QTest::addColumn<QString>("wire");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("page");
        QTest::newRow("605 tenths") << "02 5D" << 60 << 60;
        QTest::newRow("600 tenths") << "02 58" << 60 << 60;
        QTest::newRow("9999 tenths") << "27 0F" << 999 << 999;
        QTest::newRow("10009 tenths") << "27 19" << 1000 << 999;
        QTest::newRow("9 tenths") << "00 09" << 0 << 1;
    }
    void longDelays() {
        QFETCH(QString, wire);
        QFETCH(int, seconds);
        QFETCH(int, page);
        const Configuration idle = withBlockBytes(11, bytes(qPrintable(wire)));
        const Configuration overload = withBlockBytes(17, bytes(qPrintable(wire)));
        QCOMPARE(idle.z_ihol_t, seconds);
        QCOMPARE(overload.z_vtz_t, seconds);
        QCOMPARE(config::forPage(idle).z_ihol_t, page);
        QCOMPARE(config::forPage(overload).z_vtz_t, page);
    }

    void sixtySecondsGoOutAs600() {
        Configuration c;
        c.z_ihol_t = 60;
        c.z_vtz_t = 1;
        const QByteArray b = config::encode(c);
        QCOMPARE(frame::hex(b.mid(11, 2)), QStringLiteral("02 58"));
        QCOMPARE(frame::hex(b.mid(17, 2)), QStringLiteral("00 0A"));
    }

    void flagsByte_data() {
        QTest::addColumn<QString>("byte");
        QTest::addColumn<int>("iso");
        QTest::addColumn<bool>("isoOk");
        QTest::addColumn<int>("uPhases");
        QTest::addColumn<int>("iPhases");
        QTest::addColumn<bool>("blocking");
        QTest::newRow("defaults") << "7F" << 3 << true << 0 << 0 << false;
        QTest::newRow("nothing") << "00" << 0 << false << 3 << 3 << false;
        QTest::newRow("A/B, A/C, blocking") << "C9" << 1 << false << 1 << 2 << true;
        QTest::newRow("A/C, A/B, 250") << "36" << 2 << true << 2 << 1 << false;
    }
    void flagsByte() {
        QFETCH(QString, byte);
        QFETCH(int, iso);
        QFETCH(bool, isoOk);
        QFETCH(int, uPhases);
        QFETCH(int, iPhases);
        QFETCH(bool, blocking);
        const Configuration c = withBlockBytes(config::FlagsByte, bytes(qPrintable(byte)));
        QCOMPARE(c.z_iso_r, iso);
        QCOMPARE(c.z_iso_ok, isoOk);
        QCOMPARE(c.p_uf_c, uPhases);
        QCOMPARE(c.p_if_c, iPhases);
        QCOMPARE(c.blok_z, blocking);
        QCOMPARE(frame::hex(config::encode(c).mid(config::FlagsByte, 1)), byte);
    }

    void texts_data() {
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero at position 5") << "41 42 43 44 00 46 47 48 49 4A 4B 4C 4D 4E 4F 50"
                                            << "ABCD";
        QTest::newRow("trailing blanks kept") << "CD E0 F1 EE F1 20 20 00 20 20 20 20 20 20 20 20"
                                              << "Насос  ";
        QTest::newRow("zero first") << "00 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50"
                                    << "";
        QTest::newRow("full") << "D6 E5 F5 20 33 2C 20 EB E8 ED E8 FF 20 AB C0 BB"
                              << "Цех 3, линия «А»";
    }
    void texts() {
        QFETCH(QString, wire);
        QFETCH(QString, text);
        QCOMPARE(withBlockBytes(42, bytes(qPrintable(wire))).tipo_text, text);
        QCOMPARE(withBlockBytes(58, bytes(qPrintable(wire))).oust_text, text);
    }

    void forPage_data() {
        QTest::addColumn<Edit>("decoded");
        QTest::addColumn<Edit>("shown");
        const auto same = [](Configuration&) {};
        QTest::newRow("Umax above") << Edit([](Configuration& c) { c.z_umax_v = 9000; })
                                    << Edit([](Configuration& c) { c.z_umax_v = 7000; });
        QTest::newRow("Umin below") << Edit([](Configuration& c) { c.z_umin_v = 0; })
                                    << Edit([](Configuration& c) { c.z_umin_v = 100; });
        QTest::newRow("percent") << Edit([](Configuration& c) { c.z_uasm = 0, c.z_iasm = 255; })
                                 << Edit([](Configuration& c) { c.z_uasm = 1, c.z_iasm = 99; });
        QTest::newRow("field bus")
            << Edit([](Configuration& c) { c.sp_uaddr = 0, c.sp_utb = 255, c.sp_ute = 0; })
            << Edit([](Configuration& c) { c.sp_uaddr = 1, c.sp_utb = 200, c.sp_ute = 2; });
        QTest::newRow("protocol 2") << Edit([](Configuration& c) { c.cb_uprotbus = 2; })
                                    << Edit([](Configuration& c) { c.cb_uprotbus = 0; });
        // Nothing bounds these on the page: they show what the relay holds.
        QTest::newRow("free fields") << Edit([](Configuration& c) {
            c.z_inom_a = 65535, c.st_kua = 0, c.st_zumin_t = 0, c.tipo_text = QStringLiteral(" a ");
        }) << Edit([](Configuration& c) {
            c.z_inom_a = 65535, c.st_kua = 0, c.st_zumin_t = 0, c.tipo_text = QStringLiteral(" a ");
        });
        QTest::newRow("defaults") << Edit(same) << Edit(same);
    }
    void forPage() {
        QFETCH(Edit, decoded);
        QFETCH(Edit, shown);
        Configuration in, out;
        decoded(in);
        shown(out);
        QVERIFY(config::forPage(in) == out);
    }

    // The lists as the page and the report show them name the same items, in the same
    // order, as the messages about their fields do.
    void listItems_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("RS485 speed") << "cb_rs485" << speeds::relayItems();
        QTest::newRow("field-bus protocol")
            << "cb_uprotbus" << config::items::list(config::items::Protocols);
        QTest::newRow("voltage phases") << "p_uf_c" << config::items::list(config::items::Phases);
        QTest::newRow("current phases") << "p_if_c" << config::items::list(config::items::Phases);
        QTest::newRow("insulation") << "z_iso_r" << config::items::list(config::items::Insulation);
    }
    void listItems() {
        QFETCH(QString, key);
        QFETCH(QStringList, shown);
        const config::Field* f = config::fieldNamed(key);
        QVERIFY(f);
        // A message names each item as its list shows it, without the aligning blanks.
        QCOMPARE(f->max, int(shown.size()) - 1);
        for (int i = 0; i < shown.size(); ++i) {
            Configuration c;
            c.*f->number = i;
            QCOMPARE(config::valueText(c, *f, NumberLocale::c()), shown.at(i).trimmed());
        }
    }

    void parseTenths_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("dotLocale");
        QTest::addColumn<std::optional<int>>("tenths");
        const std::optional<int> none;
        QTest::newRow("truncated") << "12,34" << false << std::optional(123);
        QTest::newRow("whole") << "15" << false << std::optional(150);
        QTest::newRow("below a tenth") << "0,05" << false << std::optional(0);
        QTest::newRow("dot too") << "12.34" << false << std::optional(123);
        QTest::newRow("blanks around") << "  7,5 " << false << std::optional(75);
        QTest::newRow("negative") << "-5" << false << std::optional(-50);
        QTest::newRow("negative toward zero") << "-0,05" << false << std::optional(0);
        QTest::newRow("plus") << "+3,9" << false << std::optional(39);
        QTest::newRow("no integer digits") << ",5" << false << std::optional(5);
        QTest::newRow("no decimals") << "5," << false << std::optional(50);
        QTest::newRow("saturates") << "99999999999" << false << std::optional(IntMax);
        QTest::newRow("dot locale") << "6553.5" << true << std::optional(65535);
        QTest::newRow("comma in dot locale") << "12,3" << true << none;
        QTest::newRow("empty") << "" << false << none;
        QTest::newRow("blanks only") << "   " << false << none;
        QTest::newRow("letters") << "abc" << false << none;
        QTest::newRow("trailing letter") << "12,3A" << false << none;
        QTest::newRow("two separators") << "1,2,3" << false << none;
        QTest::newRow("blank inside") << "1 5" << false << none;
        QTest::newRow("separator alone") << "," << false << none;
        QTest::newRow("sign alone") << "-" << false << none;
        QTest::newRow("exponent") << "1e2" << false << none;
    }
    void parseTenths() {
        QFETCH(QString, text);
        QFETCH(bool, dotLocale);
        QFETCH(std::optional<int>, tenths);
        QCOMPARE(config::parseTenths(text, dotLocale ? NumberLocale::c() : comma), tenths);
    }

    void parseInteger_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<int>>("value");
        const std::optional<int> none;
        QTest::newRow("plain") << "570" << std::optional(570);
        QTest::newRow("blanks around") << " 5000 " << std::optional(5000);
        QTest::newRow("negative") << "-5" << std::optional(-5);
        QTest::newRow("zero") << "0" << std::optional(0);
        QTest::newRow("saturates") << "99999999999" << std::optional(IntMax);
        QTest::newRow("saturates negative") << "-99999999999" << std::optional(-IntMax);
        QTest::newRow("decimal comma") << "570,5" << none;
        QTest::newRow("decimal point") << "570.5" << none;
        QTest::newRow("zero with decimals") << "0,0" << none;
        QTest::newRow("empty") << "" << none;
        QTest::newRow("letter") << "5a" << none;
    }
    void parseInteger() {
        QFETCH(QString, text);
        QFETCH(std::optional<int>, value);
        QCOMPARE(config::parseInteger(text), value);
    }

    void tenthsText_data() {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 150 << "15,0";
        QTest::newRow("below one") << 5 << "0,5";
        QTest::newRow("zero") << 0 << "0,0";
        QTest::newRow("largest current") << 65535 << "6553,5";
    }
    void tenthsText() {
        QFETCH(int, tenths);
        QFETCH(QString, text);
        QCOMPARE(config::tenthsText(tenths, comma), text);
    }

    void problems_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("defaults") << Edit([](Configuration&) {}) << QStringList() << QStringList();
        QTest::newRow("sample") << Edit([](Configuration& c) { c = sample(); }) << QStringList()
                                << QStringList();
        QTest::newRow("negative current")
            << Edit([](Configuration& c) { c.z_ihol_a = -50; }) << QStringList{"z_ihol_a"}
            << QStringList{"Iхол: значение должно быть от 0 до 6553,5 А"};
        QTest::newRow("7000 A") << Edit([](Configuration& c) { c.z_inom_a = 70000; })
                                << QStringList{"z_inom_a"}
                                << QStringList{"Iном: значение должно быть от 0 до 6553,5 А"};
        QTest::newRow("coefficient 70000")
            << Edit([](Configuration& c) { c.st_kua = 70000; }) << QStringList{"st_kua"}
            << QStringList{"Калибровка Ua: значение должно быть от 0 до 65535"};
        QTest::newRow("coefficient -5")
            << Edit([](Configuration& c) { c.st_kidif = -5; }) << QStringList{"st_kidif"}
            << QStringList{"Калибровка Iут: значение должно быть от 0 до 65535"};
        QTest::newRow("coefficient 0 is checked apart")
            << Edit([](Configuration& c) { c.st_kia = 0; }) << QStringList() << QStringList();
        QTest::newRow("delay above a byte")
            << Edit([](Configuration& c) { c.st_zumin_t = 256; }) << QStringList{"st_zumin_t"}
            << QStringList{"Umin, задержка: значение должно быть от 0 до 25,5 с"};
        QTest::newRow("long delay 0")
            << Edit([](Configuration& c) { c.z_vtz_t = 0; }) << QStringList{"z_vtz_t"}
            << QStringList{"ВТЗ: значение должно быть от 1 до 999 с"};
        QTest::newRow("Umax above")
            << Edit([](Configuration& c) { c.z_umax_v = 7001; }) << QStringList{"z_umax_v"}
            << QStringList{"Umax: значение должно быть от 100 до 7000 В"};
        QTest::newRow("cos f") << Edit([](Configuration& c) { c.pcosf = -76; })
                               << QStringList{"pcosf"}
                               << QStringList{"COSf: значение должно быть от -75 до 75"};
        QTest::newRow("speed index")
            << Edit([](Configuration& c) { c.cb_rs485 = 11; }) << QStringList{"cb_rs485"}
            << QStringList{"RS485: номер элемента списка должен быть от 0 до 10"};
        QTest::newRow("not in cp1251")
            << Edit([](Configuration& c) { c.tipo_text = QStringLiteral("Pumpe Süd"); })
            << QStringList{"tipo_text"}
            << QStringList{"Тип оборудования: символ «ü» не входит в кодировку Windows-1251"};
        QTest::newRow("outside the BMP")
            << Edit([](Configuration& c) { c.tipo_text = QStringLiteral("a😀"); })
            << QStringList{"tipo_text"}
            << QStringList{"Тип оборудования: символ «😀» не входит в кодировку Windows-1251"};
        // A lone half of a surrogate pair (a damaged text) is named alone.
        QTest::newRow("lone low surrogate")
            << Edit([](Configuration& c) { c.tipo_text = QStringLiteral("a") + QChar(0xDC00); })
            << QStringList{"tipo_text"}
            << QStringList{QStringLiteral("Тип оборудования: символ «") + QChar(0xDC00) +
                           QStringLiteral("» не входит в кодировку Windows-1251")};
        QTest::newRow("byte order mark first")
            << Edit([](Configuration& c) { c.tipo_text = QChar(0xFEFF) + QStringLiteral("ЄЄЄ"); })
            << QStringList{"tipo_text"}
            << QStringList{QStringLiteral("Тип оборудования: символ «") + QChar(0xFEFF) +
                           QStringLiteral("» не входит в кодировку Windows-1251")};
        QTest::newRow("byte order mark inside")
            << Edit([](Configuration& c) { c.oust_text = QStringLiteral("a") + QChar(0xFEFF); })
            << QStringList{"oust_text"}
            << QStringList{QStringLiteral("Объек/установка: символ «") + QChar(0xFEFF) +
                           QStringLiteral("» не входит в кодировку Windows-1251")};
        QTest::newRow("17 characters")
            << Edit([](Configuration& c) { c.oust_text = QStringLiteral("Цех 3, линия «А»!"); })
            << QStringList{"oust_text"}
            << QStringList{"Объек/установка: текст должен быть не длиннее 16 символов"};
        QTest::newRow("zero character")
            << Edit([](Configuration& c) { c.oust_text = QStringLiteral("ab") + QChar(0) + u'c'; })
            << QStringList{"oust_text"}
            << QStringList{"Объек/установка: текст не должен содержать управляющих символов"};
        QTest::newRow("in field order")
            << Edit([](Configuration& c) {
                   c.sp_ute = 100;
                   c.z_umin_v = 99;
               })
            << QStringList{"z_umin_v", "sp_ute"}
            << QStringList{"Umin: значение должно быть от 100 до 6000 В",
                           "Te: значение должно быть от 2 до 99 мс"};
    }
    void problems() {
        QFETCH(Edit, edit);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, texts);
        Configuration c;
        edit(c);
        QStringList gotKeys, gotTexts;
        for (const Problem& p : config::problems(c)) {
            gotKeys << p.key;
            gotTexts << msg::problemText(p, comma);
        }
        QCOMPARE(gotTexts, texts);
        QCOMPARE(gotKeys, keys);
    }

    void firstZeroCoefficient_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("key");
        QTest::newRow("none") << Edit([](Configuration&) {}) << QString();
        QTest::newRow("Ib before Uc")
            << Edit([](Configuration& c) { c.st_kuc = 0, c.st_kib = 0; }) << "st_kib";
        QTest::newRow("Ia before Ub")
            << Edit([](Configuration& c) { c.st_kub = 0, c.st_kia = 0; }) << "st_kia";
        QTest::newRow("leakage last")
            << Edit([](Configuration& c) { c.st_kidif = 0; }) << "st_kidif";
        QTest::newRow("negative passes")
            << Edit([](Configuration& c) { c.st_kua = -5; }) << QString();
    }
    void firstZeroCoefficient() {
        QFETCH(Edit, edit);
        QFETCH(QString, key);
        Configuration c;
        edit(c);
        const config::Field* f = config::firstZeroCoefficient(c);
        QCOMPARE(f ? QString::fromLatin1(f->key) : QString(), key);
    }

    void differences_data() {
        QTest::addColumn<Edit>("read");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("as written") << Edit([](Configuration&) {}) << QStringList();
        QTest::newRow("Umax misstored") << Edit([](Configuration& c) { c.z_umax_v = 7000; })
                                        << QStringList{"Umax: записано 250, считано 7000"};
        QTest::newRow("page values")
            << Edit([](Configuration& c) {
                   c.cb_rs485 = 200;
                   c.st_zumax_t = 55;
                   c.z_inom_a = 1234;
                   c.blok_z = true;
                   c.p_if_c = 3;
               })
            << QStringList{"RS485: записано 9600, считано 200",
                           "Umax, задержка: записано 10,0, считано 5,5",
                           "Iном: записано 15,0, считано 123,4",
                           "Контроль Iфаз: записано A/B/C, считано A",
                           "Блокировка защиты: записано выкл., считано вкл."};
        QTest::newRow("text cut by a zero byte")
            << Edit([](Configuration& c) { c.tipo_text = QStringLiteral("Нас"); })
            << QStringList{"Тип оборудования: записано «Насос           », считано «Нас»"};
    }
    void differences() {
        QFETCH(Edit, read);
        QFETCH(QStringList, texts);
        Configuration sent;
        sent.tipo_text = QStringLiteral("Насос");
        Configuration got = config::decode(config::encode(sent));
        read(got);
        QStringList gotTexts;
        for (const config::FieldDifference& d : config::differences(sent, got))
            gotTexts << config::differenceText(d, comma);
        QCOMPARE(gotTexts, texts);
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
