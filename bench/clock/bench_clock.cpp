// Setting the relay's clock against the simulated relay paced at the line speed: how far
// the relay's clock stands from the PC's once set (the relay's log says, to the
// millisecond), as a ratio to the line time of the clock set frame; beside it the same set
// sent at once with the PC's time as read then, as a request built once and repeated as it
// is would go. At several speeds, with and without lost requests. A benchmark: it prints
// figures, it asserts nothing.

#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/clocksetjob.h"
#include "link/jobs/rawjob.h"
#include "link/serialport.h"
#include "protocol/clock.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <optional>

using namespace kliv;

namespace {

struct Case {
    int speed; // index
    int lost;  // requests lost before each set gets through
};

void idle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, int(ms - clock.elapsed()));
}

// One set on the engine's line, asked for at a moment of the second a user might press
// at: the offset it left, or nothing when it failed.
std::optional<int> setOnce(Engine& engine, const std::function<Job*()>& make, const QString& log) {
    static QRandomGenerator rng(1200);
    idle(int(rng.bounded(1000)));
    Job* job = make();
    bool done = false, ok = false;
    QObject::connect(job, &Job::succeeded, [&] { done = ok = true; });
    QObject::connect(job, &Job::failed, [&] { done = true; });
    QElapsedTimer clock;
    clock.start();
    engine.start(job);
    while (!done && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return ok ? kliv::test::lastClockOffset(log) : std::nullopt;
}

// Median and worst offset, and the worst as a ratio to the line time.
QString figures(QList<int> offsets, double lineMs) {
    std::sort(offsets.begin(), offsets.end());
    const int worst = std::max(qAbs(offsets.first()), qAbs(offsets.last()));
    return QStringLiteral("%1 %2 %3")
        .arg(offsets.at(offsets.size() / 2), 8)
        .arg(worst, 7)
        .arg(worst / lineMs, 11, 'f', 2);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qputenv("KLIV_SIM", KLIV_SIM_PATH);
    const int rounds = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    QTextStream out(stdout);
    out << "clock set against the simulator, " << rounds
        << " sets per row; offset = the relay's clock minus the PC's once set, in ms" << Qt::endl
        << "                      |   aligned, each try as sent   |   built once at the press"
        << Qt::endl
        << "  baud lost line time |  median |worst| /line time |  median |worst| /line time"
        << Qt::endl;
    const QList<Case> cases = {{0, 0}, {2, 0}, {5, 0}, {10, 0}, {5, 1}, {2, 2}, {10, 2}};
    for (const Case& c : cases) {
        const int baud = speeds::Baud[std::size_t(c.speed)];
        const double lineMs =
            speeds::lineTimeUs(c.speed, frame::Overhead + clock::SetPayloadSize) / 1000.0;
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("sim.log"));
        QStringList options{QStringLiteral("--baud"), QString::number(baud),
                            QStringLiteral("--log-file"), log};
        // Every set, aligned or not, loses its first `lost` requests.
        for (int set = 0; set < 2 * rounds; ++set)
            for (int i = 1; i <= c.lost; ++i)
                options << QStringLiteral("--fault")
                        << QStringLiteral("drop:kind=%1:nth=%2")
                               .arg(KindClockSet)
                               .arg(set * (c.lost + 1) + i);
        kliv::test::SimProcess sim(options);
        if (!sim.ok()) {
            out << "simulator did not start" << Qt::endl;
            return 1;
        }
        Engine engine(new SerialPort);
        engine.setSpeedIndex(c.speed);
        engine.setRetries(c.lost);
        engine.setPortName(sim.path());
        QList<int> aligned, asRead;
        for (int i = 0; i < rounds; ++i) {
            const auto a = setOnce(
                engine, [] { return new ClockSetJob(0, false, false); }, log);
            const auto r = setOnce(
                engine,
                [] {
                    return new RawJob(KindClockSet, clock::setPayload(QDateTime::currentDateTime(),
                                                                      0, false, false));
                },
                log);
            if (!a || !r) {
                out << baud << " baud: a set failed" << Qt::endl;
                return 1;
            }
            aligned << *a;
            asRead << *r;
        }
        out << QStringLiteral("%1 %2 %3 ms | %4 | %5")
                   .arg(baud, 6)
                   .arg(c.lost, 4)
                   .arg(lineMs, 6, 'f', 1)
                   .arg(figures(aligned, lineMs), figures(asRead, lineMs))
            << Qt::endl;
    }
    return 0;
}
