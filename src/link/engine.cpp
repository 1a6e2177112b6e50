#include "link/engine.h"

#include "link/messages.h"
#include "link/speeds.h"
#include "protocol/cp1251.h"
#include "protocol/frame.h"

Q_LOGGING_CATEGORY(lcFrames, "kliv.link.frames", QtWarningMsg)

namespace kliv {

namespace {
constexpr int IdleCloseMs = 3000;
constexpr int VersionTextSize = 16;
} // namespace

Engine::Engine(Port* port, QObject* parent) : QObject(parent), m_port(port) {
    m_port->setParent(this);
    m_port->setObjectName(QStringLiteral("cp1"));
    connect(m_port, &Port::readyRead, this, &Engine::cp1RxChar);
    connect(m_port, &Port::lost, this, &Engine::onLost);
    m_timer2.setInterval(300);
    m_timer3.setInterval(300);
    m_timer4.setInterval(IdleCloseMs);
    connect(&m_timer2, &QTimer::timeout, this, &Engine::Timer2Timer);
    connect(&m_timer3, &QTimer::timeout, this, &Engine::Timer3Timer);
    connect(&m_timer4, &QTimer::timeout, this, &Engine::Timer4Timer);
}

Engine::~Engine() {
    comclose();
}

// ---------------------------------------------------------------- line settings

void Engine::setPortName(const QString& name) {
    endPoll();
    comclose();
    m_portName = name;
}

void Engine::setSpeedIndex(int index) {
    endPoll();
    Comspeed(index);
}

void Engine::Comspeed(int index) {
    if (index < 0 || index >= speeds::Count)
        return;
    m_speedIndex = index;
    if (m_port->isOpen())
        m_port->setBaud(speeds::Baud[index]);
}

void Engine::setSerial(int serial) {
    m_serial = serial;
    const int index = speeds::indexForSerial(serial);
    Comspeed(index);
    Q_EMIT speedIndexChanged(index);
}

// ---------------------------------------------------------------- port

bool Engine::comopen() {
    if (m_port->isOpen())
        m_port->close();
    if (m_portName.isEmpty()) {
        Q_EMIT portOpenFailed(OpenError::NotFound, msg::noPortFound().text);
        return false;
    }
    if (!m_port->open(m_portName, speeds::Baud[m_speedIndex])) {
        const OpenError e = m_port->openError();
        Q_EMIT portOpenFailed(e, msg::openErrorDetail(e, m_portName, m_port->errorText()));
        return false;
    }
    return true;
}

void Engine::comclose() {
    if (m_port->isOpen())
        m_port->close();
    m_timer4.stop();
}

bool Engine::isOpen() const {
    return m_port->isOpen();
}

// ---------------------------------------------------------------- jobs

void Engine::setPollRunning(bool running) {
    if (running == m_pollRunning)
        return;
    m_pollRunning = running;
    Q_EMIT pollRunningChanged(running);
}

void Engine::diagnosClick() {
    if (m_pollRunning) {
        comclose();
        setPollRunning(false);
        m_timer2.stop();
        return;
    }
    endJob();
    if (!comopen())
        return;
    setPollRunning(true);
    m_framesSent = 0;
    m_framesReceived = 0;
    Q_EMIT framesSentChanged(0);
    Q_EMIT framesReceivedChanged(0);
    // The watchdog gets the interval of the line from the start: at slow speeds a first
    // tick of 300 ms would re-send, and so cut off, a reply that is still on the line.
    m_timer2.setInterval(speeds::replyTimeoutMs(m_speedIndex));
    m_timer2.start();
    m_state.requestKind = KindStatus;
    m_state.payload0() = SelectorLive;
    m_state.retryCount = 0;
    TXD();
}

void Engine::endPoll() {
    setPollRunning(false);
}

void Engine::readVersion() {
    startJob(KindVersion);
}

void Engine::resetProtection() {
    startJob(KindProtectionReset);
}

void Engine::setClock(const QByteArray& payload9) {
    std::copy_n(payload9.constData(), qMin<qsizetype>(payload9.size(), 9), m_state.tx.begin() + 6);
    startJob(KindClockSet);
}

void Engine::sendRaw(quint8 kind, const QByteArray& payload) {
    const int n = int(qMin<qsizetype>(payload.size(), frame::MaxRequestPayload));
    std::copy_n(payload.constData(), n, m_state.tx.begin() + 6);
    m_rawLength = n;
    m_rawPending = true;
    startJob(kind);
}

// One request in flight at a time: a job started while the poll runs ends the poll
// first, so the two never share the line.
void Engine::startJob(quint8 kind) {
    endPoll();
    m_timer2.stop();
    m_state.requestKind = kind;
    if (!comopen()) {
        endJob();
        return;
    }
    TXD();
}

void Engine::endJob() {
    m_state.jobState = 0;
    m_timer3.stop();
    m_inFlightKind = -1;
    m_rawPending = false;
    m_rawLength = -1;
}

// ---------------------------------------------------------------- request builder

int Engine::payloadLengthFor(quint8 kind) const {
    if (m_rawPending)
        return m_rawLength;
    switch (kind) {
    case KindStatus:
    case KindEventRecord:
        return 1;
    case KindConfigWrite:
        return m_state.tx[6] == 1 ? 15 : 79;
    case KindClockSet:
        return 9;
    default:
        return 0;
    }
}

void Engine::TXD() {
    const quint8 kind = m_state.requestKind;
    const int n = payloadLengthFor(kind);
    const QByteArray payload(reinterpret_cast<const char*>(m_state.tx.data()) + 6, n);
    const QByteArray f = frame::build(quint16(m_serial), kind, payload);
    std::copy(f.cbegin(), f.cend(), m_state.tx.begin());

    m_receiver.reset();
    m_state.rxFlags = 0;
    m_inFlightKind = kind;
    sendFrame(f);

    if (kind == KindStatus && !m_rawPending) {
        m_timer3.stop(); // the poll watchdog watches status requests
    } else {
        int ms = speeds::replyTimeoutMs(m_speedIndex);
        if (kind == KindConfigWrite)
            ms += speeds::ConfigWriteExtraMs;
        m_timer3.start(ms);
    }
    m_timer4.start(IdleCloseMs);
}

void Engine::sendFrame(const QByteArray& f) {
    qCDebug(lcFrames).noquote() << "TX" << frame::hex(f);
    m_port->write(f);
    ++m_framesSent;
    Q_EMIT framesSentChanged(m_framesSent);
    Q_EMIT frameSent(f);
}

// ---------------------------------------------------------------- receive path

void Engine::cp1RxChar() {
    receive(m_port->readAll());
}

void Engine::receive(const QByteArray& bytes) {
    qsizetype pos = 0;
    while (pos < bytes.size() && !m_receiver.held()) {
        pos += m_receiver.feed(bytes.constData() + pos, int(bytes.size() - pos));
        if (!m_receiver.held())
            break;
        // A status reply that was still on the line when the poll gave way to another
        // job must not pass for that job's answer.
        const bool stale = quint8(m_receiver.buffer()[4]) == KindStatus && m_inFlightKind >= 0 &&
                           m_inFlightKind != KindStatus;
        if (stale) {
            qCDebug(lcFrames).noquote() << "RX stale" << frame::hex(m_receiver.frame());
            m_receiver.resume();
            continue;
        }
        RX_OK();
        break; // whatever followed the frame in this batch is dropped
    }
}

void Engine::RX_OK() {
    if (!m_receiver.held())
        return;
    const QByteArray f = m_receiver.frame();
    qCDebug(lcFrames).noquote() << "RX" << frame::hex(f);
    m_timer3.stop();
    m_state.rxFlags = 0;
    m_inFlightKind = -1;
    ++m_framesReceived;
    Q_EMIT framesReceivedChanged(m_framesReceived);
    Q_EMIT frameAccepted(f);

    if (m_rawPending) {
        m_rawPending = false;
        m_rawLength = -1;
        comclose();
        Q_EMIT rawReply(f);
        return;
    }

    const auto& buf = m_receiver.buffer();
    switch (frame::kindOf(f)) {
    case KindPresence:
        if (frame::payloadLength(f) != 0) {
            if (m_state.jobState == 0)
                m_state.jobState = 13;
            if (m_state.jobState == 14)
                m_state.jobState = 15;
        }
        break;
    case KindStatus:
        onStatusReply(frame::payloadOf(f));
        break;
    case KindClockSet:
        comclose();
        Q_EMIT clockSetDone();
        break;
    case KindProtectionReset:
        comclose();
        Q_EMIT protectionResetDone();
        break;
    case KindVersion: {
        comclose();
        // Sixteen bytes whatever the length says: the buffer was cleared before the request.
        const QByteArray text(reinterpret_cast<const char*>(buf.data()) + 6, VersionTextSize);
        Q_EMIT versionRead(cp1251::decodeToZero(text));
        break;
    }
    default:
        break; // counted, nothing else
    }
}

// The next request leaves before the display work of this reply, so the drawing runs
// while the relay answers instead of delaying the line.
void Engine::onStatusReply(const QByteArray& payload) {
    m_state.retryCount = 0;
    const int selector = payload.isEmpty() ? 0 : quint8(payload.at(0));
    if (selector == SelectorLive) {
        const auto record = status::decodeLive(payload);
        if (record)
            m_state.payload0() = quint8(waveform::selectorAfterLive(m_view));
        if (m_pollRunning)
            TXD();
        if (record)
            Q_EMIT liveStatus(*record);
        return;
    }
    if (selector == SelectorCalibration)
        return;

    const auto block = waveform::decode(payload);
    if (!block) { // names no phase: ignored, the same request goes out again
        if (m_pollRunning)
            TXD();
        return;
    }
    m_samples.store(*block);
    const waveform::AfterBlock next = waveform::afterBlock(selector, m_view);
    m_state.payload0() = quint8(next.nextSelector);
    if (!next.draw) {
        if (m_pollRunning)
            TXD();
        return;
    }
    const WaveformStore drawn = m_samples;
    m_samples.clear();
    if (m_pollRunning)
        TXD();
    Q_EMIT waveformReady(drawn);
}

// ---------------------------------------------------------------- timers

void Engine::Timer2Timer() {
    if (!m_pollRunning) {
        m_timer2.stop();
        return;
    }
    if (m_state.rxFlags & 2) {
        m_timer2.setInterval(speeds::replyTimeoutMs(m_speedIndex));
        if (++m_state.retryCount >= 5) {
            m_timer2.stop();
            setPollRunning(false);
            Q_EMIT noReply();
            return;
        }
        m_state.requestKind = KindStatus;
        TXD();
    } else {
        m_state.rxFlags = 2;
    }
}

// No retry for a single request; the job ends here, so a later unrelated reply
// cannot continue it.
void Engine::Timer3Timer() {
    comclose();
    endJob();
    Q_EMIT noReply();
}

// The idle close never cuts off an awaited reply nor the running poll; those end
// through their own time-outs, which close the port.
void Engine::Timer4Timer() {
    if (m_timer3.isActive() || m_pollRunning)
        return;
    comclose();
}

void Engine::onLost(const QString& detail) {
    m_timer2.stop();
    m_timer4.stop();
    setPollRunning(false);
    endJob();
    Q_EMIT deviceLost(msg::lostDetail(m_portName, detail));
}

} // namespace kliv
