// Writes a recording of MEGABYTES (default 300) into a temporary folder, then opens it in the
// trend window as "Открыть запись…" does, offscreen, and prints the time to the first
// drawing and the peak memory (VmHWM) against the time to merely read the file's bytes and
// the file's size, all measured in this run; then the same for a zoom read again in full.
// With a FOLDER it saves the window there while it reads and once it has drawn.
// It asserts nothing.

#include "diag/trendwindow.h"
#include "files/liverecord.h"
#include "texts/livecsv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cmath>

using namespace kliv;

namespace {

constexpr double MiB = 1 << 20;

// The process's peak resident memory in MiB since it was last reset.
double peakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// A motor started every ten minutes, polled ten times a second.
void writeRecording(const QString& path, qint64 bytes) {
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    QByteArray chunk = liverecord::header().toUtf8();
    const QDateTime t0(QDate(2026, 12, 8), QTime(6, 0));
    LiveStatus s;
    for (qint64 i = 0, written = 0; written + chunk.size() < bytes; ++i) {
        const double sinceStart = (i % 6000) / 10.0;
        const double start = sinceStart < 8 ? 5.5 * std::exp(-sinceStart / 3) : 0;
        s.ua = quint16(230 - 12 * start + (i % 7)), s.ub = quint16(229 - 12 * start);
        s.uc = quint16(232 - 12 * start);
        s.ia = quint16(410 * (1 + start) + (i % 13)), s.ib = quint16(405 * (1 + start));
        s.ic = quint16(418 * (1 + start));
        s.running = quint32(i / 10);
        chunk += liverecord::row(t0.addMSecs(100 * i), s, NumberLocale::system()).toUtf8();
        if (chunk.size() > (4 << 20)) {
            written += out.write(chunk);
            chunk.clear();
        }
    }
    out.write(chunk);
}

double readBytesSeconds(const QString& path) {
    QElapsedTimer clock;
    clock.start();
    QFile in(path);
    in.open(QIODevice::ReadOnly);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    while (in.read(chunk.data(), chunk.size()) > 0) {
    }
    return clock.nsecsElapsed() / 1e9;
}

struct Opened {
    double seconds = 0, longestPauseMs = 0;
};

// Runs the event loop until the window has read what it reads. A clock ticking every 10 ms
// in the same loop says how late the window would have been to answer its user: the
// longest time between two ticks.
Opened waitForRead(TrendWindow& window, QElapsedTimer& clock, const QString& grabAs = {}) {
    Opened o;
    qint64 last = clock.nsecsElapsed();
    bool grabbed = grabAs.isEmpty();
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        o.longestPauseMs = std::max(o.longestPauseMs, (now - last) / 1e6);
        last = now;
        if (!grabbed && clock.elapsed() > 1000)
            grabbed = window.grab().save(grabAs);
    });
    tick.start();
    while (window.loading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents(); // the chart lays itself out with its lines
    window.grab();                     // the first drawing
    o.seconds = clock.nsecsElapsed() / 1e9;
    return o;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const qint64 megabytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 300;
    const QString pictures = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    auto picture = [&pictures](const char* name) {
        return pictures.isEmpty() ? QString() : pictures + u'/' + QString::fromUtf8(name);
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("запись.csv"));
    writeRecording(path, megabytes << 20);
    const double size = QFile(path).size() / MiB;
    readBytesSeconds(path); // into the page cache, as a file just written would be
    const double bytesSeconds = readBytesSeconds(path);
    out << QStringLiteral("recording: %1 MiB; reading its bytes: %2 s (%3 MiB/s)")
               .arg(size, 0, 'f', 1)
               .arg(bytesSeconds, 0, 'f', 2)
               .arg(size / bytesSeconds, 0, 'f', 0)
        << Qt::endl;

    resetPeak();
    const double before = peakMiB();
    QElapsedTimer clock;
    clock.start();
    TrendWindow window(path, QStringLiteral("запись.csv"));
    window.resize(1000, 560);
    window.show();
    const double shownMs = clock.nsecsElapsed() / 1e6;
    const Opened whole = waitForRead(window, clock, picture("trend-reading.png"));
    if (!pictures.isEmpty())
        window.grab().save(picture("trend-large.png"));
    const double peak = peakMiB();
    out << QStringLiteral("trend window shown after %1 ms; first drawing after %2 s, %3 times "
                          "the bytes' reading; 10 ms ticks of its event loop at most %4 ms apart")
               .arg(shownMs, 0, 'f', 0)
               .arg(whole.seconds, 0, 'f', 2)
               .arg(whole.seconds / bytesSeconds, 0, 'f', 1)
               .arg(whole.longestPauseMs, 0, 'f', 0)
        << Qt::endl;
    out << QStringLiteral("peak memory: %1 MiB (%2 before opening), %3 of the file's size")
               .arg(peak, 0, 'f', 0)
               .arg(before, 0, 'f', 0)
               .arg(peak / size, 0, 'f', 3)
        << Qt::endl;

    const auto range = window.shownRange();
    window.zoom(0.01, (range.first + range.second) / 2);
    clock.restart();
    window.readDetail();
    const Opened detail = waitForRead(window, clock);
    if (!pictures.isEmpty())
        window.grab().save(picture("trend-zoomed.png"));
    out << QStringLiteral("zoomed to 1/100 of the time: read again and drawn in %1 s, %2 times "
                          "the bytes' reading")
               .arg(detail.seconds, 0, 'f', 2)
               .arg(detail.seconds / bytesSeconds, 0, 'f', 3)
        << Qt::endl;
    return 0;
}
