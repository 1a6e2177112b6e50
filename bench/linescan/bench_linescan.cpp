// The line scan against the simulated line of three relays: how long its probes take
// against their schedule, one presence time-out of the line's speed per number probed,
// and what the version reads add. A benchmark: it prints figures, it asserts nothing.

#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/linescanjob.h"
#include "link/serialport.h"
#include "model/seriallist.h"
#include "protocol/speeds.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

using namespace kliv;

namespace {

// The presence time-out by speed index, written out on its own so that the scan is
// measured against the table and not against itself.
constexpr std::array<int, speeds::Count> TimeoutMs = {800, 400, 200, 100, 50, 50,
                                                      50,  50,  50,  50,  50};

struct Run {
    double probesMs = 0; // from the start to the end of the last probe's time
    double totalMs = 0;  // and to the last version read
    int found = 0;
};

Run scan(const QString& port, int speedIndex, const QList<int>& serials) {
    Engine engine(new SerialPort);
    engine.setPortName(port);
    engine.applySpeed(speedIndex);
    auto* job = new LineScanJob(serials);
    Run r;
    bool ended = false;
    QElapsedTimer clock;
    QObject::connect(job, &LineScanJob::probesDone,
                     [&] { r.probesMs = clock.nsecsElapsed() / 1e6; });
    QObject::connect(job, &Job::succeeded, [&] {
        r.totalMs = clock.nsecsElapsed() / 1e6;
        r.found = int(job->relays().size());
        ended = true;
    });
    QObject::connect(job, &Job::failed, [&] { ended = true; });
    clock.start();
    engine.start(job);
    while (!ended)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return r;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qputenv("KLIV_SIM", KLIV_SIM_PATH);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 1;
    QTextStream out(stdout);

    struct Case {
        const char* name;
        int speedIndex;
        int from, to;
    };
    const Case cases[] = {
        {"115200 baud, 100..999", 10, serials::ScanFrom, serials::ScanTo},
        {"2400 baud, 100..299", 3, 100, 299},
    };
    for (const Case& c : cases) {
        const QString baud = QString::number(speeds::Baud[std::size_t(c.speedIndex)]);
        kliv::test::SimProcess sim({QStringLiteral("--serial"), QStringLiteral("150,200,600"),
                                    QStringLiteral("--baud"), baud});
        if (!sim.ok()) {
            out << "simulator did not start" << Qt::endl;
            return 1;
        }
        const QList<int> serials = serials::range(c.from, c.to);
        const double schedule = double(serials.size()) * TimeoutMs[std::size_t(c.speedIndex)];
        for (int i = 0; i < runs; ++i) {
            const Run r = scan(sim.path(), c.speedIndex, serials);
            const double ratio = r.probesMs / schedule;
            out << QStringLiteral("%1: %2 probes, schedule %3 ms; probes took %4 ms, ratio "
                                  "%5 (%6); with %7 version reads %8 ms")
                       .arg(QString::fromUtf8(c.name))
                       .arg(serials.size())
                       .arg(schedule, 0, 'f', 0)
                       .arg(r.probesMs, 0, 'f', 1)
                       .arg(ratio, 0, 'f', 4)
                       .arg(qAbs(ratio - 1) <= 0.05 ? QStringLiteral("within 5 %")
                                                    : QStringLiteral("OUTSIDE 5 %"))
                       .arg(r.found)
                       .arg(r.totalMs, 0, 'f', 1)
                << Qt::endl;
        }
    }
    return 0;
}
