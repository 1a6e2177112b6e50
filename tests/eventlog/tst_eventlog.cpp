#include "common/hexbytes.h"
#include "protocol/eventlog.h"
#include "protocol/frame.h"
#include "texts/eventtexts.h"

#include <QDateTime>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace kliv;

using kliv::test::bytes;

namespace {

const NumberLocale comma{QLatin1Char(','), QChar(0x00A0)};

// 21.06.09 14:27:05, order 3; relay on, equipment off, Umin and overload acted.
const char* const SampleHex = "03 05 27 14 21 06 09"    // order, time, date
                              "80 21"                   // state, protection
                              "01 88 01 84 01 8C"       // Ua Ub Uc
                              "00 B4 00 B9 00 AF 00 05" // Ia Ib Ic Idif
                              "D5";                     // cos f

EventRecord sample() {
    EventRecord r;
    r.order = 3;
    r.seconds = 5;
    r.minutes = 27;
    r.hours = 14;
    r.day = 21;
    r.month = 6;
    r.year = 9;
    r.state = 0x80;
    r.protection = 0x21;
    r.ua = 392;
    r.ub = 388;
    r.uc = 396;
    r.ia = 180;
    r.ib = 185;
    r.ic = 175;
    r.idif = 5;
    r.cosf = 0xD5;
    return r;
}

EventRecord at(int day, int month, int year, int h, int m, int s, int order) {
    EventRecord r = sample();
    r.day = day;
    r.month = month;
    r.year = year;
    r.hours = h;
    r.minutes = m;
    r.seconds = s;
    r.order = order;
    return r;
}

EventRecord fromHex(const char* hexText) {
    const QByteArray b = bytes(hexText);
    Q_ASSERT(b.size() == eventlog::RecordSize);
    return eventlog::decodeRecord(b.constData());
}

// The selection the grid's order is defined by, worked on the date/time texts: a row is
// valid when its text converts to a date and time and character 20 is a digit; then the
// earliest row is picked again and again, a later row winning only when strictly
// earlier, or equal in time with a smaller character 20.
QList<int> selectionOrder(const std::array<EventRecord, eventlog::LogSize>& store) {
    static const QRegularExpression shape(
        QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)  (\\d+):(\\d+):(\\d+)"));
    struct Row {
        int position;
        QDateTime when;
        QChar order;
    };
    QList<Row> rows;
    for (int k = 0; k < eventlog::LogSize; ++k) {
        const QString text = eventlog::dateTimeText(store[std::size_t(k)]);
        const auto m = shape.match(text);
        if (!m.hasMatch() || text.size() < 20 || !text.at(19).isDigit())
            continue;
        const QDate d(2000 + m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
        const QTime t(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (d.isValid() && t.isValid())
            rows.append({k + 1, QDateTime(d, t, Qt::UTC), text.at(19)});
    }
    QList<int> order;
    while (!rows.isEmpty()) {
        qsizetype chosen = 0;
        for (qsizetype i = 1; i < rows.size(); ++i) {
            const Row& a = rows[i];
            const Row& c = rows[chosen];
            if (a.when < c.when || (a.when == c.when && a.order < c.order))
                chosen = i;
        }
        order.append(rows.takeAt(chosen).position);
    }
    return order;
}

QList<int> positionsOf(const QList<EventRow>& rows) {
    QList<int> p;
    for (const EventRow& r : rows)
        p.append(r.position);
    return p;
}

} // namespace

class TestEventLog : public QObject {
    Q_OBJECT

  private slots:
    void decodesKnownRecord() {
        QVERIFY(eventlog::decodeRecord(bytes(SampleHex).constData()) == sample());
        QCOMPARE(frame::hex(eventlog::encodeRecord(sample())), frame::hex(bytes(SampleHex)));
    }

    void masksTensBits() {
        // Unused high bits set in every BCD field and in the order byte.
        const EventRecord r = fromHex("F3 85 A7 D4 E1 E6 09 80 21 01 88 01 84 01 8C"
                                      "00 B4 00 B9 00 AF 00 05 D5");
        QCOMPARE(r.order, 3);
        QCOMPARE(r.seconds, 5);
        QCOMPARE(r.minutes, 27);
        QCOMPARE(r.hours, 14);
        QCOMPARE(r.day, 21);
        QCOMPARE(r.month, 6); // the month's tens is bit 4 only
        QVERIFY(r == sample());
    }

    // The twelve texts joined by '|'.
    void texts_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("expected");
        const QByteArray base = bytes(SampleHex);
        const auto with = [&base](int at, const char* hexValue) {
            QByteArray r = base;
            const QByteArray v = bytes(hexValue);
            r.replace(at, v.size(), v);
            return r;
        };
        QTest::newRow("sample") << base
                                << "21.06.09  14:27:05:3|Вкл.|Выкл.|Перегруз|392|388|396|18,0|"
                                   "18,5|17,5|0,5|0,85";
        QTest::newRow("equipment on, no protection, large currents")
            << with(7, "01 00 FF FF 00 00 00 0A 03 E7 03 E8 03 ED 00 00 64")
            << "21.06.09  14:27:05:3|Выкл.|Вкл.||65535|0|10|99,9|100|101|0,0|1,00";
        QTest::newRow("leakage from 100 A, cos one positive")
            << with(19, "00 00 27 10 E4")
            << "21.06.09  14:27:05:3|Вкл.|Выкл.|Перегруз|392|388|396|18,0|18,5|0,0|1000|1,00";
        QTest::newRow("leakage current protection wins")
            << with(8, "81")
            << "21.06.09  14:27:05:3|Вкл.|Выкл.|Утечка тока|392|388|396|18,0|18,5|17,5|0,5|0,85";
        QTest::newRow("Uasm over Umin, unused state bits, negative cos")
            << with(7, "7E 05").replace(23, 1, bytes("55"))
            << "21.06.09  14:27:05:3|Выкл.|Выкл.|Uасм|392|388|396|18,0|18,5|17,5|0,5|-0,85";
    }
    void texts() {
        QFETCH(QByteArray, record);
        QFETCH(QString, expected);
        const EventTexts t = eventlog::texts(eventlog::decodeRecord(record.constData()), comma);
        QCOMPARE(QStringList(t.begin(), t.end()).join(QLatin1Char('|')), expected);
    }

    void textsFollowTheLocale() {
        const EventTexts t = eventlog::texts(sample(), NumberLocale::c());
        QCOMPARE(t[7], QStringLiteral("18.0"));
        QCOMPARE(t[11], QStringLiteral("0.85"));
        EventRecord one = sample();
        one.cosf = 0x64;
        QCOMPARE(eventlog::texts(one, NumberLocale::c())[11], QStringLiteral("1,00"));
    }

    void dateTimeText_data() {
        QTest::addColumn<QByteArray>("time"); // record bytes 0..6
        QTest::addColumn<QString>("text");
        QTest::newRow("example") << bytes("03 05 27 14 21 06 09") << "21.06.09  14:27:05:3";
        QTest::newRow("leading zeros") << bytes("00 00 00 00 01 01 00") << "01.01.00  00:00:00:0";
        QTest::newRow("two-digit order")
            << bytes("0C 05 27 14 21 06 09") << "21.06.09  14:27:05:12";
        QTest::newRow("units nibble above 9")
            << bytes("00 0A 00 00 1F 01 26") << "25.01.26  00:00:10:0";
        QTest::newRow("three-digit year")
            << bytes("03 05 27 14 21 06 A5") << "21.06.105  14:27:05:3";
        QTest::newRow("erased") << bytes("FF FF FF FF FF FF FF") << "45.25.165  45:85:85:15";
    }
    void dateTimeText() {
        QFETCH(QByteArray, time);
        QFETCH(QString, text);
        const QByteArray record = time + QByteArray(eventlog::RecordSize - time.size(), '\0');
        QCOMPARE(eventlog::dateTimeText(eventlog::decodeRecord(record.constData())), text);
    }

    void validity_data() {
        QTest::addColumn<QByteArray>("time"); // record bytes 0..6
        QTest::addColumn<bool>("valid");
        QTest::newRow("example") << bytes("03 05 27 14 21 06 09") << true;
        QTest::newRow("last moment of a year") << bytes("09 59 59 23 31 12 99") << true;
        QTest::newRow("29.02 of a leap year") << bytes("00 00 00 12 29 02 24") << true;
        QTest::newRow("29.02.2000") << bytes("00 00 00 12 29 02 00") << true;
        QTest::newRow("order 15") << bytes("0F 05 27 14 21 06 09") << true;
        QTest::newRow("units nibble above 9") << bytes("00 0A 00 00 1F 01 26") << true;
        QTest::newRow("all zero") << bytes("00 00 00 00 00 00 00") << false;
        QTest::newRow("all FF") << bytes("FF FF FF FF FF FF FF") << false;
        QTest::newRow("31.02") << bytes("00 00 00 12 31 02 24") << false;
        QTest::newRow("29.02 of a common year") << bytes("00 00 00 12 29 02 23") << false;
        QTest::newRow("hour 24") << bytes("00 00 00 24 01 03 24") << false;
        QTest::newRow("minute 60") << bytes("00 00 60 12 01 03 24") << false;
        QTest::newRow("second 60 from a nibble") << bytes("00 5A 00 12 01 03 24") << false;
        QTest::newRow("month 13") << bytes("00 00 00 12 01 13 24") << false;
        QTest::newRow("month 0") << bytes("00 00 00 12 01 00 24") << false;
        QTest::newRow("day 0") << bytes("00 00 00 12 00 03 24") << false;
        // A real date in 2105, but its text is one character longer.
        QTest::newRow("three-digit year") << bytes("00 00 00 12 01 03 A5") << false;
    }
    void validity() {
        QFETCH(QByteArray, time);
        QFETCH(bool, valid);
        const QByteArray record = time + bytes(SampleHex).mid(time.size());
        QCOMPARE(eventlog::isValid(eventlog::decodeRecord(record.constData())), valid);
    }

    void blockRoundTrip() {
        std::array<QByteArray, eventlog::RecordsPerBlock> images;
        for (int i = 0; i < eventlog::RecordsPerBlock; ++i)
            images[std::size_t(i)] = eventlog::encodeRecord(at(i + 1, 6, 9, 14, 27, 5, i));
        images[3] = QByteArray(eventlog::RecordSize, char(0xFF));
        images[4] = QByteArray(); // padded with zeros
        const QByteArray payload = eventlog::encodeBlock(7, images);
        QCOMPARE(payload.size(), 241);
        QCOMPARE(payload.at(0), char(7));
        QCOMPARE(payload.mid(1 + 4 * 24, 24), QByteArray(24, '\0'));

        const auto block = eventlog::decodeBlock(payload);
        QVERIFY(block);
        QCOMPARE(block->index, 7);
        QVERIFY(block->records[0] == at(1, 6, 9, 14, 27, 5, 0));
        QVERIFY(block->records[9] == at(10, 6, 9, 14, 27, 5, 9));
        QCOMPARE(block->records[3].year, 165);
        QVERIFY(!eventlog::isValid(block->records[3]));
        QVERIFY(block->records[4] == EventRecord{});
    }

    void blockIndex_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("index"); // -1: no block
        QTest::newRow("first") << QByteArray(241, '\0') << 0;
        QTest::newRow("last") << QByteArray(1, '\x09') + QByteArray(240, '\0') << 9;
        QTest::newRow("10") << QByteArray(1, '\x0A') + QByteArray(240, '\0') << -1;
        QTest::newRow("255") << QByteArray(1, '\xFF') + QByteArray(240, '\0') << -1;
        QTest::newRow("index only") << QByteArray(1, '\x05') << 5;
        QTest::newRow("empty") << QByteArray() << 0;
    }
    void blockIndex() {
        QFETCH(QByteArray, payload);
        QFETCH(int, index);
        const auto block = eventlog::decodeBlock(payload);
        QCOMPARE(block.has_value(), index >= 0);
        if (block)
            QCOMPARE(block->index, index);
    }

    void shortBlockReadsZeros() {
        // The first record whole, the second cut after its date: the rest reads as 0.
        const QByteArray payload =
            QByteArray(1, '\x02') + bytes(SampleHex) + bytes(SampleHex).left(7);
        const auto block = eventlog::decodeBlock(payload);
        QVERIFY(block);
        QVERIFY(block->records[0] == sample());
        EventRecord cut = sample();
        cut.state = cut.protection = cut.cosf = 0;
        cut.ua = cut.ub = cut.uc = cut.ia = cut.ib = cut.ic = cut.idif = 0;
        QVERIFY(block->records[1] == cut);
        for (std::size_t i = 2; i < block->records.size(); ++i)
            QVERIFY(block->records[i] == EventRecord{});
    }

    void orderedWrappedLog() {
        std::array<EventRecord, eventlog::LogSize> store{};
        // Newest at positions 1..3, older from 60 on, erased between.
        store[0] = at(2, 1, 25, 8, 0, 0, 0);
        store[1] = at(2, 1, 25, 8, 0, 0, 2);
        store[2] = at(2, 1, 25, 8, 0, 0, 1);
        store[59] = at(30, 12, 24, 23, 59, 59, 0);
        store[60] = at(31, 12, 24, 0, 0, 0, 0);
        store[61] = at(31, 2, 24, 0, 0, 0, 0); // corrupt
        store[62] = at(1, 1, 25, 0, 0, 0, 0);
        store[99] = at(1, 1, 25, 0, 0, 0, 0); // equal key: stays behind position 63
        QCOMPARE(positionsOf(eventlog::ordered(store)), (QList<int>{60, 61, 63, 100, 1, 3, 2}));
        QCOMPARE(eventlog::ordered(store).first().record, store[59]);
    }

    void orderedEmptyLog() {
        std::array<EventRecord, eventlog::LogSize> store{};
        QVERIFY(eventlog::ordered(store).isEmpty());
    }

    // Order digits of 10 and more count as numbers; compared by the first digit of their
    // text they would go ahead of 2..9.
    void orderedTwoDigitOrders() {
        std::array<EventRecord, eventlog::LogSize> store{};
        store[0] = at(2, 1, 25, 8, 0, 0, 12);
        store[1] = at(2, 1, 25, 8, 0, 0, 2);
        store[2] = at(2, 1, 25, 8, 0, 0, 10);
        QCOMPARE(positionsOf(eventlog::ordered(store)), (QList<int>{2, 3, 1}));
    }

    void orderedAgreesWithSelection() {
        QRandomGenerator rng(20260612);
        for (int round = 0; round < 300; ++round) {
            std::array<EventRecord, eventlog::LogSize> store{};
            // A few distinct seconds so that equal keys are common, a wrap point, and
            // erased, damaged and random slots.
            const int seconds = 1 + int(rng.bounded(round % 2 ? 5 : 60));
            const int wrap = int(rng.bounded(eventlog::LogSize));
            for (int k = 0; k < eventlog::LogSize; ++k) {
                const int age = (k - wrap + eventlog::LogSize) % eventlog::LogSize;
                EventRecord r = at(28 + age / 40, 2, 24, 23, 59, 0, 0);
                r.seconds = int(rng.bounded(seconds));
                r.order = int(rng.bounded(round % 3 ? 2 : 10));
                r.ua = quint16(k);
                QByteArray image = eventlog::encodeRecord(r);
                switch (rng.bounded(12)) {
                case 0:
                    image.fill('\0');
                    break;
                case 1:
                    image.fill(char(0xFF));
                    break;
                case 2: // any bytes, but an order digit the relay sends
                    for (char& c : image)
                        c = char(rng.bounded(256));
                    image[0] = char(rng.bounded(10));
                    break;
                case 3:
                    image[3] = char(0x24); // hour 24
                    break;
                default:
                    break;
                }
                store[std::size_t(k)] = eventlog::decodeRecord(image.constData());
            }
            const QList<int> expected = selectionOrder(store);
            QCOMPARE(positionsOf(eventlog::ordered(store)), expected);
        }
    }

    void orderedFullLogKeepsEveryRow() {
        std::array<EventRecord, eventlog::LogSize> store{};
        for (int k = 0; k < eventlog::LogSize; ++k)
            store[std::size_t(k)] = at(1 + k % 28, 1 + k / 28, 9, 12, 0, 0, 0);
        const QList<EventRow> rows = eventlog::ordered(store);
        QCOMPARE(rows.size(), 100);
        QCOMPARE(positionsOf(rows), selectionOrder(store));
    }

    void csv() {
        QList<EventTexts> rows =
            eventlog::texts(QList<EventRow>{{17, sample()}, {3, sample()}}, comma);
        rows[1][3] = QStringLiteral("a;b");
        rows[1][4] = QStringLiteral("say \"hi\"");
        rows[1][5] = QStringLiteral("two\nlines");
        const QString text = eventlog::csv(rows);
        const QString head = QStringLiteral("№ п/п;Дата/Время;КЛИВ;Обор.;Защита;Ua, В;Ub, В;Uc, "
                                            "В;Ia, A;Ib, A;Ic, A;Iут, А;cos f\r\n");
        QCOMPARE(text, head + QStringLiteral(
                                  "1;21.06.09  14:27:05:3;Вкл.;Выкл.;Перегруз;392;388;396;18,0;"
                                  "18,5;17,5;0,5;0,85\r\n"
                                  "2;21.06.09  14:27:05:3;Вкл.;Выкл.;\"a;b\";\"say \"\"hi\"\"\";"
                                  "\"two\nlines\";396;18,0;18,5;17,5;0,5;0,85\r\n"));
        QCOMPARE(eventlog::csv({}), head);
    }

    void json() {
        EventRecord none = at(1, 1, 10, 0, 0, 0, 0);
        none.protection = 0;
        none.state = 0x81;
        none.cosf = 0x64;
        none.ia = 1005;
        const QJsonArray a = eventlog::json({{17, sample()}, {3, none}});
        QCOMPARE(a.size(), 2);
        const QJsonObject first{
            {"n", 1},
            {"position", 17},
            {"time", "2009-06-21T14:27:05"},
            {"order", 3},
            {"relayOn", true},
            {"equipmentOn", false},
            {"protection", "ivtz"},
            {"protectionName", "Перегруз"},
            {"ua", 392},
            {"ub", 388},
            {"uc", 396},
            {"ia", 18.0},
            {"ib", 18.5},
            {"ic", 17.5},
            {"idif", 0.5},
            {"cosf", 0.85},
        };
        QCOMPARE(a.at(0).toObject(), first);
        const QJsonObject second = a.at(1).toObject();
        QCOMPARE(second.value("n").toInt(), 2);
        QVERIFY(second.value("protection").isNull());
        QVERIFY(second.value("protectionName").isNull());
        QCOMPARE(second.value("equipmentOn").toBool(), true);
        QCOMPARE(second.value("cosf").toDouble(), 1.0);
        QCOMPARE(second.value("ia").toDouble(), 100.5);
        EventRecord negative = sample();
        negative.cosf = 0x55;
        QCOMPARE(eventlog::json({{1, negative}}).at(0).toObject().value("cosf").toDouble(), -0.85);
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
