#include "link/jobs/overviewjob.h"

#include "link/engine.h"
#include "protocol/frame.h"

#include <QPointer>

namespace kliv {

OverviewJob::OverviewJob(QList<int> serials) : m_serials(std::move(serials)) {
    m_pause.setSingleShot(true);
    m_pause.setInterval(RoundPauseMs);
    connect(&m_pause, &QTimer::timeout, this, &OverviewJob::onPause);
}

void OverviewJob::begin() {
    if (m_serials.isEmpty()) {
        succeed();
        return;
    }
    connect(&engine(), &Engine::requestRepeated, this, [this] { Q_EMIT repeated(asking()); });
    m_index = 0;
    ask();
}

void OverviewJob::ask() {
    Request r(KindStatus, QByteArray(1, char(SelectorLive)));
    r.serial = asking();
    send(r);
}

// A reply too short for a record is as good as none: the row keeps its last values.
void OverviewJob::onReply(const QByteArray& frame) {
    const auto record = status::decodeLive(frame::payloadOf(frame));
    QPointer<OverviewJob> self(this);
    if (record) {
        if (model::Session* s = session())
            s->setLive(asking(), *record);
        Q_EMIT answered(asking(), *record);
    } else
        Q_EMIT silent(asking());
    if (self && running())
        next();
}

void OverviewJob::onReplyTimeout() {
    QPointer<OverviewJob> self(this);
    Q_EMIT silent(asking());
    if (self && running())
        next();
}

void OverviewJob::next() {
    m_index = (m_index + 1) % int(m_serials.size());
    if (m_index == 0)
        m_pause.start();
    else
        ask();
}

void OverviewJob::onPause() {
    m_pause.stop(); // a direct call stands for the clock's own, which fires once
    if (running())
        ask();
}

void OverviewJob::onEnd() {
    m_pause.stop();
}

} // namespace kliv
