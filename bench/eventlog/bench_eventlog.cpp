// Reading the event log against the simulated relay paced at the line speed: the time of
// the whole read (ten requests and their 249-byte replies) as a ratio to the time the
// ten exchanges need on the line, and the turnaround from each reply's last byte in to
// the next request out. A benchmark: it prints figures, it asserts nothing.

#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/eventlogjob.h"
#include "link/serialport.h"
#include "protocol/eventlog.h"
#include "protocol/frame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>

using namespace kliv;

namespace {

constexpr int BitsPerByte = 10; // start, eight data bits, stop

struct Read {
    bool ok = false;
    double wholeSeconds = 0;    // start of the job to its success, opening the port included
    double exchangeSeconds = 0; // first request out to the last reply in
    QList<qint64> turnaroundNs; // a reply in to the next request out
};

Read readOnce(Engine& engine) {
    auto* job = new EventLogJob;
    Read r;
    QElapsedTimer clock;
    qint64 firstSent = -1, lastAccepted = -1, acceptedAt = -1;
    bool done = false;
    const auto sent = QObject::connect(&engine, &Engine::frameSent, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (firstSent < 0)
            firstSent = now;
        if (acceptedAt >= 0)
            r.turnaroundNs.append(now - acceptedAt);
        acceptedAt = -1;
    });
    const auto accepted = QObject::connect(
        &engine, &Engine::frameAccepted, [&] { acceptedAt = lastAccepted = clock.nsecsElapsed(); });
    QObject::connect(job, &Job::succeeded, [&] {
        r.ok = job->rows().size() > 0;
        r.wholeSeconds = clock.nsecsElapsed() / 1e9;
        done = true;
    });
    QObject::connect(job, &Job::failed, [&] { done = true; });
    clock.start();
    engine.start(job);
    while (!done && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::disconnect(sent);
    QObject::disconnect(accepted);
    r.exchangeSeconds = (lastAccepted - firstSent) / 1e9;
    return r;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qputenv("KLIV_SIM", KLIV_SIM_PATH);
    const int baud = 115200;
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;
    kliv::test::SimProcess sim({QStringLiteral("--baud"), QString::number(baud)});
    QTextStream out(stdout);
    if (!sim.ok()) {
        out << "simulator did not start" << Qt::endl;
        return 1;
    }
    const int request = frame::Overhead + 1;
    const int reply = frame::Overhead + eventlog::BlockPayloadSize;
    const double lineSeconds = eventlog::BlockCount * double(request + reply) * BitsPerByte / baud;
    out << QStringLiteral("event log read against the simulator at %1 baud, %2 reads; line time "
                          "of the ten exchanges %3 ms")
               .arg(baud)
               .arg(rounds)
               .arg(lineSeconds * 1000, 0, 'f', 1)
        << Qt::endl;

    Engine engine(new SerialPort);
    engine.setPortName(sim.path());
    QList<double> whole, exchanges;
    QList<qint64> turnaround;
    for (int i = 0; i < rounds; ++i) {
        const Read r = readOnce(engine);
        if (!r.ok) {
            out << "read " << i + 1 << " failed" << Qt::endl;
            return 1;
        }
        whole.append(r.wholeSeconds);
        exchanges.append(r.exchangeSeconds);
        turnaround.append(r.turnaroundNs);
    }
    std::sort(whole.begin(), whole.end());
    std::sort(exchanges.begin(), exchanges.end());
    std::sort(turnaround.begin(), turnaround.end());
    const auto median = [](const auto& sorted) { return sorted.at(sorted.size() / 2); };
    out << QStringLiteral("whole read: median %1 ms, worst %2 ms; ratio to the line time %3 "
                          "(worst %4)")
               .arg(median(whole) * 1000, 0, 'f', 1)
               .arg(whole.last() * 1000, 0, 'f', 1)
               .arg(median(whole) / lineSeconds, 0, 'f', 3)
               .arg(whole.last() / lineSeconds, 0, 'f', 3)
        << Qt::endl;
    out << QStringLiteral("first request to last reply: median %1 ms; ratio %2")
               .arg(median(exchanges) * 1000, 0, 'f', 1)
               .arg(median(exchanges) / lineSeconds, 0, 'f', 3)
        << Qt::endl;
    out << QStringLiteral("turnaround reply in to next request out: median %1 us, worst %2 us")
               .arg(median(turnaround) / 1000.0, 0, 'f', 0)
               .arg(turnaround.last() / 1000.0, 0, 'f', 0)
        << Qt::endl;
    return 0;
}
