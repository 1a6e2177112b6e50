// Poll speed against the simulated relay paced at the line speed: polls per second as a
// ratio to the line-time ceiling, and the turnaround from the reply's last byte in to
// the next request out. A benchmark: it prints figures, it asserts nothing.

#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/polljob.h"
#include "link/serialport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>

using namespace kliv;

namespace {

struct Result {
    double cyclesPerSecond = 0;
    double ceiling = 0;
    double medianTurnaroundUs = 0;
    double p95TurnaroundUs = 0;
};

// Bytes on the line for one cycle of the view: the requests and their replies.
int cycleBytes(int view) {
    const int request = 9, live = 61, block = 209;
    const int blocks = view == 0 ? 0 : view;
    return (1 + blocks) * request + live + blocks * block;
}

Result run(const QString& port, int view, int baud, int seconds) {
    Engine engine(new SerialPort);
    engine.setPortName(port);
    auto* poll = new PollJob(view);
    QElapsedTimer clock;
    qint64 acceptedAt = -1;
    QList<qint64> turnaround;
    int cycles = 0;
    QObject::connect(&engine, &Engine::frameAccepted, [&] { acceptedAt = clock.nsecsElapsed(); });
    QObject::connect(&engine, &Engine::frameSent, [&] {
        if (acceptedAt >= 0)
            turnaround.append(clock.nsecsElapsed() - acceptedAt);
        acceptedAt = -1;
    });
    QObject::connect(poll, &PollJob::liveStatus, [&] { ++cycles; });
    clock.start();
    engine.start(poll);
    // Let the first cycles settle before measuring.
    while (cycles < 5 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const int startCycles = cycles;
    turnaround.clear();
    QElapsedTimer window;
    window.start();
    while (window.elapsed() < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double elapsed = window.nsecsElapsed() / 1e9;
    engine.stopPoll();

    Result r;
    r.cyclesPerSecond = (cycles - startCycles) / elapsed;
    r.ceiling = baud / (10.0 * cycleBytes(view));
    std::sort(turnaround.begin(), turnaround.end());
    if (!turnaround.isEmpty()) {
        r.medianTurnaroundUs = turnaround.at(turnaround.size() / 2) / 1000.0;
        r.p95TurnaroundUs = turnaround.at(turnaround.size() * 95 / 100) / 1000.0;
    }
    return r;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("KLIV_SIM")) // another simulator may be given
        qputenv("KLIV_SIM", KLIV_SIM_PATH);
    const int baud = 115200;
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5;
    kliv::test::SimProcess sim({QStringLiteral("--baud"), QString::number(baud)});
    QTextStream out(stdout);
    if (!sim.ok()) {
        out << "simulator did not start" << Qt::endl;
        return 1;
    }
    out << "poll against the simulator at " << baud << " baud, " << seconds << " s per view"
        << Qt::endl;
    const char* names[] = {"нет", "Фаза А", "Фаза А,В", "Фаза А,В,С"};
    for (int view : {0, 3}) {
        const Result r = run(sim.path(), view, baud, seconds);
        out << QStringLiteral("view %1: %2 cycles/s, ceiling %3, ratio %4; turnaround median "
                              "%5 us, p95 %6 us")
                   .arg(QString::fromUtf8(names[view]))
                   .arg(r.cyclesPerSecond, 0, 'f', 1)
                   .arg(r.ceiling, 0, 'f', 1)
                   .arg(r.cyclesPerSecond / r.ceiling, 0, 'f', 3)
                   .arg(r.medianTurnaroundUs, 0, 'f', 0)
                   .arg(r.p95TurnaroundUs, 0, 'f', 0)
            << Qt::endl;
    }
    return 0;
}
