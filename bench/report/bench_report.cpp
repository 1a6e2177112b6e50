// The protocol report for a full log of 100 events: from the end of the last read to the
// file on disk (template opened, filled, saved), beside the time the three reads take on
// the simulated relay at 115200 baud in the same run. A benchmark: it prints figures, it
// asserts nothing.

#include "common/simprocess.h"
#include "link/engine.h"
#include "link/jobs/saveprotocoljob.h"
#include "link/serialport.h"
#include "report/document.h"
#include "report/protocolreport.h"
#include "texts/accountingtexts.h"
#include "texts/eventtexts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>

using namespace kliv;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qputenv("KLIV_SIM", KLIV_SIM_PATH);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    QTextStream out(stdout);
    kliv::test::SimProcess sim({QStringLiteral("--events"), QStringLiteral("100")});
    if (!sim.ok()) {
        out << "simulator did not start" << Qt::endl;
        return 1;
    }
    Engine engine(new SerialPort);
    engine.setPortName(sim.path());
    auto* job = new SaveProtocolJob;
    bool done = false;
    ReportData data;
    const NumberLocale loc = NumberLocale::system();
    QObject::connect(job, &Job::succeeded, [&] {
        data.serial = 600;
        data.events = eventlog::texts(job->events(), loc);
        data.configuration = job->configuration();
        data.accounting = accounting::texts(job->accounting(), loc);
        done = true;
    });
    QObject::connect(job, &Job::failed, [&] { done = true; });
    QElapsedTimer reads;
    reads.start();
    engine.start(job);
    while (!done && reads.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double readMs = reads.nsecsElapsed() / 1e6;
    if (data.events.size() != 100) {
        out << "the three reads did not bring 100 events" << Qt::endl;
        return 1;
    }

    QTemporaryDir dir;
    QList<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        QString error;
        auto doc = report::build(QStringLiteral(KLIV_TEMPLATE_DOCX), data, loc, {}, &error);
        if (!doc || !doc->saveAs(dir.filePath(QStringLiteral("r%1.docx").arg(i)))) {
            out << "report failed: " << error << Qt::endl;
            return 1;
        }
        ms.append(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    out << QStringLiteral("report of 100 events, %1 rounds: median %2 ms, worst %3 ms; the "
                          "three reads at 115200 baud took %4 ms (report / reads %5)")
               .arg(rounds)
               .arg(ms.at(ms.size() / 2), 0, 'f', 1)
               .arg(ms.last(), 0, 'f', 1)
               .arg(readMs, 0, 'f', 1)
               .arg(ms.at(ms.size() / 2) / readMs, 0, 'f', 3)
        << Qt::endl;
    return 0;
}
