#include "link/engine.h"

#include "protocol/frame.h"
#include "protocol/speeds.h"

#include <QMetaMethod>

Q_LOGGING_CATEGORY(lcFrames, "kliv.link.frames", QtWarningMsg)

namespace kliv {

Engine::Engine(Port* port, QObject* parent) : QObject(parent), m_port(port) {
    qRegisterMetaType<kliv::Traffic>();
    m_clock.start();
    m_port->setParent(this);
    connect(m_port, &Port::readyRead, this, &Engine::onReadyRead);
    connect(m_port, &Port::lost, this, &Engine::onLost);
    m_replyTimer.setSingleShot(true);
    m_watchdog.setInterval(speeds::replyTimeoutMs(m_speedIndex));
    m_idleClose.setSingleShot(true);
    m_idleClose.setInterval(IdleCloseMs);
    // A coarse timer may be off by a twentieth of its interval: far more than a timed try
    // may miss its moment by.
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_holdTimer, &QTimer::timeout, this, &Engine::onHoldEnd);
    connect(&m_replyTimer, &QTimer::timeout, this, &Engine::onReplyTimeout);
    connect(&m_watchdog, &QTimer::timeout, this, &Engine::onWatchdogTick);
    connect(&m_idleClose, &QTimer::timeout, this, &Engine::onIdleClose);
}

Engine::~Engine() {
    if (m_job) {
        m_job->m_engine = nullptr; // it cannot end through an engine that is going away
        m_job->onEnd();
    }
    closePort();
}

// ---------------------------------------------------------------- line settings

void Engine::setPortName(const QString& name) {
    cancel();
    closePort();
    m_portName = name;
    Q_EMIT lineChanged();
}

void Engine::setSpeedIndex(int index) {
    stopPoll();
    if (m_job && index >= 0 && index < speeds::Count) {
        m_heldSpeed = index;
        return;
    }
    applySpeed(index);
}

void Engine::applySpeed(int index) {
    if (index < 0 || index >= speeds::Count)
        return;
    if (m_job)
        m_jobMovedSpeed = true;
    m_speedIndex = index;
    if (m_port->isOpen())
        m_port->setBaud(speeds::Baud[std::size_t(index)]);
    Q_EMIT speedIndexChanged(index);
    Q_EMIT lineChanged();
}

void Engine::setSerial(int serial) {
    m_serial = serial;
    Q_EMIT lineChanged();
    setSpeedIndex(speeds::indexForSerial(serial));
}

void Engine::setRetries(int retries) {
    m_retryLimit = qBound(0, retries, MaxRetries);
}

// ---------------------------------------------------------------- port

bool Engine::openPort() {
    if (m_port->isOpen())
        m_port->close();
    m_idleClose.stop();
    if (m_portName.isEmpty())
        return false;
    return m_port->open(m_portName, speeds::Baud[std::size_t(m_speedIndex)]);
}

void Engine::closePort() {
    if (m_port->isOpen())
        m_port->close();
    m_idleClose.stop();
}

bool Engine::isOpen() const {
    return m_port->isOpen();
}

// ---------------------------------------------------------------- jobs

void Engine::start(Job* job) {
    Q_ASSERT(job && job->m_phase == Job::Phase::Waiting);
    if (m_job && !m_job->openEnded() && m_job->metaObject() == job->metaObject())
        m_job->giveWay();
    cancel();
    job->setParent(this);
    job->m_engine = this;
    if (job->m_serial == 0)
        job->m_serial = m_serial;
    job->m_phase = Job::Phase::Running;
    m_jobMovedSpeed = false;
    m_job = job;
    Q_EMIT jobStarted(job);

    if (const QList<Problem> problems = job->refusal(); !problems.isEmpty()) {
        Outcome refused;
        refused.reason = Failure::RefusedInput;
        refused.problems = problems;
        job->fail(std::move(refused));
        return;
    }
    if (!openPort()) {
        job->fail(portOutcome(Failure::PortNotOpened));
        return;
    }
    job->begin();
}

Outcome Engine::portOutcome(Failure reason) const {
    Outcome o;
    o.reason = reason;
    o.port = m_portName;
    if (reason == Failure::PortNotOpened && !m_portName.isEmpty()) {
        o.openError = m_port->openError();
        o.systemText = m_port->errorText();
    }
    return o;
}

void Engine::stopPoll() {
    if (pollRunning())
        m_job->succeed();
}

void Engine::cancel() {
    if (!m_job)
        return;
    if (m_job->openEnded())
        m_job->succeed();
    else
        m_job->fail(Failure::Cancelled);
}

void Engine::finish(Job* job) {
    if (job != m_job)
        return;
    stopTimers();
    m_awaiting = false;
    closePort();
    if (watched())
        tellSpans(m_receiver.closeSpans());
    m_job = nullptr;
    // A job that moved the line itself (a search, a speed change) settled its speed: a
    // preset made meanwhile must not undo what it found.
    if (m_heldSpeed >= 0 && !m_jobMovedSpeed)
        applySpeed(m_heldSpeed);
    m_heldSpeed = -1;
    job->onEnd();
    Q_EMIT jobEnded(job);
    job->deleteLater();
}

void Engine::stopTimers() {
    m_replyTimer.stop();
    m_watchdog.stop();
    m_holdTimer.stop();
}

void Engine::resetCounters() {
    m_framesSent = 0;
    m_framesReceived = 0;
    m_repeats = 0;
    Q_EMIT framesSentChanged(0);
    Q_EMIT framesReceivedChanged(0);
    Q_EMIT repeatsChanged(0);
}

// ---------------------------------------------------------------- sending

void Engine::send(Job* job, const Request& r) {
    if (job != m_job || !job)
        return;
    // The idle close may have freed the line while the job waited for the user.
    if (!m_port->isOpen() && !openPort()) {
        job->fail(portOutcome(Failure::PortNotOpened));
        return;
    }
    m_holdTimer.stop();
    m_lastSerial = quint16(r.serial ? r.serial : job->serial());
    m_lastKind = r.kind;
    m_lastPayload = r.payload;
    m_timed = r.timed;
    m_lastWatch = r.watch;
    m_lastExtraMs = r.extraTimeoutMs;
    m_attempt = 1;
    if (hold(false)) {
        // Nothing of this request is on the line yet.
        m_awaiting = false;
        m_replyTimer.stop();
        return;
    }
    sendFirst();
}

void Engine::sendFirst() {
    resetReceiver();
    m_lastRequest = frameNow();
    m_awaiting = true;
    m_watchdogMark = false;
    const bool counted = m_lastWatch != Watch::Job;
    write(m_lastRequest, counted);

    m_replyTimer.stop();
    switch (m_lastWatch) {
    case Watch::ReplyTimeout:
        m_watchdog.stop();
        armReplyTimer();
        break;
    case Watch::Watchdog:
        if (!m_watchdog.isActive()) {
            // The interval of the line from the start: at slow speeds a first tick of
            // 300 ms would re-send, and so cut off, a reply that is still on the line.
            m_watchdog.setInterval(speeds::replyTimeoutMs(m_speedIndex));
            m_retries = 0;
            m_watchdog.start();
        }
        break;
    case Watch::Job:
        m_watchdog.stop();
        break;
    }
    if (counted)
        m_idleClose.start();
}

// A held try arms its time-out once it is written: the wait is not the relay's.
void Engine::armReplyTimer() {
    if (m_holdTimer.isActive())
        return;
    m_replyTimer.start(speeds::replyTimeoutMs(m_speedIndex) + m_lastExtraMs);
}

void Engine::repeat(int of) {
    m_heldOf = of;
    if (!hold(true))
        sendRepeat();
}

// The request again, from a clean receiver: a late half of the lost answer must not join
// the new one.
void Engine::sendRepeat() {
    resetReceiver();
    m_awaiting = true;
    m_watchdogMark = false;
    ++m_attempt;
    ++m_repeats;
    m_lastRequest = frameNow();
    write(m_lastRequest, true, Verdict::Repeat);
    m_idleClose.start();
    Q_EMIT repeatsChanged(m_repeats);
    Q_EMIT requestRepeated(m_lastKind, m_attempt, m_heldOf);
}

bool Engine::hold(bool repeat) {
    const int ms = m_timed ? m_timed->holdMs() : 0;
    if (ms <= 0)
        return false;
    m_heldRepeat = repeat;
    m_holdTimer.start(ms);
    m_idleClose.stop(); // the line is about to be used
    return true;
}

// Until a held repeat goes out, the answer to the try before it is still welcome.
void Engine::onHoldEnd() {
    m_holdTimer.stop();
    if (!m_job)
        return;
    if (!m_heldRepeat) {
        sendFirst();
        return;
    }
    if (!m_awaiting)
        return;
    sendRepeat();
    if (m_lastWatch == Watch::ReplyTimeout)
        armReplyTimer();
}

QByteArray Engine::frameNow() const {
    return frame::build(m_lastSerial, m_lastKind, m_timed ? m_timed->build() : m_lastPayload);
}

void Engine::resetReceiver() {
    if (watched())
        tellSpans(m_receiver.closeSpans());
    m_receiver.reset();
    m_received.clear();
    m_badBefore = m_receiver.badFrames();
    m_goodBytes = 0;
}

Engine::Damage Engine::damage() const {
    return {m_receiver.badFrames() - m_badBefore, m_receiver.needed() > 0,
            int(qint64(m_receiver.streamLength()) - m_goodBytes)};
}

bool Engine::watched() const {
    static const QMetaMethod signal = QMetaMethod::fromSignal(&Engine::traffic);
    return isSignalConnected(signal);
}

void Engine::tell(bool sent, const QByteArray& bytes, Verdict verdict) {
    Q_EMIT traffic({m_clock.elapsed(), sent, bytes, verdict});
}

void Engine::tellSpans(const QList<FrameReceiver::Span>& spans) {
    for (const FrameReceiver::Span& s : spans) {
        const Verdict v = s.kind == FrameReceiver::Span::BadSum ? Verdict::BadSum
                          : s.kind == FrameReceiver::Span::Cut  ? Verdict::Cut
                                                                : Verdict::Noise;
        tell(false, m_received.mid(s.start, s.length), v);
    }
}

void Engine::write(const QByteArray& f, bool counted, Verdict verdict) {
    qCDebug(lcFrames).noquote() << "TX" << frame::hex(f);
    if (watched())
        tell(true, f, verdict);
    m_port->write(f);
    if (counted) {
        ++m_framesSent;
        Q_EMIT framesSentChanged(m_framesSent);
    }
    Q_EMIT frameSent(f);
}

// ---------------------------------------------------------------- receive path

void Engine::onReadyRead() {
    receive(m_port->readAll());
}

void Engine::receive(const QByteArray& bytes) {
    if (m_receiver.held())
        return; // a frame taken already: the rest waits for the next request's reset
    dispatch(bytes);
}

bool Engine::timeUp() {
    if (!m_job || !m_awaiting || !m_receiver.waiting())
        return false;
    m_receiver.timeUp();
    dispatch({});
    return !m_awaiting;
}

void Engine::dispatch(const QByteArray& bytes) {
    const bool watching = watched();
    qsizetype pos = 0;
    for (;;) {
        if (!m_receiver.held()) {
            if (pos >= bytes.size())
                break;
            const int used = m_receiver.feed(bytes.constData() + pos, int(bytes.size() - pos));
            if (watching)
                m_received.append(bytes.constData() + pos, used);
            pos += used;
            if (watching)
                tellSpans(m_receiver.takeSpans());
            if (!m_receiver.held())
                break;
        }
        const QByteArray f = m_receiver.frame();
        m_goodBytes += f.size();
        if (matches(f)) {
            if (watching) {
                tell(false, f, Verdict::Good);
                if (pos < bytes.size()) // whatever followed the frame in this batch
                    tell(false, bytes.mid(pos), Verdict::Noise);
            }
            onFrame(f);
            return; // whatever followed the frame in this batch is dropped
        }
        // Not the answer to the request in flight (a late reply to an ended job, another
        // relay, another kind, a frame inside noise): the hunt goes on behind its start.
        qCDebug(lcFrames).noquote() << "RX unmatched" << frame::hex(f);
        if (watching)
            tell(false, f, Verdict::Unmatched);
        if (m_job)
            m_job->onUnmatched(f);
        m_receiver.resume();
    }
    if (watching)
        tellSpans(m_receiver.takeSpans());
}

bool Engine::matches(const QByteArray& f) const {
    if (!m_job || !m_awaiting || m_lastRequest.size() < frame::HeaderSize)
        return false;
    return f.at(4) == m_lastRequest.at(4) && f.at(2) == m_lastRequest.at(2) &&
           f.at(3) == m_lastRequest.at(3) && m_job->accepts(f);
}

void Engine::onFrame(const QByteArray& f) {
    qCDebug(lcFrames).noquote() << "RX" << frame::hex(f);
    m_replyTimer.stop();
    m_awaiting = false;
    m_watchdogMark = false;
    if (m_lastWatch == Watch::Watchdog)
        m_retries = 0;
    ++m_framesReceived;
    Q_EMIT framesReceivedChanged(m_framesReceived);
    Q_EMIT frameAccepted(f);
    m_job->onReply(f);
}

// ---------------------------------------------------------------- timers

// A request goes out 1 + retries() times in all, each try with its full time-out; only the
// last one's silence ends the job.
void Engine::onReplyTimeout() {
    m_replyTimer.stop();
    if (!m_job || !m_awaiting || m_lastWatch != Watch::ReplyTimeout || timeUp())
        return;
    if (m_attempt <= m_retryLimit) {
        repeat(1 + m_retryLimit);
        armReplyTimer();
        return;
    }
    m_awaiting = false;
    m_job->onReplyTimeout();
}

// A re-send comes at the earliest two ticks after the last frame; the fifth silent
// expiry in a row gives up.
void Engine::onWatchdogTick() {
    if (!m_job || m_lastWatch != Watch::Watchdog) {
        m_watchdog.stop();
        return;
    }
    if (!m_watchdogMark) {
        m_watchdogMark = true;
        return;
    }
    if (timeUp())
        return;
    m_watchdog.setInterval(speeds::replyTimeoutMs(m_speedIndex));
    if (++m_retries >= WatchdogGiveUp) {
        m_watchdog.stop();
        m_job->fail(Failure::NoAnswer);
        return;
    }
    repeat(0);
}

// The idle close frees a line that nothing needs: never while a reply is awaited or
// the poll runs, both of which end through their own time-outs.
void Engine::onIdleClose() {
    if (m_awaiting || pollRunning())
        return;
    closePort();
}

void Engine::onLost(const QString& detail) {
    qCDebug(lcFrames).noquote() << "line lost:" << detail;
    stopTimers();
    m_idleClose.stop();
    m_awaiting = false;
    if (m_job)
        m_job->fail(portOutcome(Failure::LineLost));
}

} // namespace kliv
