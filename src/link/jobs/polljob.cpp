#include "link/jobs/polljob.h"

#include "link/engine.h"
#include "protocol/frame.h"

namespace kliv {

PollJob::PollJob(int view) : m_view(view) {
    qRegisterMetaType<kliv::LiveStatus>();
    qRegisterMetaType<kliv::WaveformStore>();
}

Request PollJob::nextRequest() const {
    return {KindStatus, QByteArray(1, char(m_selector)), Watch::Watchdog};
}

void PollJob::begin() {
    engine().resetCounters();
    m_selector = SelectorLive;
    send(nextRequest());
}

// The next request leaves before the display work of this reply, so the drawing runs
// while the relay answers instead of delaying the line.
void PollJob::onReply(const QByteArray& frame) {
    const QByteArray payload = frame::payloadOf(frame);
    const int selector = payload.isEmpty() ? int(SelectorLive) : quint8(payload.at(0));
    if (selector == SelectorLive) {
        const auto record = status::decodeLive(payload);
        if (record) // a short record is ignored and asked for again
            m_selector = waveform::selectorAfterLive(m_view);
        send(nextRequest());
        if (record) {
            if (model::Session* s = session())
                s->setLive(serial(), *record);
            Q_EMIT liveStatus(*record);
        }
        return;
    }
    if (selector == SelectorCalibration) { // not the poll's: ask again
        send(nextRequest());
        return;
    }
    onBlock(payload);
}

void PollJob::onBlock(const QByteArray& payload) {
    const int selector = quint8(payload.at(0));
    const auto block = waveform::decode(payload);
    if (block)
        m_samples.store(*block);
    // A block that names no phase is not stored, but it still moves the cycle on, so a
    // relay that keeps sending it cannot hold the poll on one request for ever.
    const waveform::AfterBlock next = waveform::afterBlock(selector, m_view);
    m_selector = next.nextSelector;
    if (!next.draw) {
        send(nextRequest());
        return;
    }
    const WaveformStore drawn = m_samples;
    m_samples.clear();
    send(nextRequest());
    if (block)
        Q_EMIT waveformReady(drawn);
}

} // namespace kliv
