#include "ptyrelay.h"

#include "linespeed.h"
#include "responder.h"
#include "simlog.h"

#include "protocol/frame.h"
#include "protocol/speeds.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

namespace kliv::sim {

namespace {

constexpr int BitsPerByte = 10;    // start, eight data bits, stop
constexpr qint64 TrickleUs = 1000; // partial writes of a long reply, this far apart

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyRelay::PtyRelay(const RelaySettings& relay, const PtyOptions& options, QList<FaultRule> faults,
                   QObject* parent)
    : PtyRelay(QList<RelayOnLine>{{relay, std::move(faults)}}, options, parent) {}

PtyRelay::PtyRelay(const QList<RelayOnLine>& relays, const PtyOptions& options, QObject* parent)
    : QObject(parent), m_options(options) {
    Q_ASSERT(!relays.isEmpty());
    for (const RelayOnLine& r : relays)
        m_stations.emplace_back(r, QRandomGenerator::global()->generate());
    m_clock.start();
    m_pumpFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    m_pumpNotifier = new QSocketNotifier(m_pumpFd, QSocketNotifier::Read, this);
    connect(m_pumpNotifier, &QSocketNotifier::activated, this, [this] {
        quint64 expirations = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_pumpFd, &expirations, sizeof expirations);
        pump();
    });
}

PtyRelay::~PtyRelay() {
    stop();
    delete m_pumpNotifier;
    ::close(m_pumpFd);
}

QString PtyRelay::start(QString* error) {
    if (isRunning())
        return m_slavePath;
    const auto fail = [&](const QString& why) {
        closeDevice();
        if (error)
            *error = why;
        return QString();
    };

    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail(systemError("posix_openpt"));
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail(systemError("grantpt/unlockpt"));
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail(systemError("ptsname"));
    m_slavePath = QString::fromLocal8Bit(name);

    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fail(systemError("open slave"));
    // Raw from the start, so that a tool opening the device with plain open() and no
    // line settings of its own still passes every byte untouched.
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0)
        return fail(systemError("tcgetattr"));
    cfmakeraw(&tio);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return fail(systemError("tcsetattr"));
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail(systemError("fcntl"));

    if (!m_options.linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(m_options.linkPath);
        if ((::unlink(link.constData()) != 0 && errno != ENOENT) ||
            ::symlink(name, link.constData()) != 0)
            return fail(systemError("link"));
    }

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyRelay::onReadable);
    return m_slavePath;
}

void PtyRelay::stop() {
    closeDevice();
}

void PtyRelay::vanish() {
    if (!isRunning())
        return;
    qCInfo(lcFrames) << "vanish: the device disappears";
    closeDevice();
    Q_EMIT vanished();
}

RelayModel* PtyRelay::model(quint16 serial) {
    for (Station& s : m_stations)
        if (s.model.serial() == serial)
            return &s.model;
    return nullptr;
}

PtyRelay::Station& PtyRelay::stationFor(const QByteArray& request) {
    for (Station& s : m_stations)
        if (s.model.accepts(request))
            return s;
    return m_stations.front();
}

QByteArray PtyRelay::withSharers(Station& first, const QByteArray& request,
                                 const QByteArray& answer) {
    QList<QByteArray> answers;
    if (!answer.isEmpty())
        answers.append(answer);
    for (Station& s : m_stations) {
        if (&s == &first || !s.model.accepts(request))
            continue;
        const Response other = respond(s.model, s.faults, request, nowMs());
        s.model.takeLineSpeedChange();
        if (!other.bytes.isEmpty())
            answers.append(other.bytes);
    }
    if (answers.size() > 1)
        qCInfo(lcFrames) << "  " << answers.size() << "relays of this number answer at once";
    return collide(answers);
}

void PtyRelay::closeDevice() {
    armPump(-1);
    m_out.clear();
    m_assembler.clear();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    // Only our own link goes: another simulator may have taken the name since.
    if (!m_options.linkPath.isEmpty() && !m_slavePath.isEmpty() &&
        QFileInfo(m_options.linkPath).symLinkTarget() == m_slavePath)
        QFile::remove(m_options.linkPath);
}

void PtyRelay::onReadable() {
    char buf[512];
    QByteArray bytes;
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            bytes.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (bytes.isEmpty())
        return;
    const QList<RequestAssembler::Request> requests = m_assembler.feed(bytes, nowUs());
    const QByteArray junk = m_assembler.takeDiscarded();
    if (!junk.isEmpty())
        qCInfo(lcFrames).noquote() << "rx skipped" << frame::hex(junk);
    for (const auto& r : requests) {
        handle(r);
        if (!isRunning())
            return;
    }
}

void PtyRelay::handle(const RequestAssembler::Request& request) {
    qCInfo(lcFrames).noquote() << "rx" << frame::hex(request.frame);
    if (m_options.strictSpeed) {
        const int toolBaud = toolLineSpeed(m_slave);
        if (toolBaud != 0 && toolBaud != m_options.baud) {
            qCInfo(lcFrames) << "   sent at" << toolBaud << "baud, the relay listens at"
                             << m_options.baud << ": not understood";
            return;
        }
    }
    Station& station = stationFor(request.frame);
    // The relay acts on a request once its last byte is in: a line time after the tool wrote
    // it, which the pseudo-terminal delivers at once.
    const qint64 inMs = (request.firstByteUs + lineTimeUs(request.frame.size())) / 1000;
    m_actedMs = std::max(m_actedMs, inMs);
    const Response r = respond(station.model, station.faults, request.frame, m_actedMs);
    const std::optional<int> speedChange = station.model.takeLineSpeedChange();
    if (r.forOther) {
        qCInfo(lcFrames) << "   not for this relay";
        return;
    }
    if (r.vanish) {
        vanish();
        return;
    }
    if (r.faults.drop) {
        qCInfo(lcFrames) << "   fault: request dropped";
        return;
    }
    const QByteArray bytes = withSharers(station, request.frame, r.bytes);
    if (bytes.isEmpty()) {
        qCInfo(lcFrames) << "   no answer";
        return;
    }
    if (frame::kindOf(request.frame) == KindClockSet)
        logClockSet(station.model);
    if (r.faults.any())
        qCInfo(lcFrames).nospace()
            << "   fault:" << (r.faults.corrupt ? " corrupt" : "")
            << (r.faults.noiseBytes ? " noise" : "")
            << (r.faults.innerNoiseBytes ? " noise-inside" : "")
            << (r.faults.otherSerial ? " other-serial" : "")
            << (r.faults.splitGapUs ? " split" : "") << (r.faults.delayMs ? " delay" : "")
            << (r.faults.pauseMs ? " pause" : "");
    // The answer cannot start before the request has passed the line.
    const qint64 earliest = request.firstByteUs + lineTimeUs(request.frame.size()) +
                            qint64(m_options.latencyMs + r.delayMs) * 1000;
    std::optional<int> thenBaud;
    if (speedChange)
        thenBaud = speeds::Baud[std::size_t(*speedChange)];
    schedule(bytes, earliest, thenBaud, r.faults.splitGapUs,
             {r.faults.pauseAt, qint64(r.faults.pauseMs) * 1000});
}

// How far the clock just set stands from the PC's, for whoever measures how well the tool
// sets it.
void PtyRelay::logClockSet(const RelayModel& model) {
    const QDateTime pc = QDateTime::currentDateTime().addMSecs(m_actedMs - (nowUs() + 500) / 1000);
    const QDateTime relay = model.clockAt(m_actedMs); // local fields held as UTC
    qCInfo(lcFrames).noquote() << QStringLiteral("   clock set to %1, %2 ms from the PC's clock")
                                      .arg(relay.time().toString(QStringLiteral("HH:mm:ss.zzz")))
                                      .arg(QDateTime(pc.date(), pc.time(), Qt::UTC).msecsTo(relay));
}

bool PtyRelay::paced() const {
    return m_options.pace && m_options.baud > 0;
}

qint64 PtyRelay::lineTimeUs(qint64 bytes) const {
    if (!paced())
        return 0;
    return bytes * BitsPerByte * 1000000 / m_options.baud;
}

void PtyRelay::schedule(const QByteArray& bytes, qint64 earliestUs, std::optional<int> thenBaud,
                        int gapUs, ReplyPause pause) {
    const qint64 start = std::max({earliestUs, m_lineFreeUs, nowUs()});
    m_out.push_back({bytes, start, 0, thenBaud, gapUs, pause});
    m_lineFreeUs = dueUs(m_out.back(), bytes.size() - 1);
    pump();
}

// The line paces every byte; a split answer also waits its gap between two bytes, and a
// paused one its pause before the bytes behind it.
qint64 PtyRelay::dueUs(const Outgoing& o, qsizetype byte) const {
    const qint64 paused = o.pause.us > 0 && byte >= o.pause.at ? o.pause.us : 0;
    return o.startUs + std::max(lineTimeUs(byte + 1), qint64(byte) * o.gapUs) + paused;
}

void PtyRelay::pump() {
    const qint64 now = nowUs();
    while (!m_out.empty() && isRunning()) {
        Outgoing& o = m_out.front();
        if (now < o.startUs)
            break;
        // Bytes whose last bit has left the line by now.
        qsizetype due = o.written;
        while (due < o.bytes.size() && dueUs(o, due) <= now)
            ++due;
        // A split answer leaves one byte a wake-up, even when the pump is late.
        if (o.gapUs > 0)
            due = std::min(due, o.written + 1);
        bool full = false;
        while (o.written < due) {
            const ssize_t n =
                ::write(m_master, o.bytes.constData() + o.written, std::size_t(due - o.written));
            if (n <= 0) {
                full = true; // the tool does not read and the line is full: try again later
                break;
            }
            o.written += n;
        }
        if (full)
            break;
        if (o.written < o.bytes.size())
            break;
        qCInfo(lcFrames).noquote() << "tx" << frame::hex(o.bytes);
        if (o.thenBaud) {
            // The relay hears and answers at the new speed from now on.
            m_options.baud = *o.thenBaud;
            qCInfo(lcFrames) << "   the line moves to" << m_options.baud << "baud";
        }
        const QByteArray sent = o.bytes;
        m_out.pop_front();
        Q_EMIT replySent(sent);
    }
    if (m_out.empty() || !isRunning()) {
        armPump(-1);
        return;
    }
    // Wake exactly when the reply's last byte is due, and in between often enough to
    // let a long reply trickle out as a real line would.
    const Outgoing& o = m_out.front();
    const qint64 end = dueUs(o, o.bytes.size() - 1);
    const qint64 nextByte = dueUs(o, o.written);
    armPump(o.gapUs > 0 ? nextByte : std::min(end, std::max(nextByte, now + TrickleUs)));
}

void PtyRelay::armPump(qint64 atUs) {
    itimerspec t{};
    if (atUs >= 0) {
        const qint64 delay = std::max<qint64>(1, atUs - nowUs());
        t.it_value.tv_sec = delay / 1000000;
        t.it_value.tv_nsec = (delay % 1000000) * 1000;
    }
    ::timerfd_settime(m_pumpFd, 0, &t, nullptr);
}

} // namespace kliv::sim
