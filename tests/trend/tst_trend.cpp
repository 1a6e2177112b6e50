// Reading a recording for the trend chart: the decimated series keep every extreme of the
// rows they stand for and nothing else, bad rows are counted and never lose a good one, and
// what is held does not grow with the file.

#include "files/decimator.h"
#include "files/liverecord.h"
#include "files/trendreader.h"
#include "texts/livecsv.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

using namespace kliv;
using files::RowFault;
using files::Trend;

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
const QDateTime Start(QDate(2026, 3, 2), QTime(8, 0));

Trend readBack(const QByteArray& csv, const files::TrendRequest& request = {},
               qint64* lastTotal = nullptr) {
    QBuffer in;
    in.setData(csv);
    in.open(QIODevice::ReadOnly);
    files::TrendReader reader(in);
    reader.onProgress = [lastTotal](qint64, qint64 total) {
        if (lastTotal)
            *lastTotal = total;
    };
    return reader.read(request);
}

LiveStatus randomRecord(QRandomGenerator& rng) {
    LiveStatus s;
    s.ua = quint16(rng.bounded(400)), s.ia = quint16(rng.bounded(9000));
    s.running = rng.generate();
    return s;
}

// A good row, then what spoils it: its line without the line end.
QByteArray spoilt(QByteArray row, int kind, const QDateTime& at, QRandomGenerator& rng) {
    QList<QByteArray> f = row.trimmed().split(';');
    f[1] = f[2] = "99999", f[4] = "-1"; // extremes that show if the row leaks in
    switch (kind) {
    case 0:
        f.removeLast();
        break;
    case 1:
        f << "0";
        break;
    case 2:
        f[1 + rng.bounded(14)] =
            QByteArrayList{"12x", "", "1,2,3", "nan", "1e999"}.at(rng.bounded(5));
        break;
    case 3:
        f[0] = QByteArrayList{"2026-02-30T10:00:00.000", "2026-03-02 08:00:00.000",
                              "2026-03-02T24:00:00.000", ""}
                   .at(rng.bounded(4));
        break;
    case 4: // before every good row
        f[0] = Start.addSecs(-1).toString(TimeFormat).toUtf8();
        break;
    case 5: // days ahead of the rows around it
        f[0] = at.addDays(10).toString(TimeFormat).toUtf8();
        break;
    }
    return f.join(';');
}

// `rows` rows 40 ms apart, Ua counting up from the row's number.
QByteArray evenRecording(int rows) {
    QByteArray csv = liverecord::header().toUtf8();
    LiveStatus s;
    for (int i = 0; i < rows; ++i) {
        s.ua = quint16(i % 400);
        csv += liverecord::row(Start.addMSecs(40 * i), s, NumberLocale::c()).toUtf8();
    }
    return csv;
}

} // namespace

class TestTrend : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void decimatorKeepsEveryExtreme();
    void badRowsAreCountedAndGoodOnesKept();
    void filesThatShowNothing_data();
    void filesThatShowNothing();
    void columnsComeFromTheHeader();
    void heldSeriesDoNotGrowWithTheFile();
    void cancelStopsWithinAChunk();
    void aRangeReadAgreesWithTheWhole();
};

// Random series into random spans: every span's cell is the true least and greatest of its
// rows, first seen where the cell says; the points are rows, and no span's extreme is
// missing from them. The spans are as narrow as the series allows.
void TestTrend::decimatorKeepsEveryExtreme() {
    QRandomGenerator rng(11);
    for (int round = 0; round < 300; ++round) {
        const int columns = 1 + rng.bounded(3), buckets = 1 + rng.bounded(40);
        const qint64 origin = rng.bounded(1000), width = 1 + rng.bounded(20);
        files::Decimator d(columns, buckets, origin, width);
        QList<qint64> at;
        QList<QList<double>> values(columns);
        QList<QSet<QPair<qint64, double>>> rowsOf(columns);
        qint64 t = origin + rng.bounded(50);
        for (int n = rng.bounded(600); n > 0; --n) {
            t += rng.bounded(4) == 0 ? 0 : rng.bounded(rng.bounded(10) == 0 ? 5000 : 30);
            at << t;
            QList<double> row;
            for (int c = 0; c < columns; ++c)
                values[c] << double(rng.bounded(7)) - 3, row << values[c].last(),
                    rowsOf[c].insert({t, values[c].last()});
            d.add(t, row.constData());
        }
        const qint64 w = d.width();
        QVERIFY(w % width == 0);
        if (!at.isEmpty()) {
            QVERIFY((at.last() - origin) / w < buckets);
            QVERIFY(w == width || (at.last() - origin) / (w / 2) >= buckets);
        }
        for (int c = 0; c < columns; ++c) {
            const QList<QPointF> points = d.points(c);
            QVERIFY(points.size() <= 2 * buckets);
            for (const QPointF& p : points)
                QVERIFY(rowsOf[c].contains({qint64(p.x()), p.y()}));
            for (int b = 0; b < buckets; ++b) {
                double lo = 1e9, hi = -1e9;
                qint64 loAt = -1, hiAt = -1, rows = 0;
                for (qsizetype j = 0; j < at.size(); ++j) {
                    if ((at.at(j) - origin) / w != b)
                        continue;
                    ++rows;
                    const double v = values[c].at(j);
                    if (v < lo)
                        lo = v, loAt = at.at(j);
                    if (v > hi)
                        hi = v, hiAt = at.at(j);
                }
                QCOMPARE(d.rows(b), rows);
                if (rows == 0)
                    continue;
                const auto& cell = d.cell(b, c);
                QCOMPARE(cell.min, lo);
                QCOMPARE(cell.max, hi);
                QCOMPARE(cell.minAt, loAt);
                QCOMPARE(cell.maxAt, hiAt);
                QVERIFY(points.contains(QPointF(double(loAt), lo)));
                QVERIFY(points.contains(QPointF(double(hiAt), hi)));
            }
        }
    }
}

// A recording read with bad rows among its good ones holds the same series as without
// them; the bad ones are counted, the first named by its line and its fault.
void TestTrend::badRowsAreCountedAndGoodOnesKept() {
    QRandomGenerator rng(17);
    for (int round = 0; round < 30; ++round) {
        const NumberLocale loc = rng.bounded(2) ? NumberLocale::c() : NumberLocale{};
        QByteArray clean = "\xEF\xBB\xBF" + liverecord::header().toUtf8(), dirty = clean;
        int line = 1, skipped = 0, firstLine = 0;
        RowFault firstFault{};
        QDateTime at = Start;
        for (int i = 0; i < 300; ++i) {
            at = at.addMSecs(rng.bounded(2000));
            const QByteArray row = liverecord::row(at, randomRecord(rng), loc).toUtf8();
            clean += row, dirty += row, ++line;
            const bool longLine = round == 0 && i == 150;
            if (rng.bounded(20) == 0)
                dirty += "\n", ++line; // blank lines are no rows
            if ((rng.bounded(6) != 0 || i == 0 || i == 299) && !longLine)
                continue;
            const int kind = longLine ? 6 : rng.bounded(6);
            dirty += (longLine ? QByteArray(5 << 20, '1') : spoilt(row, kind, at, rng)) +
                     (rng.bounded(2) ? "\r\n" : "\n");
            if (skipped++ == 0) {
                firstLine = line + 1;
                firstFault =
                    std::array{RowFault::Fields, RowFault::Fields, RowFault::Number, RowFault::Time,
                               RowFault::Order,  RowFault::Order,  RowFault::Length}[kind];
            }
            ++line;
        }
        const Trend good = readBack(clean), t = readBack(dirty);
        QCOMPARE(good.rows, 300);
        QCOMPARE(good.skipped, 0);
        QCOMPARE(t.columns, good.columns);
        QCOMPARE(t.rows, 300);
        QCOMPARE(t.skipped, skipped);
        QCOMPARE(t.firstSkippedLine, firstLine);
        QCOMPARE(t.firstFault, firstFault);
        for (int c = 0; c < good.columns.size(); ++c)
            QCOMPARE(t.series.points(c), good.series.points(c));
    }
}

void TestTrend::filesThatShowNothing_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Trend::Problem>("problem");
    QTest::addColumn<int>("skipped");
    const QByteArray header = liverecord::header().toUtf8();
    const QByteArray row = evenRecording(1).mid(header.size());
    QTest::newRow("empty") << QByteArray() << Trend::Problem::NotARecording << 0;
    QTest::newRow("header only") << header << Trend::Problem::NoRows << 0;
    QTest::newRow("no value column") << QByteArray("Время;Оборудование;Umin, состояние\n" + row)
                                     << Trend::Problem::NotARecording << 0;
    QTest::newRow("no line end in 6 MB")
        << QByteArray(6 << 20, 'x') << Trend::Problem::NotARecording << 0;
    QTest::newRow("too many columns")
        << QByteArray("Время" + QByteArray(";a").repeated(files::TrendReader::MaxColumns + 1))
        << Trend::Problem::TooManyColumns << 0;
    QTest::newRow("every row bad")
        << header + row.left(40) + "\n" + row.mid(10) << Trend::Problem::NoRows << 2;
}

void TestTrend::filesThatShowNothing() {
    QFETCH(QByteArray, file);
    QFETCH(Trend::Problem, problem);
    QFETCH(int, skipped);
    const Trend t = readBack(file);
    QCOMPARE(t.problem, problem);
    QCOMPARE(t.skipped, skipped);
}

// 20,000 columns: every one is offered, though the first row is short; the spans a column
// shrink so that the cells stay within their budget, and the last column reads right.
void TestTrend::columnsComeFromTheHeader() {
    constexpr int Columns = 20000;
    QByteArray csv = "Время";
    for (int c = 0; c < Columns; ++c)
        csv += ";к" + QByteArray::number(c);
    csv += "\n" + Start.toString(TimeFormat).toUtf8() + ";1\n";
    for (int r = 0; r < 5; ++r) {
        csv += Start.addSecs(r).toString(TimeFormat).toUtf8();
        for (int c = 0; c < Columns; ++c)
            csv += ';' + QByteArray::number(c * r);
        csv += '\n';
    }
    const Trend t = readBack(csv);
    QCOMPARE(t.columns.size(), Columns);
    QCOMPARE(t.columns.last(), QStringLiteral("к19999"));
    QCOMPARE(t.rows, 5);
    QCOMPARE(t.skipped, 1);
    QVERIFY(qint64(t.series.buckets()) * t.series.columns() <= files::TrendReader::CellBudget);
    const QList<QPointF> last = t.series.points(Columns - 1);
    QCOMPARE(last.size(), 5);
    QCOMPARE(last.last(), QPointF(double(Start.addSecs(4).toMSecsSinceEpoch()), 4 * 19999.));
}

void TestTrend::heldSeriesDoNotGrowWithTheFile() {
    qint64 width = 0;
    for (int rows : {1000, 10000, 100000}) {
        const Trend t = readBack(evenRecording(rows));
        QCOMPARE(t.rows, rows);
        QCOMPARE(t.series.buckets(), files::TrendReader::MaxBuckets);
        QVERIFY(t.series.points(0).size() <= 2 * files::TrendReader::MaxBuckets);
        QVERIFY(t.index.size() <= files::TrendReader::IndexSize);
        QVERIFY(t.series.width() > width); // the same spans, each wider
        width = t.series.width();
    }
}

// Cancel, called from the first progress report, stops the read at that chunk; a read to
// the end reports every byte.
void TestTrend::cancelStopsWithinAChunk() {
    const QByteArray csv = evenRecording(40000); // some 8 chunks
    QVERIFY(csv.size() > 4 * files::TrendReader::ChunkBytes);
    QBuffer in;
    in.setData(csv);
    in.open(QIODevice::ReadOnly);
    files::TrendReader reader(in);
    QList<qint64> done;
    reader.onProgress = [&](qint64 d, qint64 total) {
        QCOMPARE(total, csv.size());
        done << d;
        if (done.size() == 1)
            reader.cancel();
    };
    const Trend t = reader.read();
    QVERIFY(t.cancelled);
    QCOMPARE(done.size(), 1);
    QVERIFY(t.rows > 0 && t.rows < 40000 / 4);

    in.seek(0);
    files::TrendReader whole(in);
    done.clear();
    whole.onProgress = [&](qint64 d, qint64) { done << d; };
    QCOMPARE(whole.read().rows, 40000);
    QVERIFY(std::is_sorted(done.begin(), done.end()));
    QCOMPARE(done.last(), csv.size());
}

// A time read again from its index holds what the whole read holds of it, rows out of order
// included, and reads only near that time.
void TestTrend::aRangeReadAgreesWithTheWhole() {
    QRandomGenerator rng(23);
    QByteArray csv = liverecord::header().toUtf8();
    QList<QPair<qint64, int>> good; // time, Ua
    QDateTime at = Start;
    for (int i = 0; i < 20000; ++i) {
        at = at.addMSecs(1 + rng.bounded(100));
        const LiveStatus s = randomRecord(rng);
        const QByteArray row = liverecord::row(at, s, NumberLocale::c()).toUtf8();
        csv += row;
        good.append({at.toMSecsSinceEpoch(), s.ua});
        if (i > 0 && i < 19999 && rng.bounded(5) == 0)
            csv += spoilt(row, 4 + rng.bounded(2), at, rng) + "\n";
    }
    const Trend whole = readBack(csv);
    QCOMPARE(whole.rows, 20000);
    for (int round = 0; round < 40; ++round) {
        // Some start just after a place the index names, where the read begins.
        const qint64 from = round % 2 ? whole.index.at(rng.bounded(int(whole.index.size()))).at + 1
                                      : good.at(rng.bounded(20000)).first;
        const qint64 to = from + rng.bounded(round < 20 ? 5000 : 200000);
        files::TrendRequest request{{0, 3}, std::make_pair(from, to), whole.index};
        qint64 total = 0;
        const Trend part = readBack(csv, request, &total);
        int rows = 0, lo = 1 << 20, hi = -1;
        for (const auto& [t, ua] : good)
            if (t >= from && t <= to)
                ++rows, lo = std::min(lo, ua), hi = std::max(hi, ua);
        QCOMPARE(part.rows, rows);
        QCOMPARE(part.decimated, QList<int>({0, 3}));
        double partLo = 1e9, partHi = -1e9;
        for (const QPointF& p : part.series.points(0)) {
            QVERIFY(p.x() >= from && p.x() <= to);
            partLo = std::min(partLo, p.y()), partHi = std::max(partHi, p.y());
        }
        if (rows > 0)
            QCOMPARE(std::pair(partLo, partHi), std::pair(double(lo), double(hi)));
        if (to - from < 5000)
            QVERIFY(total < csv.size() / 10);
    }
}

QTEST_APPLESS_MAIN(TestTrend)
#include "tst_trend.moc"
