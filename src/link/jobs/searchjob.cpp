#include "link/jobs/searchjob.h"

#include "link/engine.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"

#include <QPointer>

namespace kliv {

SearchJob::SearchJob() {
    // The search's length is its schedule: a coarse timer would stretch the short steps.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SearchJob::onTick);
}

void SearchJob::begin() {
    m_step = 0;
    m_probe = 0;
    m_speedIndex = 0;
    m_timer.setInterval(intervalMs(0));
    setProgress(0);
    engine().applySpeed(m_speedIndex);
    m_timer.start();
    Q_EMIT probing(m_speedIndex, 0);
}

void SearchJob::onTick() {
    if (!running())
        return;
    replyTimeUp();
    if (++m_probe > ProbesPerSpeed) {
        if (m_step < Exhausted)
            ++m_step;
        m_probe = 1;
        if (m_step <= LastSpeed) {
            m_speedIndex = m_step;
            m_timer.setInterval(intervalMs(m_step));
        }
    }
    // A serial number typed during the search presets the engine's speed; the probes
    // must still go out at the step's own, and a found relay keeps its speed.
    if (engine().speedIndex() != m_speedIndex)
        engine().applySpeed(m_speedIndex);

    QPointer<SearchJob> self(this);
    setProgress(m_progress + 1);
    Q_EMIT probing(m_speedIndex, m_probe);
    if (!self || !running())
        return;

    if (m_step <= LastSpeed) {
        send({KindPresence, {}, Watch::Job});
        return;
    }
    m_timer.stop();
    setProgress(ProgressSteps);
    if (!self || !running())
        return;
    if (m_step == Found)
        succeed();
    else
        fail(Failure::NoAnswer);
}

void SearchJob::stop() {
    if (!running())
        return;
    QPointer<SearchJob> self(this);
    setProgress(ProgressSteps);
    if (self && running())
        fail(Failure::Cancelled);
}

// Any presence reply with a payload is the relay: an empty one is not an answer.
void SearchJob::onReply(const QByteArray& frame) {
    if (frame::payloadLength(frame) != 0)
        m_step = Found;
}

void SearchJob::onEnd() {
    m_timer.stop();
}

void SearchJob::setProgress(int value) {
    m_progress = qBound(0, value, ProgressSteps);
    Q_EMIT progressChanged(m_progress);
}

} // namespace kliv
