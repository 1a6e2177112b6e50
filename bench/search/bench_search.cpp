// Device search against the simulated relay: how long a search takes against its
// schedule, the sum of the probe intervals up to the tick that ends it. A benchmark: it
// prints figures, it asserts nothing.

#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/searchjob.h"
#include "link/serialport.h"
#include "protocol/speeds.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <array>

using namespace kliv;

namespace {

// The probe intervals by speed step, written out on their own so that the search is
// measured against the table and not against itself.
constexpr std::array<int, speeds::Count> Interval = {800, 400, 200, 100, 50, 50,
                                                     50,  50,  50,  50,  50};

// From the start to the tick that ends the search: the first tick comes one interval
// after the start, then two probes a speed; a relay answering the first probe at `step`
// is noticed at the next tick; with no answer the tick after the last probe ends it.
int scheduleMs(int step) {
    int ms = Interval[0];
    const int last = step < 0 ? speeds::Count : step;
    for (int s = 0; s < last; ++s)
        ms += 2 * Interval[std::size_t(s)];
    return step < 0 ? ms : ms + Interval[std::size_t(step)];
}

struct Run {
    double ms = 0;
    bool found = false;
    int speedIndex = -1;
};

Run search(const QString& port) {
    Engine engine(new SerialPort);
    engine.setPortName(port);
    auto* job = new SearchJob;
    Run r;
    bool ended = false;
    QElapsedTimer clock;
    QObject::connect(job, &Job::succeeded, [&] {
        r.ms = clock.nsecsElapsed() / 1e6;
        r.found = true;
        r.speedIndex = job->speedIndex();
        ended = true;
    });
    QObject::connect(job, &Job::failed, [&] {
        r.ms = clock.nsecsElapsed() / 1e6;
        ended = true;
    });
    clock.start();
    engine.start(job);
    while (!ended && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return r;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qputenv("KLIV_SIM", KLIV_SIM_PATH);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    QTextStream out(stdout);

    struct Case {
        const char* name;
        QStringList simArgs;
        int step; // the speed step that answers, -1 for none
    };
    const Case cases[] = {
        {"relay at 115200", {QStringLiteral("--baud"), QStringLiteral("115200")}, 10},
        {"no relay answers", {QStringLiteral("--serial"), QStringLiteral("601")}, -1},
    };
    for (const Case& c : cases) {
        kliv::test::SimProcess sim(c.simArgs);
        if (!sim.ok()) {
            out << "simulator did not start" << Qt::endl;
            return 1;
        }
        const int schedule = scheduleMs(c.step);
        QList<double> ratios;
        for (int i = 0; i < runs; ++i) {
            const Run r = search(sim.path());
            const bool right = c.step < 0 ? !r.found : r.found && r.speedIndex == c.step;
            if (!right) {
                out << c.name << ": the search ended wrongly" << Qt::endl;
                return 1;
            }
            ratios.append(r.ms / schedule);
        }
        std::sort(ratios.begin(), ratios.end());
        const double median = ratios.at(ratios.size() / 2);
        out << QStringLiteral("%1: schedule %2 ms; duration/schedule median %3 (min %4, max %5, "
                              "%6 runs): %7")
                   .arg(QString::fromUtf8(c.name))
                   .arg(schedule)
                   .arg(median, 0, 'f', 4)
                   .arg(ratios.first(), 0, 'f', 4)
                   .arg(ratios.last(), 0, 'f', 4)
                   .arg(runs)
                   .arg(qAbs(median - 1) <= 0.05 ? QStringLiteral("within 5 %")
                                                 : QStringLiteral("OUTSIDE 5 %"))
            << Qt::endl;
    }
    return 0;
}
