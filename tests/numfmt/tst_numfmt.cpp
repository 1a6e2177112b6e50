#include "texts/numfmt.h"

#include <QLocale>
#include <QTest>
#include <limits>

using namespace kliv;

class TestNumfmt : public QObject {
    Q_OBJECT

    const NumberLocale comma{QLatin1Char(','), QLatin1Char(' ')};

  private slots:
    void fixed_data() {
        QTest::addColumn<qint64>("mantissa");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");

        QTest::newRow("tenths below 100") << qint64(999) << 1 << "0.0"
                                          << "99,9";
        QTest::newRow("whole, dot pattern") << qint64(1000) << 1 << "0."
                                            << "100";
        QTest::newRow("half up, dot pattern") << qint64(1005) << 1 << "0."
                                              << "101";
        QTest::newRow("half up, plain pattern") << qint64(1005) << 1 << "0"
                                                << "101";
        QTest::newRow("just below half") << qint64(1004) << 1 << "0"
                                         << "100";
        QTest::newRow("negative half away") << qint64(-1005) << 1 << "0"
                                            << "-101";
        QTest::newRow("negative half 0.00") << qint64(-12345) << 4 << "0.00"
                                            << "-1,23";
        QTest::newRow("negative rounds to zero") << qint64(-4) << 1 << "0"
                                                 << "0";
        QTest::newRow("negative zero hundredths") << qint64(0) << 2 << "0.00"
                                                  << "0,00";
        QTest::newRow("minus zero after rounding") << qint64(-4) << 3 << "0.00"
                                                   << "0,00";
        QTest::newRow("scale below decimals") << qint64(7) << 0 << "0.00"
                                              << "7,00";
        QTest::newRow("energy") << qint64(1234567890) << 6 << "000000.000"
                                << "001234,568";
        QTest::newRow("energy zero") << qint64(0) << 6 << "000000.000"
                                     << "000000,000";
        QTest::newRow("energy 40 bits") << qint64((1LL << 40) - 1) << 6 << "000000.000"
                                        << "1099511,628";
        QTest::newRow("one decimal, long") << qint64(1234567890) << 6 << "000000.0"
                                           << "001234,6";
        QTest::newRow("grouped") << qint64(12345675) << 3 << "#,##0.#"
                                 << "12 345,7";
        QTest::newRow("grouped, no fraction") << qint64(1000000) << 0 << "#,##0.#"
                                              << "1 000 000";
        QTest::newRow("grouped, optional digit dropped") << qint64(12) << 1 << "#,##0.#"
                                                         << "1,2";
        QTest::newRow("grouped, rounds to whole") << qint64(999) << 3 << "#,##0.#"
                                                  << "1";
        QTest::newRow("grouped small") << qint64(5) << 2 << "#,##0.#"
                                       << "0,1";
        QTest::newRow("grouped negative") << qint64(-1234) << 0 << "#,##0.#"
                                          << "-1 234";
        QTest::newRow("most negative") << std::numeric_limits<qint64>::min() << 0 << "0"
                                       << "-9223372036854775808";
        QTest::newRow("no zero asked ahead of the point") << qint64(5) << 1 << "#.#"
                                                          << ",5";
        // The widest shift that still leaves a digit to round: 10^-19 of the largest values.
        QTest::newRow("nineteen places below the last digit")
            << qint64(9000000000000000000) << 29 << "0.0000000000"
            << "0,0000000001";
        QTest::newRow("twenty places below the last digit")
            << qint64(9000000000000000000) << 30 << "0.0000000000"
            << "0,0000000000";
        QTest::newRow("most negative scaled") << std::numeric_limits<qint64>::min() << 18 << "0.00"
                                              << "-9,22";
    }
    void fixed() {
        QFETCH(qint64, mantissa);
        QFETCH(int, scale);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(numfmt::format(mantissa, scale, pattern, comma), expected);
    }

    void separatorsFollowLocale() {
        QCOMPARE(numfmt::format(qint64(12345675), 3, u"#,##0.#", NumberLocale::c()),
                 QStringLiteral("12,345.7"));
        const NumberLocale def;
        QCOMPARE(numfmt::format(qint64(12345675), 3, u"#,##0.#", def),
                 QStringLiteral("12") + QChar(0x00A0) + QStringLiteral("345,7"));
    }

    void systemLocaleHasSeparators() {
        const NumberLocale sys = NumberLocale::system();
        QVERIFY(!sys.decimal.isNull());
        QVERIFY(sys.decimal != sys.group);
    }

    // The user's regional separators, each in its own place.
    void regionalSeparators_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("grouped"); // 12345.675 by "#,##0.##"
        QTest::newRow("Russian") << "ru_RU" << QStringLiteral("12\u00A0345,68");
        QTest::newRow("English") << "en_US"
                                 << "12,345.68";
        QTest::newRow("German") << "de_DE"
                                << "12.345,68";
    }
    void regionalSeparators() {
        QFETCH(QString, locale);
        QFETCH(QString, grouped);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const NumberLocale regional = NumberLocale::system();
        QLocale::setDefault(before);
        QCOMPARE(numfmt::format(qint64(12345675), 3, u"#,##0.##", regional), grouped);
    }

    void floating_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");

        QTest::newRow("decimal half") << 0.15 << "0.0"
                                      << "0,2";
        QTest::newRow("negative decimal half") << -2.675 << "0.00"
                                               << "-2,68";
        QTest::newRow("tiny negative") << -1e-9 << "0.0"
                                       << "0,0";
        QTest::newRow("optional digit") << 2.5 << "#,##0.#"
                                        << "2,5";
        QTest::newRow("optional digit dropped") << 2.0 << "#,##0.#"
                                                << "2";
        QTest::newRow("large grouped") << 1234567.0 << "#,##0.#"
                                       << "1 234 567";
        QTest::newRow("whole") << 99.5 << "0"
                               << "100";
        QTest::newRow("very small") << 1e-300 << "0.00"
                                    << "0,00";
    }
    void floating() {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(numfmt::format(value, pattern, comma), expected);
    }
};

QTEST_GUILESS_MAIN(TestNumfmt)
#include "tst_numfmt.moc"
