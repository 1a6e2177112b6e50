// Records the poll to a CSV file for SECONDS (default 60) at 115200 baud and prints the
// records received and written, the rows in the file, and the poll rate as a ratio to the
// line-time ceiling, with and without the recording in the same run. It asserts nothing.

#include "common/simprocess.h"
#include "files/liverecorder.h"
#include "link/engine.h"
#include "link/jobs/polljob.h"
#include "link/serialport.h"
#include "texts/livecsv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

using namespace kliv;

namespace {

constexpr int Baud = 115200;
// A poll without waveforms: the request and the live record's reply, ten bits a byte.
constexpr double Ceiling = Baud / (10.0 * (9 + 61));

struct Run {
    qint64 records = 0;
    double seconds = 0;
    files::LiveRecorder::Result written;
};

Run poll(const QString& port, int seconds, files::LiveRecorder* recorder) {
    Engine engine(new SerialPort);
    engine.setPortName(port);
    auto* job = new PollJob(0);
    Run r;
    QObject::connect(job, &PollJob::liveStatus, [&](const LiveStatus& s) {
        ++r.records;
        if (recorder)
            recorder->add(QDateTime::currentDateTime(), s);
    });
    QElapsedTimer clock;
    clock.start();
    engine.start(job);
    while (clock.elapsed() < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    engine.stopPoll();
    r.seconds = clock.nsecsElapsed() / 1e9;
    if (recorder)
        r.written = recorder->stop();
    return r;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("KLIV_SIM"))
        qputenv("KLIV_SIM", KLIV_SIM_PATH);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    QTextStream out(stdout);
    kliv::test::SimProcess sim({QStringLiteral("--baud"), QString::number(Baud)});
    if (!sim.ok()) {
        out << "simulator did not start" << Qt::endl;
        return 1;
    }
    const Run plain = poll(sim.path(), 10, nullptr);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("record.csv"));
    QString why;
    auto recorder =
        files::LiveRecorder::start(path, liverecord::format(NumberLocale::system()), &why);
    if (!recorder) {
        out << "cannot record: " << why << Qt::endl;
        return 1;
    }
    const Run recorded = poll(sim.path(), seconds, recorder.get());
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const qint64 rows = file.readAll().count('\n') - 1; // less the header
    out << QStringLiteral("poll without recording: %1 records/s, ratio to the ceiling %2")
               .arg(plain.records / plain.seconds, 0, 'f', 1)
               .arg(plain.records / plain.seconds / Ceiling, 0, 'f', 3)
        << Qt::endl;
    out << QStringLiteral("poll recorded for %1 s: received %2, written %3, rows in the file %4; "
                          "%5 records/s, ratio to the ceiling %6")
               .arg(recorded.seconds, 0, 'f', 1)
               .arg(recorded.written.received)
               .arg(recorded.written.written)
               .arg(rows)
               .arg(recorded.records / recorded.seconds, 0, 'f', 1)
               .arg(recorded.records / recorded.seconds / Ceiling, 0, 'f', 3)
        << Qt::endl;
    return 0;
}
