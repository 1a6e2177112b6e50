// A configuration read, and a write (the relay's block read first, then the write and its
// read-back) against the simulated relay paced at the line speed: each job's time (first
// request out to result) as a ratio to the time its frames need on the line plus the relay's
// answer latency measured in the same run. A benchmark: it prints figures, it asserts nothing.

#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/configwritejob.h"
#include "link/jobs/versionjob.h"
#include "link/serialport.h"
#include "model/configschema.h"
#include "protocol/frame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>

using namespace kliv;

namespace {

constexpr int Baud = 115200;
constexpr int BitsPerByte = 10; // start, eight data bits, stop

double lineSeconds(int bytes) {
    return double(bytes) * BitsPerByte / Baud;
}

// Runs one job to its end; the seconds from its first request out to its result (the
// opening of the port is the system's, not the line's), or -1 when it failed.
double timeJob(Engine& engine, Job* job) {
    bool done = false, ok = false;
    QElapsedTimer clock;
    qint64 firstSent = -1, end = -1;
    const auto sent = QObject::connect(&engine, &Engine::frameSent, [&] {
        if (firstSent < 0)
            firstSent = clock.nsecsElapsed();
    });
    QObject::connect(job, &Job::succeeded, [&] {
        end = clock.nsecsElapsed();
        done = ok = true;
    });
    QObject::connect(job, &Job::failed, [&] { done = true; });
    clock.start();
    engine.start(job);
    while (!done && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::disconnect(sent);
    return ok ? (end - firstSent) / 1e9 : -1;
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qputenv("KLIV_SIM", KLIV_SIM_PATH);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    kliv::test::SimProcess sim({QStringLiteral("--baud"), QString::number(Baud)});
    QTextStream out(stdout);
    if (!sim.ok()) {
        out << "simulator did not start" << Qt::endl;
        return 1;
    }
    Engine engine(new SerialPort);
    engine.setPortName(sim.path());

    // The relay's answer latency, from the smallest exchange: a version request (8 bytes)
    // and its reply (24 bytes); what is left beyond their line time is the relay's.
    QList<double> version, read, write;
    for (int i = 0; i < rounds; ++i) {
        version.append(timeJob(engine, new VersionJob));
        read.append(timeJob(engine, new ConfigReadJob));
        Configuration c;
        c.z_umax_v = 300 + i;
        write.append(timeJob(engine, new ConfigWriteJob(c)));
    }
    for (const auto* v : {&version, &read, &write})
        if (std::any_of(v->begin(), v->end(), [](double s) { return s < 0; })) {
            out << "a job failed" << Qt::endl;
            return 1;
        }
    const double latency =
        std::max(0.0, median(version) - lineSeconds(frame::Overhead + frame::Overhead + 16));
    const int readBytes = frame::Overhead + frame::Overhead + config::BlockSize;
    const int writeBytes = frame::Overhead + config::WritePayloadSize + frame::Overhead + 1;
    const double readRef = lineSeconds(readBytes) + latency;
    // A write reads the relay's block first, writes, and reads back.
    const double writeRef = lineSeconds(writeBytes + 2 * readBytes) + 3 * latency;
    out << QStringLiteral("configuration jobs against the simulator at %1 baud, %2 rounds; the "
                          "relay's latency (version exchange beyond its line time) %3 ms")
               .arg(Baud)
               .arg(rounds)
               .arg(latency * 1000, 0, 'f', 2)
        << Qt::endl;
    out << QStringLiteral("read: median %1 ms, line time + latency %2 ms, ratio %3")
               .arg(median(read) * 1000, 0, 'f', 2)
               .arg(readRef * 1000, 0, 'f', 2)
               .arg(median(read) / readRef, 0, 'f', 3)
        << Qt::endl;
    out << QStringLiteral("write with its reads: median %1 ms, line time + latency %2 ms, "
                          "ratio %3")
               .arg(median(write) * 1000, 0, 'f', 2)
               .arg(writeRef * 1000, 0, 'f', 2)
               .arg(median(write) / writeRef, 0, 'f', 3)
        << Qt::endl;
    return 0;
}
