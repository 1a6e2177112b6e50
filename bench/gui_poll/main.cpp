// Runs the diagnostics poll of an offscreen page against the simulated relay for about
// ten seconds with all three phases on the chart, then ten more with the traffic monitor
// open, and prints how close the poll came to what the line allows each time and what one
// chart redraw costs.

#include "app/linebinding.h"
#include "diag/diagpage.h"
#include "diag/livechart.h"
#include "link/engine.h"
#include "link/jobs/polljob.h"
#include "link/serialport.h"
#include "model/line.h"
#include "monitor/trafficmodel.h"
#include "monitor/trafficwindow.h"
#include "protocol/waveform.h"
#include "widgets/prompt.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

using namespace kliv;

namespace {

constexpr int Baud = 115200;
constexpr double BitsPerByte = 10;
constexpr int RequestBytes = 9;
constexpr int LiveReplyBytes = 61;
constexpr int BlockReplyBytes = 209;
constexpr int Phases = 3;
constexpr int RunMs = 10000;

// Boxes would block an unattended run; they are only counted.
class CountingPrompt : public Prompt {
  public:
    int shown = 0;
    void show(const Message&, const QString&) override { ++shown; }
    bool ask(const QString&, const QString&) override { return false; }
};

double lineSeconds(int bytes) {
    return bytes * BitsPerByte / Baud;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    const QString sim = qEnvironmentVariableIsEmpty("KLIV_SIM") ? QStringLiteral(KLIV_SIM_DEFAULT)
                                                                : qEnvironmentVariable("KLIV_SIM");
    const QString link = QDir::temp().filePath(
        QStringLiteral("kliv-bench-%1").arg(QCoreApplication::applicationPid()));
    QProcess relay;
    relay.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    relay.start(sim,
                {QStringLiteral("--baud"), QString::number(Baud), QStringLiteral("--link"), link});
    if (!relay.waitForStarted()) {
        out << "cannot start the simulated relay " << sim << "\n";
        return 1;
    }
    QElapsedTimer wait;
    wait.start();
    while (!QFileInfo::exists(link) && wait.elapsed() < 5000)
        QThread::msleep(20);
    if (!QFileInfo::exists(link)) {
        out << "the simulated relay made no line at " << link << "\n";
        relay.kill();
        return 1;
    }

    Engine engine(new SerialPort);
    CountingPrompt prompt;

    // A waveform cycle's last reply starts the clock; a handler connected after the page's
    // own stops it, so the span covers the decoding, the next request and the redraw.
    QElapsedTimer redraw;
    std::vector<qint64> redrawNs;
    int liveRecords = 0;
    model::Line line;
    bindLine(line, engine);
    DiagnosticsPage page(engine, line, prompt);
    QObject::connect(&engine, &Engine::frameAccepted, [&redraw] { redraw.start(); });
    QObject::connect(&engine, &Engine::jobStarted, [&](Job* job) {
        auto* poll = qobject_cast<PollJob*>(job);
        if (!poll)
            return;
        QObject::connect(poll, &PollJob::waveformReady,
                         [&] { redrawNs.push_back(redraw.nsecsElapsed()); });
        QObject::connect(poll, &PollJob::liveStatus, [&liveRecords] { ++liveRecords; });
    });

    page.resize(880, 640);
    page.show();
    line.setPorts({link});
    page.findChild<QComboBox*>(QStringLiteral("cmb_m"))->setCurrentIndex(Phases);

    // The second half runs with the monitor shown, as an engineer watching the line would.
    TrafficWindow monitor(engine, prompt);
    monitor.resize(900, 500);
    QElapsedTimer run;
    run.start();
    double seconds = 0;
    int plainRecords = 0;
    page.findChild<QPushButton*>(QStringLiteral("diagnos"))->click();
    QTimer::singleShot(RunMs, &app, [&] {
        seconds = run.restart() / 1000.0;
        plainRecords = liveRecords;
        monitor.show();
        QTimer::singleShot(RunMs, &app, &QCoreApplication::quit);
    });
    app.exec();
    const double watchedSeconds = run.elapsed() / 1000.0;
    const int watchedRecords = liveRecords - plainRecords;
    const int monitorRows = monitor.model().rowCount();
    engine.stopPoll();
    relay.terminate();
    relay.waitForFinished(2000);

    // Reference in the same run: the same drawing done by clearing each series and
    // appending its points one by one, against one replace() per series.
    auto* chart = page.findChild<LiveChart*>(QStringLiteral("Chart1"));
    WaveformStore store;
    for (int i = 0; i < waveform::SampleCount; ++i)
        for (int ph = 0; ph < 3; ++ph) {
            store.voltage[ph][i] = (i * 7 + ph * 40) % 256;
            store.current[ph][i] = (i * 5 + ph * 60) % 256;
        }
    const auto points = waveform::series(store);
    auto timeRedraws = [&](const std::function<void()>& draw) {
        constexpr int Rounds = 50;
        QElapsedTimer t;
        t.start();
        for (int r = 0; r < Rounds; ++r) {
            draw();
            QCoreApplication::processEvents(); // the chart's deferred layout and paint
        }
        return t.nsecsElapsed() / 1000.0 / Rounds;
    };
    const double replaceUs = timeRedraws([&] { chart->showSamples(store); });
    const double appendUs = timeRedraws([&] {
        for (int i = 0; i < waveform::SeriesCount; ++i) {
            chart->series(i)->clear();
            for (const QPointF& p : points[size_t(i)])
                chart->series(i)->append(p);
        }
    });

    // One poll: the live record and one block per phase, each a request and its reply.
    const double cycleLine = lineSeconds(RequestBytes + LiveReplyBytes) +
                             Phases * lineSeconds(RequestBytes + BlockReplyBytes);
    const double ceiling = 1.0 / cycleLine;
    const double polls = plainRecords / seconds;
    const double watchedPolls = watchedRecords / watchedSeconds;
    std::sort(redrawNs.begin(), redrawNs.end());
    const double medianUs = redrawNs.empty() ? 0 : redrawNs[redrawNs.size() / 2] / 1000.0;

    out << "line " << Baud << " baud, view A,B,C, " << seconds << " s\n";
    out << "polls: " << plainRecords << " (" << polls << "/s); with the monitor open "
        << watchedRecords << " in " << watchedSeconds << " s (" << watchedPolls << "/s), its rows "
        << monitorRows << "; frames sent " << engine.framesSent() << ", received "
        << engine.framesReceived() << "\n";
    out << "line-time ceiling: " << ceiling << " polls/s (" << cycleLine * 1000 << " ms a poll)\n";
    out << "ratio to ceiling: " << polls / ceiling << "; with the monitor open "
        << watchedPolls / ceiling << "\n";
    out << "chart redraws: " << redrawNs.size() << ", median " << medianUs << " us\n";
    out << "redraw with paint, replace(): " << replaceUs << " us; clear()+append(): " << appendUs
        << " us; ratio " << appendUs / replaceUs << "\n";
    out << "boxes shown: " << prompt.shown << "\n";
    return 0;
}
