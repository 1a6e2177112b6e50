// Recording the poll: every record becomes a row that reads back as the values it holds,
// the recorder writes every record it was handed, however slow the disk, and never takes
// a recording for written when the file is not there whole.

#include "files/liverecord.h"
#include "files/liverecorder.h"
#include "files/trendreader.h"
#include "texts/livecsv.h"
#include "texts/statustext.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <cstdio>

using namespace kliv;

namespace {

files::Trend readBack(const QByteArray& csv) {
    QBuffer in;
    in.setData(csv);
    in.open(QIODevice::ReadOnly);
    return files::TrendReader(in).read();
}

LiveStatus randomRecord(QRandomGenerator& rng) {
    LiveStatus s;
    s.ua = quint16(rng.bounded(65536));
    s.ib = quint16(rng.bounded(65536));
    s.idif = quint16(rng.bounded(65536));
    s.cosf = quint8(rng.bounded(256));
    s.power = quint16(rng.bounded(65536));
    s.energy = rng.generate64() & ((quint64(1) << 40) - 1);
    s.running = rng.generate();
    s.operatedBits = quint8(rng.bounded(256));
    s.conditionBits = quint8(rng.bounded(256));
    return s;
}

// A disk that takes its time over every write, or gives up after some bytes.
class SlowDevice : public QBuffer {
  public:
    int delayMs = 0;
    qint64 failAfter = -1;

  protected:
    qint64 writeData(const char* data, qint64 len) override {
        QThread::msleep(ulong(delayMs));
        if (failAfter >= 0 && size() + len > failAfter)
            return -1;
        return QBuffer::writeData(data, len);
    }
};

} // namespace

class TestLiveRecord : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void rowsReadBackAsTheirValues_data();
    void rowsReadBackAsTheirValues();
    void nothingLostOnASlowDisk();
    void aRecordingThatCannotGoOnIsReported_data();
    void aRecordingThatCannotGoOnIsReported();
};

void TestLiveRecord::rowsReadBackAsTheirValues_data() {
    QTest::addColumn<QChar>("decimal");
    QTest::newRow("decimal comma") << QChar(u',');
    QTest::newRow("decimal point") << QChar(u'.');
}

void TestLiveRecord::rowsReadBackAsTheirValues() {
    QFETCH(QChar, decimal);
    const NumberLocale loc{decimal, QChar(0x00A0)};
    QRandomGenerator rng(5);
    QString csv = liverecord::header();
    QList<LiveStatus> records;
    const QDateTime start(QDate(2026, 12, 7), QTime(10, 0, 0, 1));
    for (int i = 0; i < 200; ++i) {
        records << randomRecord(rng);
        csv += liverecord::row(start.addMSecs(i * 7), records.last(), loc);
    }
    QCOMPARE(csv.count(u'\n'), 201);
    const files::Trend t = readBack(csv.toUtf8());
    QCOMPARE(t.skipped, 0);
    QCOMPARE(t.rows, 200);
    auto series = [&t](const char* name) {
        const int column = int(t.columns.indexOf(QString::fromUtf8(name)));
        if (column < 0)
            qFatal("no series %s", name);
        return t.series.points(column);
    };
    for (int i = 0; i < 200; ++i) {
        const LiveStatus& s = records.at(i);
        QCOMPARE(qint64(series("Ua, В").at(i).x()), start.addMSecs(i * 7).toMSecsSinceEpoch());
        QCOMPARE(series("Ua, В").at(i).y(), double(s.ua));
        QCOMPARE(qRound(series("Ib, А").at(i).y() * 10), int(s.ib));
        QCOMPARE(qRound(series("Iут, А").at(i).y() * 10), int(s.idif));
        QCOMPARE(series("cos f").at(i).y(), status::cosValue(s.cosf));
        QCOMPARE(qRound64(series("Wа, кВтч").at(i).y() * 1e6), qint64(s.energy));
        QCOMPARE(qint64(series("Наработка, с").at(i).y()), qint64(s.running));
    }
    // The protections' states are words, not a series, and say what the bits say.
    const QStringList first = csv.split(QStringLiteral("\r\n")).at(1).split(u';');
    const int operated = records.first().operatedBits, picking = records.first().conditionBits;
    QCOMPARE(first.at(18), operated & 1  ? QStringLiteral("сработала")
                           : picking & 1 ? QStringLiteral("пуск")
                                         : QStringLiteral("в норме"));
}

// The poll hands records over far faster than this disk writes them: none is lost, and
// none is written twice.
void TestLiveRecord::nothingLostOnASlowDisk() {
    auto device = std::make_unique<SlowDevice>();
    device->delayMs = 20;
    device->open(QIODevice::WriteOnly);
    SlowDevice* disk = device.get();
    files::LiveRecorder recorder(std::move(device), liverecord::format(NumberLocale::c()));
    QRandomGenerator rng(9);
    const QDateTime at = QDateTime::currentDateTime();
    for (int i = 0; i < 500; ++i)
        recorder.add(at, randomRecord(rng));
    QByteArray written;
    {
        const files::LiveRecorder::Result r = recorder.stop();
        QCOMPARE(r.received, 500);
        QCOMPARE(r.written, 500);
        QVERIFY(r.error.isEmpty());
        written = disk->data();
    }
    QCOMPARE(written.count('\n'), 501);
    QCOMPARE(readBack(written).rows, 500);
}

void TestLiveRecord::aRecordingThatCannotGoOnIsReported_data() {
    using P = files::LiveRecorder::Problem;
    QTest::addColumn<QString>("sabotage");
    QTest::addColumn<P>("problem");
    QTest::newRow("none: written whole") << "none" << P::None;
    QTest::newRow("the device fails") << "device" << P::Write;
    QTest::newRow("a full disk") << "/dev/full" << P::Write;
    QTest::newRow("its folder removed") << "folder" << P::Gone;
    QTest::newRow("the file removed") << "file" << P::Gone;
    QTest::newRow("another file moved onto it") << "replace" << P::Gone;
}

// The first failure is told once, as it happens, and the result never passes for whole;
// a file left alone never raises one.
void TestLiveRecord::aRecordingThatCannotGoOnIsReported() {
    QFETCH(QString, sabotage);
    QFETCH(files::LiveRecorder::Problem, problem);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("записи"));
    QVERIFY(QDir().mkpath(folder));
    QString path = folder + QStringLiteral("/опрос.csv");
    if (sabotage.startsWith(u'/')) {
        if (!QFileInfo::exists(sabotage))
            QSKIP("no such device here");
        path = sabotage;
    }
    std::unique_ptr<files::LiveRecorder> recorder;
    if (sabotage == QLatin1String("device")) {
        auto device = std::make_unique<SlowDevice>();
        device->failAfter = 4000;
        device->open(QIODevice::WriteOnly);
        recorder = std::make_unique<files::LiveRecorder>(std::move(device),
                                                         liverecord::format(NumberLocale::c()));
    } else {
        QString why;
        recorder = files::LiveRecorder::start(path, liverecord::format(NumberLocale::c()), &why);
        QVERIFY2(recorder, qPrintable(why));
    }
    std::atomic_int told = 0;
    connect(
        recorder.get(), &files::LiveRecorder::failed, this, [&told] { ++told; },
        Qt::DirectConnection);
    QRandomGenerator rng(3);
    const auto add = [&](int n) {
        for (int i = 0; i < n; ++i)
            recorder->add(QDateTime::currentDateTime(), randomRecord(rng));
    };
    add(50);
    // Each as a user or a cleaning script would: none of them tells the open file.
    const auto replace = [&] {
        QFile other(dir.filePath(QStringLiteral("другой.csv")));
        if (!other.open(QIODevice::WriteOnly) || other.write("x") != 1)
            return false;
        other.close();
        return std::rename(QFile::encodeName(other.fileName()).constData(),
                           QFile::encodeName(path).constData()) == 0;
    };
    const bool done = sabotage == QLatin1String("folder")    ? QDir(folder).removeRecursively()
                      : sabotage == QLatin1String("file")    ? QFile::remove(path)
                      : sabotage == QLatin1String("replace") ? replace()
                                                             : true;
    if (!done)
        QSKIP("this system keeps an open file from being removed or replaced");
    add(50);
    const files::LiveRecorder::Result r = recorder->stop();
    QCOMPARE(r.received, 100);
    QCOMPARE(r.problem, problem);
    QCOMPARE(r.whole(), problem == files::LiveRecorder::Problem::None);
    QCOMPARE(told.load(), r.whole() ? 0 : 1);
    QCOMPARE(r.error.isEmpty(), problem != files::LiveRecorder::Problem::Write);
    if (r.whole())
        QCOMPARE(r.written, 100);
}

QTEST_APPLESS_MAIN(TestLiveRecord)
#include "tst_liverecord.moc"
