#include "link/jobs/linescanjob.h"

#include "link/engine.h"
#include "link/jobs/searchjob.h"
#include "link/jobs/versionjob.h"
#include "protocol/frame.h"

#include <QPointer>

namespace kliv {

namespace {

int serialOf(const QByteArray& frame) {
    return quint8(frame.at(2)) << 8 | quint8(frame.at(3));
}

} // namespace

LineScanJob::LineScanJob(QList<int> serials) : m_serials(std::move(serials)) {
    // The scan's length is its schedule: a coarse timer would stretch every probe.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LineScanJob::onTick);
}

int LineScanJob::msLeft() const {
    return probing() ? (total() - m_next + 1) * m_intervalMs : 0;
}

void LineScanJob::begin() {
    m_intervalMs = SearchJob::intervalMs(engine().speedIndex());
    m_timer.setInterval(m_intervalMs);
    if (m_serials.isEmpty()) {
        endProbes();
        return;
    }
    m_timer.start();
    probe();
}

void LineScanJob::probe() {
    closeProbe();
    m_heard = false;
    Request r(KindPresence, {}, Watch::Job);
    r.serial = m_serials.at(m_next++);
    send(r);
    Q_EMIT progressChanged(m_next, total(), msLeft());
}

void LineScanJob::onTick() {
    if (!probing())
        return;
    replyTimeUp();
    if (m_next < total())
        probe();
    else
        endProbes();
}

void LineScanJob::stop() {
    if (!running())
        return;
    m_stopped = true;
    if (probing())
        endProbes();
    else
        succeed();
}

void LineScanJob::endProbes() {
    m_timer.stop();
    closeProbe();
    m_versionOf = 0;
    QPointer<LineScanJob> self(this);
    Q_EMIT progressChanged(m_next, total(), 0);
    Q_EMIT probesDone();
    if (self && running())
        readNextVersion();
}

// A bad frame is damage whatever else came; noise only when no good answer came with it, as
// a line's driver may well leave a stray byte ahead of a good answer, and when it is not
// the tail of a frame cut at the last probe's end.
void LineScanJob::closeProbe() {
    if (m_next == 0)
        return;
    const Engine::Damage d = engine().damage();
    int answers = d.badFrames + (d.cut ? 1 : 0);
    if (answers == 0 && d.strayBytes > 0 && !m_heard && !m_cut)
        answers = 1;
    m_cut = d.cut;
    if (answers == 0)
        return;
    m_damaged.append({m_serials.at(m_next - 1), answers});
    Q_EMIT relaysChanged();
}

// An empty presence reply is not an answer, as for the search.
void LineScanJob::note(const QByteArray& reply, int probed) {
    if (frame::kindOf(reply) != KindPresence || frame::payloadLength(reply) == 0)
        return;
    m_heard = true;
    const int serial = serialOf(reply);
    for (Relay& r : m_relays) {
        if (r.serial != serial)
            continue;
        if (r.probed == serial || probed != serial)
            return;
        r.probed = serial; // it has answered its own number now
        Q_EMIT relaysChanged();
        return;
    }
    m_relays.append({serial, probed, {}, false});
    Q_EMIT relaysChanged();
}

void LineScanJob::onReply(const QByteArray& frame) {
    if (probing()) {
        note(frame, m_serials.at(m_next - 1));
        return;
    }
    Relay& r = m_relays[m_versionOf];
    r.version = VersionJob::textOf(frame::payloadOf(frame));
    if (model::Session* s = session())
        s->setVersion(r.serial, r.version);
    r.versionRead = true;
    ++m_versionOf;
    QPointer<LineScanJob> self(this);
    Q_EMIT relaysChanged();
    if (self && running())
        readNextVersion();
}

// Another relay's answer, or one that came after its probe's time: it is the relay whose
// number it carries, whichever number was probed.
void LineScanJob::onUnmatched(const QByteArray& frame) {
    if (probing() && m_next > 0)
        note(frame, m_serials.at(m_next - 1));
}

// A relay that answered its presence probe but not the version request (after the
// engine's repeats) stays listed, without a version.
void LineScanJob::onReplyTimeout() {
    ++m_versionOf;
    readNextVersion();
}

void LineScanJob::readNextVersion() {
    if (m_versionOf >= m_relays.size()) {
        succeed();
        return;
    }
    Request r(KindVersion);
    r.serial = m_relays.at(m_versionOf).serial;
    send(r);
}

void LineScanJob::onEnd() {
    m_timer.stop();
}

} // namespace kliv
