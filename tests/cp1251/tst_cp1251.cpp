// The wire-text table against the system's own Windows-1251 codec, where Qt has one (ICU
// on Linux): the table is used on every platform, so the two must agree on every byte and
// every character, including what happens to characters the code page lacks.
#include "protocol/cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

using namespace kliv;

namespace {

QString u(std::initializer_list<char16_t> units) {
    QString s;
    for (char16_t c : units)
        s.append(QChar(c));
    return s;
}

} // namespace

class TestCp1251 : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        if (!QStringDecoder("windows-1251").isValid())
            QSKIP("this Qt has no Windows-1251 codec to compare with");
    }

    void everyByteAsTheSystemCodec() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, char(b));
            QStringDecoder system("windows-1251");
            const QString expected = system.decode(one);
            QVERIFY2(cp1251::decode(one) == expected, qPrintable(QString::number(b, 16)));
            all.append(one);
        }
        QStringDecoder system("windows-1251");
        QCOMPARE(cp1251::decode(all), QString(system.decode(all)));
    }

    void everyCharacterAsTheSystemCodec() {
        for (int c = 0; c <= 0xFFFF; ++c) {
            const QString one{QChar(char16_t(c))};
            QStringEncoder system("windows-1251");
            const QByteArray expected = system.encode(one);
            QVERIFY2(cp1251::encode(one) == expected,
                     qPrintable(QStringLiteral("U+%1").arg(c, 4, 16, QLatin1Char('0'))));
        }
    }

    // Beyond single characters: pairs and surrogates out of place.
    void textsAsTheSystemCodec_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("pair outside the BMP") << u({'A', 0xD83D, 0xDE00, 'B'});
        QTest::newRow("ignorable pair") << u({'A', 0xDB40, 0xDC01, 'B'});
        QTest::newRow("high surrogate then a letter") << u({0xD800, 'A'});
        QTest::newRow("high surrogate at the end") << u({'A', 0xD800});
        QTest::newRow("low surrogate alone") << u({'A', 0xDC00, 'B'});
        QTest::newRow("byte order mark first and inside") << u({0xFEFF, 'A', 0xFEFF, 'B'});
        QTest::newRow("cyrillic with unknowns") << QStringLiteral("Цех ✓ №5 ‍ё");
    }
    void textsAsTheSystemCodec() {
        QFETCH(QString, text);
        QStringEncoder system("windows-1251");
        QCOMPARE(cp1251::encode(text), QByteArray(system.encode(text)));
    }
};

QTEST_GUILESS_MAIN(TestCp1251)
#include "tst_cp1251.moc"
